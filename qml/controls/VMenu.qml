// The interface's menu: dark, gold text, as wide as its widest shown item,
// opened at the mouse.
import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Window 2.15
import Tarnolix 1.0

Menu {
    id: menu

    // At the mouse pointer.
    function open() {
        popup()
    }

    width: {
        var widest = implicitWidth
        if (!visible)
            return widest
        for (var i = 0; i < count; ++i) {
            var item = itemAt(i)
            if (item && item.visible)
                widest = Math.max(widest, item.implicitWidth + leftPadding + rightPadding)
        }
        return widest
    }
    topPadding: dpFloor(4)
    bottomPadding: dpFloor(4)
    font.pixelSize: dpFloor(14)

    palette.windowText: Constants.lightGold
    palette.light: Constants.blackMenu
    palette.midlight: Constants.blackText
    palette.mid: Constants.darkGold

    delegate: VMenuItem {}

    enter: Transition {
        NumberAnimation { property: "opacity"; from: 0; to: 1; duration: 100 }
    }
    exit: Transition {
        NumberAnimation { property: "opacity"; from: 1; to: 0; duration: 100 }
    }

    background: Rectangle {
        implicitWidth: 200 * dp
        implicitHeight: 40 * dp
        color: menu.palette.window
        border.color: Constants.blackMenu
    }

    // A window that gains or loses activation takes the menu away.
    Connections {
        target: menu.parent ? menu.parent.Window.window : null
        function onActiveChanged() { menu.close() }
    }
}
