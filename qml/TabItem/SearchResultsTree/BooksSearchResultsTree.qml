// Where the results of a full-text or word-by-word search lie: books and
// their sections with the number of results in each, a click on a label
// opening that place with the search's results marked.
import QtQuick 2.15
import Tarnolix 1.0
import "../../controls"

SearchResultsTree {
    id: root

    property TabStatus tabStatus: null

    treeModel: BooksSearchResultsModel {}

    // Opens the place of a row in the tab; the URL creator goes in any case.
    function openResult(language, id, type) {
        if (!tabStatus)
            return
        var creator = tabStatus.newUrlCreator()
        try {
            if (creator.tryCreateCategoryPath(language, id, type)) {
                var pageStatus = tabStatus.pageStatus
                creator.searchId = pageStatus && typeof pageStatus.getSearchId === "function" ? pageStatus.getSearchId() : 0
                // The tab's search is kept, and marks the page, only for a URL
                // made in this tab.
                creator.tabId = tabStatus.id
                tabStatus.tabItem.openUrl(creator.url)
            }
        } finally {
            creator.destroy()
        }
    }

    delegate: Item {
        id: row

        readonly property bool hovered: labelArea.containsMouse || branchArea.containsMouse
        readonly property color boxColor: branchArea.containsMouse ? Constants.colorPressed : Constants.lightBlack
        readonly property color labelColor: labelArea.containsMouse ? Constants.colorPressed : Constants.lightBlack
        readonly property real boxCenterY: label.y + label.height * 0.5 / Math.max(label.lineCount, 1)

        objectName: "resultRow " + model.display
        width: ListView.view.width
        height: Math.floor(label.implicitHeight * 1.4)

        Text {
            id: freq
            objectName: "freq"
            readonly property real room: Math.max(0, branchBox.x - Math.round(4 * dp))
            text: model.freq === undefined ? "" : String(model.freq)
            font.pixelSize: Math.round(13 * dp)
            color: Constants.lightBlack
            elide: Text.ElideRight
            width: Math.min(implicitWidth, room)
            x: Math.max(0, branchBox.x - Math.round(8 * dp) - width)
            y: Math.round(row.boxCenterY - height / 2)
        }

        Item {
            id: branchBox
            objectName: "branchBox"
            readonly property color shownColor: row.boxColor
            x: Math.round((50 + model.depth * 27) * dp)
            y: Math.round(row.boxCenterY - height / 2)
            width: Math.round((model.isBook ? 18 : 12) * dp)
            height: width

            Rectangle {
                visible: !model.isBook && model.hasChildren === true
                anchors.centerIn: parent
                width: parent.width
                height: Math.max(1, Math.round(dp))
                color: branchBox.shownColor
                Behavior on color { ColorAnimation { duration: 100 } }
            }
            Rectangle {
                visible: !model.isBook && model.hasChildren === true && !model.isExpanded
                anchors.centerIn: parent
                width: Math.max(1, Math.round(dp))
                height: parent.height
                color: branchBox.shownColor
                Behavior on color { ColorAnimation { duration: 100 } }
            }
            SVGColor {
                visible: model.type === Constants.Book
                anchors.fill: parent
                source: "qrc:/controls/IconBook.svg"
                color: branchBox.shownColor
            }
            Rectangle {
                visible: model.hasChildren !== true && model.type === Constants.Section
                anchors.centerIn: parent
                width: Math.max(1, Math.round(2 * dp))
                height: width
                radius: width / 2
                color: branchBox.shownColor
            }
            MouseArea {
                id: branchArea
                anchors.fill: parent
                hoverEnabled: true
                onClicked: model.isExpanded = !model.isExpanded
            }
        }

        CheckBoxIndicator {
            id: checkBox
            objectName: "checkBox"
            visible: model.checkable === true
            x: branchBox.x + branchBox.width + Math.round(13 * dp)
            y: Math.round(row.boxCenterY - height / 2)
            colorActive: Constants.lightBlack
            colorHover: Constants.colorActive
            checkState: model.checkState === undefined ? Qt.Unchecked : model.checkState
            onClicked: model.checkState = model.checkState === Qt.Checked ? Qt.Unchecked : Qt.Checked
        }

        Text {
            id: label
            objectName: "label"
            x: (checkBox.visible ? checkBox.x + checkBox.width : branchBox.x + branchBox.width) + Math.round(13 * dp)
            width: Math.max(0, row.width - x)
            text: model.display === undefined || model.display === null ? "" : model.display
            font.pixelSize: Math.round((model.type === Constants.Section ? 14 : 16) * dp)
            font.bold: model.type !== Constants.Section
            wrapMode: Text.Wrap
            elide: Text.ElideRight
            color: row.labelColor
            Behavior on color { ColorAnimation { duration: 100 } }
        }

        MouseArea {
            id: labelArea
            objectName: "labelArea"
            anchors.fill: label
            hoverEnabled: true
            onClicked: root.openResult(model.language, model.id, model.type)
        }
    }
}
