// What the pages of book mode show: five parts of a verse's text. Outside
// book mode the pages show everything, and the boxes keep their states for
// the next time.
import QtQuick 2.15
import QtQuick.Layouts 1.15
import Tarnolix 1.0
import "controls"

Rectangle {
    id: bar

    readonly property Settings settings: Tarnolix.settings

    function applyBoxes() {
        settings.showSanskrit = sanskritBox.checked
        settings.showDiacritic = diacriticBox.checked
        settings.showWordByWord = wordByWordBox.checked
        settings.showTranslate = translateBox.checked
        settings.showComment = commentBox.checked
    }

    function showEverything() {
        settings.showSanskrit = true
        settings.showDiacritic = true
        settings.showWordByWord = true
        settings.showTranslate = true
        settings.showComment = true
    }

    color: Constants.lightBlack
    implicitHeight: row.implicitHeight

    Connections {
        target: Tarnolix
        function onCurTabBookModeChanged() {
            if (Tarnolix.curTabBookMode)
                bar.applyBoxes()
            else
                bar.showEverything()
        }
    }

    RowLayout {
        id: row
        anchors.left: parent.left
        anchors.leftMargin: 16 * dp
        anchors.right: parent.right
        anchors.verticalCenter: parent.verticalCenter
        spacing: 0

        Text {
            text: qsTr("Показывать:")
            color: Constants.lightGray
            font.pixelSize: 16 * dp
        }
        Item { Layout.fillWidth: true; Layout.maximumWidth: 20 * dp }
        VCheckBox {
            id: sanskritBox
            objectName: "showSanskritBox"
            text: qsTr("Санскрит")
            checked: true
            onToggled: bar.settings.showSanskrit = checked
        }
        Item { Layout.fillWidth: true; Layout.maximumWidth: 20 * dp }
        VCheckBox {
            id: diacriticBox
            objectName: "showDiacriticBox"
            text: qsTr("Диакритика")
            checked: true
            onToggled: bar.settings.showDiacritic = checked
        }
        Item { Layout.fillWidth: true; Layout.maximumWidth: 20 * dp }
        VCheckBox {
            id: wordByWordBox
            objectName: "showWordByWordBox"
            text: qsTr("Пословный перевод")
            checked: true
            onToggled: bar.settings.showWordByWord = checked
        }
        Item { Layout.fillWidth: true; Layout.maximumWidth: 20 * dp }
        VCheckBox {
            id: translateBox
            objectName: "showTranslateBox"
            text: qsTr("Перевод")
            checked: true
            onToggled: bar.settings.showTranslate = checked
        }
        Item { Layout.fillWidth: true; Layout.maximumWidth: 20 * dp }
        VCheckBox {
            id: commentBox
            objectName: "showCommentBox"
            text: qsTr("Комментарий")
            checked: true
            onToggled: bar.settings.showComment = checked
        }
        Item { Layout.fillWidth: true }
    }
}
