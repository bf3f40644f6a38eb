import QtQuick 2.15
import QtWebEngine 1.10
import QtWebChannel 1.0
import Tarnolix 1.0
import "qrc:/"

// A tab of the program showing a book beside a bare web view that shows the
// same page shell through a scheme handler of its own, with no page logic:
// the bare side appends the same section HTML by script.
TarnolixWindow {
    id: root
    width: 1280
    height: 1600
    visible: false

    property alias tabs: tabs
    property alias bare: bare
    property alias bareStatus: bareStatus
    property var opened: []
    property string pendingBareHtml: ""
    readonly property var logic: tabs.currentTab ? tabs.currentTab.presentationContent.pageLogic : null

    Connections {
        target: root.logic
        ignoreUnknownSignals: true
        function onPageOpened(success) { root.opened = root.opened.concat([success]) }
    }

    // Both sides' scripts run here; the answer count tells the driver
    // that a script has come back.
    property int answers: 0
    function runInTab(script) { tabs.currentTab.webView.runJavaScript(script, function () { root.answers += 1 }) }
    function runInBare(script) { bare.runJavaScript(script, function () { root.answers += 1 }) }

    TabControl {
        id: tabs
        width: parent.width
        height: 800
    }
    // Below the tab, the size of the tab's web view.
    WebEngineView {
        id: bare
        y: 800
        x: tabs.currentTab ? tabs.currentTab.webView.mapToItem(null, 0, 0).x : 0
        width: tabs.currentTab ? tabs.currentTab.webView.width : 0
        height: tabs.currentTab ? tabs.currentTab.webView.height : 0
        profile: WebEngineProfile { id: bareProfile; offTheRecord: true }
        // The page scripts and their channel, as every tab's view has them.
        webChannel: WebChannel { id: bareChannel }
        userScripts: bareScripts.item ? bareScripts.item.scripts : []
        // As the page logic does on scrolling, without it: the waiting
        // section goes in by script.
        onScrollPositionChanged: {
            if (root.pendingBareHtml === "")
                return
            var html = root.pendingBareHtml
            root.pendingBareHtml = ""
            bare.runJavaScript("appendSection(\"" + html + "\")")
        }
        Component.onCompleted: {
            bareChannel.registerObjects({ "tabWebChannel": bareStatus.webChannel })
            bareStatus.setUpProfile(bareProfile)
        }
    }
    Loader {
        id: bareScripts
        source: "qrc:/TabItem/WebEngineScriptsQt5.qml"
    }

    TabStatus { id: bareStatus }

    Binding {
        target: Tarnolix
        property: "curTabStatus"
        value: tabs.currentTab ? tabs.currentTab.status : null
    }

    Component.onCompleted: {
        Tarnolix.mainWindowDPCalculate = root.dpCalculate
        Tarnolix.tabControl = tabs
        var tab = tabs.addTab()
        tab.status.openBasePage()
    }
}
