// A monochrome SVG icon drawn at this item's size less the paddings, every
// opaque pixel in `color`. Sets no size of its own.
import QtQuick 2.15

Item {
    id: root

    property url source
    property color color: "black"
    property real leftPadding: 0
    property real topPadding: 0
    property real rightPadding: 0
    property real bottomPadding: 0

    SVGColorQt5 {
        anchors.fill: parent
        source: root.source
        color: root.color
        leftPadding: root.leftPadding
        topPadding: root.topPadding
        rightPadding: root.rightPadding
        bottomPadding: root.bottomPadding
    }
}
