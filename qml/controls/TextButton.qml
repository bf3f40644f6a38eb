// A button that is only its text, in the state colour.
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
    property color colorDisabled: Qt.darker(colorStatic, 1.5)
    readonly property color stateColor: StateColors.pick(control, false, true)
    property color shownColor: stateColor
    Behavior on shownColor { ColorAnimation { duration: 200 } }

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
    background: null
}
