// A button that is a tinted icon of `sourceSize` units, without background.
import QtQuick 2.15
import QtQuick.Controls 2.15
import Tarnolix 1.0
import "StateColors.js" as StateColors

Button {
    id: control

    property url source
    property size sourceSize

    property color colorStatic: Constants.colorStatic
    property color colorHover: Constants.colorHover
    property color colorActive: Constants.colorActive
    property color colorPressed: Constants.colorPressed
    property color colorDisabled: Qt.darker(colorStatic, 1.5)
    readonly property color stateColor: StateColors.pick(control, false, true)
    property color shownColor: stateColor
    Behavior on shownColor { ColorAnimation { duration: 200 } }

    padding: dpFloor(3)
    horizontalPadding: padding
    topInset: 0
    bottomInset: 0
    leftInset: 0
    rightInset: 0
    implicitWidth: Math.ceil(dp * sourceSize.width + leftPadding + rightPadding)
    implicitHeight: Math.ceil(dp * sourceSize.height + topPadding + bottomPadding)
    focusPolicy: Qt.TabFocus
    hoverEnabled: true

    contentItem: SVGColor {
        source: control.source
        color: control.shownColor
    }
    background: null
}
