// A horizontal line through the middle of its height.
import QtQuick 2.15
import Tarnolix 1.0

Item {
    id: root

    property color color: Constants.lightBlack

    implicitWidth: 100 * dp
    implicitHeight: Math.round(dp)

    Rectangle {
        width: parent.width
        height: Math.round(dp)
        y: (parent.height - height) / 2
        color: root.color
    }
}
