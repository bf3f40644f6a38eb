// A debug aid: outlines its parent.
import QtQuick 2.15

Rectangle {
    anchors.fill: parent
    color: "transparent"
    border.width: 1
    border.color: "blue"
    opacity: 0.3
}
