// SVGColor's drawing: the icon rendered at the item's size less the
// paddings, hidden, under a colour overlay in `color`.
import QtQuick 2.15
import QtGraphicalEffects 1.12

Item {
    id: root

    property url source
    property color color: "black"
    property real leftPadding: 0
    property real topPadding: 0
    property real rightPadding: 0
    property real bottomPadding: 0

    Image {
        id: image
        x: root.leftPadding
        y: root.topPadding
        width: Math.max(0, root.width - root.leftPadding - root.rightPadding)
        height: Math.max(0, root.height - root.topPadding - root.bottomPadding)
        source: root.source
        // Rendered at the shown size, never scaled from a smaller bitmap.
        sourceSize: Qt.size(Math.max(1, Math.round(width)), Math.max(1, Math.round(height)))
        fillMode: Image.PreserveAspectFit
        smooth: true
        visible: false
    }
    ColorOverlay {
        anchors.fill: image
        source: image
        color: root.color
    }
}
