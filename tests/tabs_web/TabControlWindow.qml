import QtQuick 2.15
import Tarnolix 1.0
import "qrc:/"

// The tab area as the main window holds it: the application's tab control
// and current tab follow it.
TarnolixWindow {
    id: root
    width: 1280
    height: 800
    visible: false

    property alias tabs: tabs
    property var lastResult
    property int results: 0
    property var answers: []
    property var queueSeen: []
    property var countHistory: []
    // Every script queued in the current tab, in order.
    property var queuedScripts: []
    property int lastCount: 0

    // The outcomes of the book openings in the current tab.
    property var openings: []
    Connections {
        target: tabs.currentTab ? tabs.currentTab.status.pageLogic : null
        ignoreUnknownSignals: true
        function onPageOpened(success) { root.openings = root.openings.concat([success]) }
    }

    Connections {
        target: tabs.currentTab ? tabs.currentTab.presentationContent : null
        function onActiveScriptCountChanged() {
            root.countHistory = root.countHistory.concat([target.activeScriptCount])
            // A rise is a push: the new entry is still the queue's last.
            if (target.activeScriptCount > root.lastCount && target.scriptQueue.length > 0)
                root.queuedScripts = root.queuedScripts.concat([target.scriptQueue[target.scriptQueue.length - 1].script])
            root.lastCount = target.activeScriptCount
        }
    }

    // A script run at once in the current tab's page; its answer lands in
    // lastResult.
    function run(script) {
        tabs.currentTab.webView.runJavaScript(script, function (result) {
            root.lastResult = result
            root.results += 1
        })
    }
    // A script through the current tab's queue; each answer is kept with
    // the number of scripts still waiting when it came.
    function queue(script) {
        var content = tabs.currentTab.presentationContent
        tabs.currentTab.runScript(script, function (result) {
            root.answers = root.answers.concat([result])
            root.queueSeen = root.queueSeen.concat([content.scriptQueue.length])
        })
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
