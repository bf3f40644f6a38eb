// The cut, copy and paste menu of a text input, opened by a right click or
// a press and hold of the mouse. It covers the input but lets every other
// click through.
import QtQuick 2.15
import QtQuick.Controls 2.15

Item {
    id: root

    property Item textInput: parent
    property bool allowCut: true
    property bool allowPaste: true
    // From the moment the menu starts hiding until it has closed.
    property bool closing: false
    readonly property bool menuVisible: menu.visible
    readonly property alias menu: menu
    property bool keptPersistentSelection: false

    function open() {
        keptPersistentSelection = textInput.persistentSelection
        textInput.persistentSelection = true
        menu.open()
    }

    anchors.fill: parent

    MouseArea {
        anchors.fill: parent
        acceptedButtons: Qt.RightButton
        cursorShape: Qt.IBeamCursor
        onClicked: root.open()
    }
    Connections {
        target: root.textInput
        ignoreUnknownSignals: true
        function onPressAndHold(event) {
            if (event.source === Qt.MouseEventNotSynthesized)
                root.open()
        }
    }

    VMenu {
        id: menu
        objectName: "textContextMenu"

        onAboutToHide: root.closing = true
        onClosed: {
            root.textInput.persistentSelection = root.keptPersistentSelection
            root.closing = false
        }

        VMenuItem {
            objectName: "cutItem"
            text: qsTr("Вырезать")
            icon.source: "cut.svg"
            visible: root.allowCut
            enabled: root.textInput.selectedText.length > 0
            onTriggered: root.textInput.cut()
        }
        VMenuItem {
            objectName: "copyItem"
            text: qsTr("Копировать")
            icon.source: "copy.svg"
            enabled: root.textInput.selectedText.length > 0
            onTriggered: root.textInput.copy()
        }
        VMenuItem {
            objectName: "pasteItem"
            text: qsTr("Вставить")
            icon.source: "paste.svg"
            visible: root.allowPaste
            onTriggered: root.textInput.paste()
        }
    }
}
