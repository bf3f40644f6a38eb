// A line between VMenu entries; a hidden one takes no room.
import QtQuick 2.15
import QtQuick.Controls 2.15

MenuSeparator {
    id: control

    height: visible ? implicitHeight : 0
    topPadding: dpFloor(4)
    bottomPadding: dpFloor(4)

    contentItem: Rectangle {
        implicitWidth: 100 * dp
        implicitHeight: Math.max(1, Math.round(dp))
        color: control.palette.mid
    }
}
