// An icon of the left menu: a square tinted button with its name as a tool
// tip beside it.
import QtQuick 2.15

SVGSimpleButton {
    id: root

    implicitWidth: dpFloor(32)
    implicitHeight: dpFloor(32)

    LeftMenuToolTip {
        objectName: "toolTip"
        text: root.accessibleName
    }
}
