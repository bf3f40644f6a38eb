// A search box: it reports the text 100 ms after the last edit, and has a
// clear button and a search button at its right end.
import QtQuick 2.15
import Tarnolix 1.0

InputField {
    id: control

    property bool acceptedOnTextChanged: true
    readonly property bool focusMode: activeFocus || textContextMenu.menuVisible
    property bool resetting: false

    signal cancelClicked()

    // Clears the text without reporting it.
    function reset() {
        resetting = true
        text = ""
        resetting = false
    }

    color: focusMode ? Constants.blackText : Constants.grayText
    Behavior on color { ColorAnimation { duration: 50 } }
    // The text never runs under the buttons.
    rightPadding: Math.floor(width - clearButton.x) * 1.1

    background: Rectangle {
        radius: 2
        color: control.focusMode ? Constants.lightGray : "transparent"
        border.width: control.useBorderSettings ? control.borderWidth : dp
        border.color: control.useBorderSettings ? control.borderColor
                                                : control.focusMode ? Constants.grayStroke : Constants.grayText
        Behavior on color { ColorAnimation { duration: 50 } }
        Behavior on border.color { ColorAnimation { duration: 50 } }
    }

    onTextChanged: {
        if (acceptedOnTextChanged && !resetting)
            typingTimer.restart()
    }
    onAccepted: typingTimer.stop()
    onActiveFocusChanged: {
        if (activeFocus && !textContextMenu.closing)
            selectAll()
    }

    Timer {
        id: typingTimer
        objectName: "typingTimer"
        interval: 100
        onTriggered: control.accepted()
    }
    SearchButton {
        id: searchButton
        objectName: "searchButton"
        z: 2
        anchors.right: parent.right
        anchors.rightMargin: 15 * dp
        anchors.verticalCenter: parent.verticalCenter
        colorStatic: control.focusMode ? Constants.lightBlack : Constants.grayText
        onClicked: control.accepted()
    }
    CloseDarkButton {
        id: clearButton
        objectName: "clearButton"
        z: 2
        anchors.right: searchButton.left
        anchors.rightMargin: 10 * dp
        anchors.verticalCenter: parent.verticalCenter
        colorStatic: control.focusMode ? Constants.lightBlack : Constants.grayText
        opacity: control.text.length > 0 ? 1 : 0
        visible: opacity > 0
        Behavior on opacity { NumberAnimation { duration: 100 } }
        onClicked: {
            if (!control.activeFocus)
                control.forceActiveFocus()
            control.reset()
            control.cancelClicked()
        }
    }
}
