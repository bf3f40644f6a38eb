import QtQuick 2.15
import Tarnolix 1.0
import "qrc:/"

// The tab area with one tab, and what the open-book tests call in its page
// logic: navigations whose callbacks are recorded, a restore with a reset
// of the test's own, scripts run at once in the page.
TarnolixWindow {
    id: root
    // Low enough that a rebuilt run (about 2500 characters after its
    // target) reaches below the view, so the target can go to the top.
    width: 1280
    height: 600
    visible: false

    property alias tabs: tabs
    property var lastResult
    property int results: 0
    // Each navigation callback as "name:success", in the order called.
    property var callbacks: []
    property int resets: 0
    // Each opening's report, and the shown run when it came.
    property var opened: []
    property var openedRange: null

    readonly property var logic: tabs.currentTab ? tabs.currentTab.presentationContent.pageLogic : null

    function run(script) {
        tabs.currentTab.webView.runJavaScript(script, function (result) {
            root.lastResult = result
            root.results += 1
        })
    }

    function recorder(name) {
        return function (success) { root.callbacks = root.callbacks.concat([name + ":" + success]) }
    }

    function seek(name, sectionCode) { logic.seekSection(sectionCode, "", recorder(name)) }
    function scrollWith(name, sectionCode, scrollScript) { logic.scrollFunc(sectionCode, "", scrollScript, recorder(name), false) }
    // Ending a search invalidates navigation once, as the in-book search does.
    function restore() {
        logic.restoreAfterSearch(function () {
            root.resets += 1
            logic.invalidateSectionNavigation()
        })
    }

    Connections {
        target: root.logic
        ignoreUnknownSignals: true
        function onPageOpened(success) {
            // Asked at once, so no refill comes in between.
            tabs.currentTab.webView.runJavaScript("getSectionsRange()", function (range) { root.openedRange = range })
            root.opened = root.opened.concat([success])
        }
    }

    TabControl {
        id: tabs
        anchors.fill: parent
    }

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
