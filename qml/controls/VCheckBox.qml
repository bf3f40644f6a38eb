// A check box: a thin square frame and its text in the state colour, a gold
// square inside while checked.
import QtQuick 2.15
import QtQuick.Controls 2.15
import Tarnolix 1.0

CheckBox {
    id: control

    property color colorStatic: Constants.colorStatic
    property color colorHover: Constants.colorHover
    property color colorActive: Constants.colorActive
    property color colorPressed: Constants.colorPressed
    readonly property color stateColor: pressed ? colorPressed : hovered ? colorHover : colorStatic
    property color shownColor: stateColor
    Behavior on shownColor { ColorAnimation { duration: 200 } }

    font.pixelSize: Math.round(15 * dp)
    hoverEnabled: true
    Accessible.name: text

    indicator: Rectangle {
        implicitWidth: 15 * dp
        implicitHeight: 15 * dp
        x: control.leftPadding
        y: control.topPadding + (control.availableHeight - height) / 2
        color: "transparent"
        radius: 2
        border.width: dp
        border.color: control.shownColor

        Rectangle {
            objectName: "checkMark"
            anchors.centerIn: parent
            width: control.checked ? parent.width - 2 * parent.border.width - 2 * dp : 0
            height: width
            color: control.pressed ? control.colorPressed : control.colorActive
            Behavior on width { NumberAnimation { duration: 100 } }
        }
    }
    contentItem: Text {
        leftPadding: control.indicator.width + control.spacing
        text: control.text
        font: control.font
        color: control.shownColor
        verticalAlignment: Text.AlignVCenter
    }
}
