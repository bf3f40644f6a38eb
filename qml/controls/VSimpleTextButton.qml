// Clickable text in the state colour. Sets no size of its own.
import QtQuick 2.15
import QtQuick.Controls 2.15
import Tarnolix 1.0
import "StateColors.js" as StateColors

Label {
    id: root

    readonly property alias pressed: mouseArea.pressed
    readonly property alias hovered: mouseArea.containsMouse
    property bool checked: false
    property bool autoCheckable: false

    property color colorStatic: Constants.colorStatic
    property color colorHover: Constants.colorHover
    property color colorActive: Constants.colorActive
    property color colorPressed: Constants.colorPressed
    property color colorDisabled: Qt.darker(colorStatic, 1.5)
    readonly property color stateColor: StateColors.pick(root, false, true)

    signal clicked()

    font.pixelSize: Math.round(14 * dp)
    color: stateColor
    Behavior on color { ColorAnimation { duration: 200 } }

    MouseArea {
        id: mouseArea
        anchors.fill: parent
        hoverEnabled: true
        onClicked: {
            if (root.autoCheckable)
                root.checked = !root.checked
            root.clicked()
        }
    }
}
