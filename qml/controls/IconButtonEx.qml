// IconButton that opens something: checkable, with an arrow at its right end
// that turns while checked. Its icon keeps unfloored sizes; checked shows the
// static colour, and hover wins over checked.
import QtQuick 2.15

IconButton {
    id: control

    readonly property real indicatorWidth: 10 * dp

    checkable: true
    iconWidth: dp * svgWidth
    iconHeight: dp * svgHeight
    hoveredBeforeChecked: true
    colorActive: colorStatic
    rightPadding: padding + spacing + indicatorWidth

    SVGColor {
        objectName: "indicator"
        x: control.width - control.padding - width
        anchors.verticalCenter: parent.verticalCenter
        width: control.indicatorWidth
        height: 6 * dp
        source: "IconButtonIndicator.svg"
        color: control.shownColor
        rotation: control.checked ? 180 : 0
        Behavior on rotation { RotationAnimation { duration: 100 } }
    }
}
