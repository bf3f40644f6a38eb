// The name of a left-menu icon, beside it with a pointer to it, shown while
// the icon is hovered and not pressed, after a moment.
import QtQuick 2.15
import QtQuick.Controls 2.15
import Tarnolix 1.0

ToolTip {
    id: tip

    x: parent ? parent.width + 2 * dp : 0
    y: parent ? (parent.height - height) / 2 : 0
    visible: parent ? parent.hovered && !parent.pressed : false
    delay: 500
    padding: 6 * dp
    leftPadding: 10 * dp
    font.pixelSize: Math.round(14 * dp)

    contentItem: Text {
        text: tip.text
        font: tip.font
        color: Constants.white
    }
    background: Item {
        Rectangle {
            x: 4 * dp
            width: parent.width - x
            height: parent.height
            radius: 2
            color: Constants.darkGray
        }
        Rectangle {
            width: 8 * dp
            height: width
            x: 4 * dp - width / 2
            anchors.verticalCenter: parent.verticalCenter
            rotation: 45
            color: Constants.darkGray
        }
    }
}
