// A menu of one entry that opens something in a new tab through `callback`.
import QtQuick 2.15

VMenu {
    id: menu

    property var callback: null

    VMenuItem {
        objectName: "openInNewTabItem"
        text: qsTr("Открыть в новой вкладке")
        icon.source: "../TabItem/new_tab.svg"
        onTriggered: {
            if (menu.callback)
                menu.callback()
        }
    }
}
