import QtQuick 2.15
import Tarnolix 1.0
import "qrc:/"
import "qrc:/controls"
import "qrc:/TabItem/SearchResultsTree"

// One tab as the main window holds it, with the search page logics the
// test offers the tab in place of the real ones.
TarnolixWindow {
    id: root
    width: 1100
    height: 760
    visible: false

    property alias tabs: tabs
    readonly property var tab: tabs.currentTab
    readonly property var panel: tab ? tab.bookCatalog : null
    property var transitionAnswers: []
    property var lastResult
    property int results: 0

    // A script run at once in the current tab's page; its answer lands in
    // lastResult.
    function run(script) {
        tab.webView.runJavaScript(script, function (result) {
            root.lastResult = result
            root.results += 1
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

    // A full-text search page logic: its result tree gets the results once
    // the search has finished, as the real logics do.
    Component {
        id: booksLogicComponent
        Item {
            id: logic
            property var status: null
            property var tabStatus: null
            property int allCheckedCount: 0
            property int allUncheckedCount: 0
            property Item searchResultsTree: BooksSearchResultsTree {
                objectName: "booksResultTree"
                visible: false
                tabStatus: logic.tabStatus
                onAllChecked: logic.allCheckedCount += 1
                onAllUnchecked: logic.allUncheckedCount += 1
            }
            function takeResults() {
                var model = searchResultsTree.treeModel
                if (status.status === Constants.SearchFinished && model.getSearchResultsId() !== status.getSearchId()) {
                    model.setSearchResults(status)
                    searchResultsTree.restoreCheckState(status)
                }
            }
            Connections {
                target: logic.status
                function onStatusChanged() { logic.takeResults() }
            }
        }
    }

    // A logic whose result tree is a plain tree over a given model.
    Component {
        id: plainLogicComponent
        Item {
            id: logic
            property var status: null
            property var treeModel: null
            property Item searchResultsTree: TreeView {
                objectName: "plainResultTree"
                visible: false
                clip: true
                treeModel: logic.treeModel
                delegate: Item {
                    width: ListView.view.width
                    height: 24
                    Text { x: 20 + model.depth * 16; text: model.display; color: "black" }
                }
            }
        }
    }

    function makeBooksLogic(status) {
        return booksLogicComponent.createObject(root, { "status": status, "tabStatus": tab.status })
    }
    function makePlainLogic(status, treeModel) {
        return plainLogicComponent.createObject(root, { "status": status, "treeModel": treeModel })
    }

    function prepareTransition(generation) {
        panel.prepareTransition(generation, function (ready) {
            root.transitionAnswers = root.transitionAnswers.concat([ready])
        })
    }

    Component.onCompleted: {
        Tarnolix.mainWindowDPCalculate = root.dpCalculate
        Tarnolix.tabControl = tabs
        var tab = tabs.addTab()
        tab.status.openBasePage()
    }
}
