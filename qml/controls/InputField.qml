// The interface's text field: light, with a thin frame, selecting all when
// reached by Tab, with the cut, copy and paste menu.
import QtQuick 2.15
import QtQuick.Controls 2.15
import Tarnolix 1.0

TextField {
    id: control

    property bool useBorderSettings: false
    property real borderWidth: Math.round(dp)
    property color borderColor: Constants.grayStroke
    readonly property alias textContextMenu: contextMenu

    implicitWidth: dpFloor(100)
    leftPadding: dpFloor(12)
    rightPadding: dpFloor(12)
    topPadding: dpFloor(8)
    bottomPadding: dpFloor(8)
    font.pixelSize: Math.round(16 * dp)
    placeholderTextColor: Constants.grayText
    selectByMouse: true

    background: Rectangle {
        color: Constants.lightGray
        radius: 2
        border.width: control.useBorderSettings ? control.borderWidth : Math.round(dp)
        border.color: control.useBorderSettings ? control.borderColor : Constants.grayStroke
    }

    onActiveFocusChanged: {
        if (activeFocus && (focusReason === Qt.TabFocusReason || focusReason === Qt.BacktabFocusReason)
                && !contextMenu.closing)
            selectAll()
    }

    TextContextMenu {
        id: contextMenu
        textInput: control
    }
}
