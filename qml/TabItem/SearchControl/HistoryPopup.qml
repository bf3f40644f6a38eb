// The reader's past queries, newest first, from the library's history
// table. A chosen query is searched again.
import QtQuick 2.15
import QtQuick.Controls 2.15
import Tarnolix 1.0
import "../../controls"

VPopup {
    id: root
    objectName: "historyPopup"

    readonly property string selectQuery: "SELECT query FROM QueriesHistory ORDER BY rowId DESC"
    readonly property alias model: historyModel

    signal querySelected(string query)

    function show() {
        console.log("show history query")
        historyModel.query = selectQuery
        open()
    }

    function clearHistory() {
        historyModel.query = "DELETE FROM QueriesHistory"
        historyModel.query = selectQuery
    }

    parent: Overlay.overlay
    modal: true
    closePolicy: Popup.CloseOnEscape | Popup.CloseOnPressOutside
    padding: 10 * dp
    x: parent ? Math.round((parent.width - width) / 2) : 0
    y: parent ? Math.round((parent.height - height) / 2) : 0
    width: 520 * dp + leftPadding + rightPadding
    height: (parent ? Math.floor(parent.height * 0.7) : 0) + topPadding + bottomPadding

    SqlQueryModel {
        id: historyModel
    }

    background: Rectangle {
        color: Constants.blackBackground
        radius: 2
    }

    contentItem: Item {
        LighGoldTextButton {
            id: clearButton
            objectName: "clearHistoryButton"
            text: qsTr("Очистить")
            onClicked: root.clearHistory()
        }
        CloseGrayButton {
            objectName: "closeHistoryButton"
            anchors.right: parent.right
            anchors.verticalCenter: clearButton.verticalCenter
            onClicked: root.close()
        }
        Label {
            id: title
            anchors.top: clearButton.bottom
            width: parent.width
            horizontalAlignment: Text.AlignHCenter
            text: qsTr("История поиска")
            font.pixelSize: Math.round(22 * dp)
            color: Constants.lightGold
        }
        ListView {
            id: list
            objectName: "historyList"
            anchors.top: title.bottom
            anchors.topMargin: 10 * dp
            anchors.bottom: parent.bottom
            width: parent.width
            clip: true
            model: historyModel
            boundsBehavior: Flickable.StopAtBounds
            ScrollBar.vertical: ScrollBar { }

            delegate: ItemDelegate {
                id: row
                objectName: "historyRow" + index
                width: list.width
                height: Math.round(label.implicitHeight * 1.5)
                padding: 0
                hoverEnabled: true
                background: null
                contentItem: Text {
                    id: label
                    text: model.query
                    font.pixelSize: Math.round(18 * dp)
                    horizontalAlignment: Text.AlignHCenter
                    verticalAlignment: Text.AlignVCenter
                    elide: Text.ElideRight
                    color: row.pressed ? Constants.colorPressed : row.hovered ? Constants.colorHover : Constants.lightGold
                }
                onClicked: {
                    var query = model.query
                    root.close()
                    root.querySelected(query)
                }
            }
        }
    }
}
