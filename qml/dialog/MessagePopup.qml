// A message in the window: its title, the text (rich text shows formatted)
// that can be selected and copied, and a button to close it.
import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Layouts 1.15
import Tarnolix 1.0
import "../controls"

VPopup {
    id: popup

    property string title
    property string text

    readonly property real textWidth: Math.max(320 * dp, Math.min(textArea.implicitWidth,
                                                                  (parent ? parent.width : 0) / 2))

    modal: true
    closePolicy: Popup.CloseOnEscape | Popup.CloseOnPressOutside
    padding: 10 * dp
    x: Math.round(((parent ? parent.width : 0) - width) / 2)
    y: Math.round(((parent ? parent.height : 0) - height) / 2)
    width: textWidth + 90 * dp
    focus: true

    onClosed: textArea.deselect()

    background: Rectangle {
        color: Constants.lightBlack
        border.color: Constants.blackMenu
        radius: 2
    }

    contentItem: Item {
        implicitHeight: column.implicitHeight

        ColumnLayout {
            id: column
            anchors.horizontalCenter: parent.horizontalCenter
            width: popup.textWidth
            spacing: 25 * dp

            CloseGrayButton {
                objectName: "messageCloseButton"
                Layout.alignment: Qt.AlignRight
                Layout.rightMargin: -30 * dp
                onClicked: popup.close()
            }
            Text {
                objectName: "messageTitle"
                Layout.fillWidth: true
                text: popup.title
                visible: text.length > 0
                font.pixelSize: 22 * dp
                color: Constants.white
                wrapMode: Text.WordWrap
            }
            Rectangle {
                Layout.fillWidth: true
                Layout.preferredHeight: textArea.implicitHeight + 2 * border.width
                color: Constants.lightGray
                border.color: Constants.grayStroke
                border.width: Math.max(1, Math.round(dp))
                radius: 2

                TextArea {
                    id: textArea
                    objectName: "messageText"
                    anchors.fill: parent
                    anchors.margins: parent.border.width
                    text: popup.text
                    textFormat: TextEdit.AutoText
                    readOnly: true
                    selectByMouse: true
                    persistentSelection: true
                    wrapMode: TextEdit.Wrap
                    font.pixelSize: 14 * dp
                    color: Constants.blackText
                    selectionColor: Constants.lightGold
                    selectedTextColor: Constants.blackText
                    background: null

                    function copyToClipboard() {
                        if (selectedText.length > 0)
                            copy()
                        else
                            Tarnolix.setClipboardText(text, true)
                    }

                    MouseArea {
                        anchors.fill: parent
                        acceptedButtons: Qt.RightButton
                        cursorShape: Qt.IBeamCursor
                        onClicked: contextMenu.open()
                    }
                    VMenu {
                        id: contextMenu
                        objectName: "messageContextMenu"

                        VMenuItem {
                            objectName: "copyItem"
                            text: qsTr("Копировать")
                            icon.source: "../controls/copy.svg"
                            enabled: textArea.text.length > 0
                            onTriggered: textArea.copyToClipboard()
                        }
                    }
                }
            }
            DarkGoldButton {
                objectName: "messageOkButton"
                Layout.alignment: Qt.AlignHCenter
                text: qsTr("Закрыть")
                onClicked: popup.close()
            }
        }
    }
}
