// A button of an icon followed by a text, both in the state colour, without
// background.
import QtQuick 2.15
import QtQuick.Controls 2.15
import Tarnolix 1.0
import "StateColors.js" as StateColors

Button {
    id: control

    property url svgSource
    property real svgWidth: 16
    property real svgHeight: 16
    // The icon's shown size in pixels.
    property real iconWidth: dpFloor(svgWidth)
    property real iconHeight: dpFloor(svgHeight)
    property bool hoveredBeforeChecked: false

    property color colorStatic: Constants.colorStatic
    property color colorHover: Constants.colorHover
    property color colorActive: Constants.colorActive
    property color colorPressed: Constants.colorPressed
    property color colorDisabled: Qt.darker(colorStatic, 1.5)
    readonly property color stateColor: StateColors.pick(control, hoveredBeforeChecked, true)
    property color shownColor: stateColor
    Behavior on shownColor { ColorAnimation { duration: 200 } }

    padding: dpFloor(5)
    horizontalPadding: padding
    spacing: dpFloor(6)
    font.pixelSize: Math.round(16 * dp)
    focusPolicy: Qt.TabFocus
    hoverEnabled: true

    contentItem: Item {
        implicitWidth: icon.width + (control.text.length > 0 ? control.spacing + label.implicitWidth : 0)
        implicitHeight: Math.max(control.iconHeight, label.implicitHeight)

        SVGColor {
            id: icon
            objectName: "icon"
            width: control.svgSource.toString().length > 0 ? control.iconWidth : 0
            height: Math.min(control.iconHeight, parent.height)
            anchors.verticalCenter: parent.verticalCenter
            source: control.svgSource
            color: control.shownColor
        }
        Text {
            id: label
            x: icon.width + (icon.width > 0 ? control.spacing : 0)
            width: parent.width - x
            anchors.verticalCenter: parent.verticalCenter
            visible: text.length > 0
            text: control.text
            font: control.font
            color: control.shownColor
            horizontalAlignment: Text.AlignHCenter
            verticalAlignment: Text.AlignVCenter
            elide: Text.ElideRight
        }
    }
    background: null
}
