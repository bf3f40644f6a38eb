// Asks for one line of text, as large as its content. The answer can be
// accepted only while it is not empty.
import QtQuick 2.15
import QtQuick.Controls 2.15
import Tarnolix 1.0
import "../controls"

VDialog {
    id: dialog

    property string message
    property string btnRejectText: qsTr("Отмена")
    property string btnAcceptText: qsTr("Ок")
    property alias text: field.text

    readonly property real columnWidth: Math.min(500 * dp, Math.max(prompt.implicitWidth, field.implicitWidth,
                                                                    320 * dp, buttons.implicitWidth))

    width: content.width
    height: content.height
    minimumWidth: width
    maximumWidth: width
    minimumHeight: height
    maximumHeight: height

    function acceptIfAnswered() {
        if (field.text.length > 0)
            accept()
    }

    onVisibleChanged: {
        if (visible)
            field.forceActiveFocus()
    }

    FocusScope {
        id: content
        width: dialog.columnWidth + 2 * 60 * dp
        height: Math.min(800 * dp, column.height) + 2 * 45 * dp
        focus: true

        Keys.onEscapePressed: dialog.reject()
        Keys.onReturnPressed: dialog.acceptIfAnswered()
        Keys.onEnterPressed: dialog.acceptIfAnswered()

        Column {
            id: column
            x: 60 * dp
            y: 45 * dp
            width: dialog.columnWidth
            spacing: 0

            Text {
                id: prompt
                objectName: "inputMessage"
                width: column.width
                text: dialog.message
                font.pixelSize: 22 * dp
                font.bold: true
                color: Constants.white
                wrapMode: Text.WordWrap
                horizontalAlignment: Text.AlignHCenter
            }
            Item { width: 1; height: 10 * dp }
            InputField {
                id: field
                objectName: "inputField"
                width: column.width
                focus: true
            }
            Item { width: 1; height: 20 * dp }
            Row {
                id: buttons
                anchors.horizontalCenter: parent.horizontalCenter
                spacing: 12 * dp

                GrayBlankButton {
                    objectName: "rejectButton"
                    text: dialog.btnRejectText
                    onClicked: dialog.reject()
                }
                DarkGoldButton {
                    objectName: "acceptButton"
                    text: dialog.btnAcceptText
                    enabled: field.text.length > 0
                    onClicked: dialog.accept()
                }
            }
        }
    }
}
