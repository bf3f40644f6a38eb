// A tinted icon that is a button: hover-aware, optionally checkable, for
// the left menu and other icon-only places. Sets no size of its own.
import QtQuick 2.15
import Tarnolix 1.0
import "StateColors.js" as StateColors

SVGColor {
    id: root

    readonly property alias pressed: mouseArea.pressed
    readonly property alias hovered: mouseArea.containsMouse
    property bool checked: false
    property bool autoCheckable: false
    property string accessibleName

    property color colorStatic: Constants.colorStatic
    property color colorHover: Constants.colorHover
    property color colorActive: Constants.colorActive
    property color colorPressed: Constants.colorPressed
    property color colorDisabled: Qt.darker(colorStatic, 1.5)
    readonly property color stateColor: StateColors.pick(root, false, true)

    signal clicked()

    function trigger() {
        if (!enabled)
            return
        if (autoCheckable)
            checked = !checked
        clicked()
    }

    color: stateColor
    Behavior on color { ColorAnimation { duration: 200 } }

    Accessible.role: Accessible.Button
    Accessible.name: accessibleName
    Accessible.onPressAction: trigger()

    MouseArea {
        id: mouseArea
        anchors.fill: parent
        hoverEnabled: true
        onClicked: root.trigger()
    }
}
