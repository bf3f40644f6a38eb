// An outlined button: text and a thin frame in the state colour on no fill.
// It has no disabled colour.
import QtQuick 2.15
import QtQuick.Controls 2.15
import Tarnolix 1.0
import "StateColors.js" as StateColors

Button {
    id: control

    property color colorStatic: Constants.colorStatic
    property color colorHover: Constants.colorHover
    property color colorActive: Constants.colorActive
    property color colorPressed: Constants.colorPressed
    readonly property color stateColor: StateColors.pick(control, false, false)
    property color shownColor: stateColor
    Behavior on shownColor { ColorAnimation { duration: 200 } }

    leftPadding: 42 * dp
    rightPadding: 42 * dp
    topPadding: 6 * dp
    bottomPadding: 6 * dp
    font.pixelSize: Math.round(14 * dp)
    focusPolicy: Qt.TabFocus
    hoverEnabled: true

    contentItem: Text {
        text: control.text
        font: control.font
        color: control.shownColor
        horizontalAlignment: Text.AlignHCenter
        verticalAlignment: Text.AlignVCenter
        elide: Text.ElideRight
    }
    background: Rectangle {
        color: "transparent"
        radius: 2
        border.width: dp
        border.color: control.shownColor
    }
}
