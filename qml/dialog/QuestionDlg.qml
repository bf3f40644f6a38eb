// A question with two answers, as large as its content: Escape answers with
// the reject handler, Return and Enter with the accept handler.
import QtQuick 2.15
import QtQuick.Controls 2.15
import Tarnolix 1.0
import "../controls"

VDialog {
    id: dialog

    property string text
    property string message
    property string btnRejectText
    property string btnAcceptText
    property var rejectHandler: function() { dialog.reject() }
    property var acceptHandler: function() { dialog.accept() }

    // As wide as the longest line of its texts, wrapped at 500 units.
    readonly property real columnWidth: Math.min(500 * dp, Math.max(question.implicitWidth,
                                                                    explanation.implicitWidth,
                                                                    buttons.implicitWidth))

    width: content.width
    height: content.height
    minimumWidth: width
    maximumWidth: width
    minimumHeight: height
    maximumHeight: height

    FocusScope {
        id: content
        objectName: "questionContent"
        width: dialog.columnWidth + 2 * 60 * dp
        height: Math.min(800 * dp, column.height) + 2 * 45 * dp
        focus: true

        Keys.onEscapePressed: dialog.rejectHandler()
        Keys.onReturnPressed: dialog.acceptHandler()
        Keys.onEnterPressed: dialog.acceptHandler()

        Column {
            id: column
            x: 60 * dp
            y: 45 * dp
            width: dialog.columnWidth
            spacing: 20 * dp

            Text {
                id: question
                objectName: "questionText"
                width: column.width
                visible: text.length > 0
                text: dialog.text
                font.pixelSize: 22 * dp
                font.bold: true
                color: Constants.white
                wrapMode: Text.WordWrap
                horizontalAlignment: Text.AlignHCenter
            }
            Text {
                id: explanation
                objectName: "questionMessage"
                width: column.width
                visible: text.length > 0
                text: dialog.message
                font.pixelSize: 16 * dp
                color: Constants.lightGray
                wrapMode: Text.WordWrap
                horizontalAlignment: Text.AlignHCenter
            }
            // After a further gap of 20 units.
            Item {
                width: column.width
                height: buttons.height + 20 * dp

                Row {
                    id: buttons
                    y: 20 * dp
                    anchors.horizontalCenter: parent.horizontalCenter
                    spacing: 12 * dp

                    GrayBlankButton {
                        objectName: "rejectButton"
                        text: dialog.btnRejectText
                        onClicked: dialog.rejectHandler()
                    }
                    DarkGoldButton {
                        objectName: "acceptButton"
                        text: dialog.btnAcceptText
                        onClicked: dialog.acceptHandler()
                    }
                }
            }
        }
    }
}
