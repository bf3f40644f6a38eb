// An entry of VMenu; a hidden entry takes no room.
import QtQuick 2.15
import QtQuick.Controls 2.15

MenuItem {
    id: control

    height: visible ? implicitHeight : 0
    leftPadding: dpFloor(8)
    rightPadding: dpFloor(8)
    topPadding: dpFloor(4)
    bottomPadding: dpFloor(4)
    spacing: dpFloor(8)
    opacity: enabled ? 1 : 0.5
    hoverEnabled: true
    indicator: null
    arrow: null

    contentItem: Item {
        implicitWidth: (icon.visible ? icon.width + control.spacing : 0) + label.implicitWidth
        implicitHeight: Math.max(icon.height, label.implicitHeight)

        SVGColor {
            id: icon
            visible: control.icon.source.toString().length > 0
            width: dpFloor(16)
            height: dpFloor(16)
            anchors.verticalCenter: parent.verticalCenter
            source: control.icon.source
            color: control.palette.windowText
        }
        Text {
            id: label
            x: icon.visible ? icon.width + control.spacing : 0
            width: parent.width - x
            anchors.verticalCenter: parent.verticalCenter
            text: control.text
            font: control.font
            color: control.palette.windowText
            elide: Text.ElideRight
            verticalAlignment: Text.AlignVCenter
        }
    }
    background: Item {
        implicitHeight: control.implicitContentHeight + control.topPadding + control.bottomPadding
        Rectangle {
            anchors.fill: parent
            anchors.margins: 1
            color: control.pressed ? control.palette.midlight
                                   : control.highlighted && control.hovered ? control.palette.light : "transparent"
        }
    }
}
