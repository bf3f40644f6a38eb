// The three-state check mark of tree rows: a square when checked, a dot when
// partly checked.
import QtQuick 2.15
import Tarnolix 1.0

Rectangle {
    id: root

    property int checkState: Qt.Unchecked
    property bool pressed: mouseArea.pressed
    property bool hovered: mouseArea.containsMouse

    property color colorStatic: Constants.grayText
    property color colorHover: Constants.colorHover
    property color colorActive: Constants.colorActive
    property color colorPressed: Constants.colorPressed
    readonly property color stateColor: pressed ? colorPressed : hovered ? colorHover : colorStatic
    readonly property color markColor: pressed ? colorPressed : colorActive

    signal clicked()

    implicitWidth: 15 * dp
    implicitHeight: 15 * dp
    color: "transparent"
    radius: 2 * dp
    border.width: dp
    border.color: stateColor

    Rectangle {
        objectName: "checkedMark"
        visible: root.checkState === Qt.Checked
        anchors.fill: parent
        anchors.margins: 2 * dp
        color: root.markColor
    }
    Rectangle {
        objectName: "partialMark"
        visible: root.checkState === Qt.PartiallyChecked
        anchors.fill: parent
        anchors.margins: 3 * dp
        radius: width / 2
        color: root.markColor
    }
    MouseArea {
        id: mouseArea
        anchors.fill: parent
        hoverEnabled: true
        onClicked: root.clicked()
    }
}
