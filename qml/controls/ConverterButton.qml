// The converter's icon of the left menu; a dot in its middle marks it checked.
import QtQuick 2.15

LeftMenuButton {
    id: root

    source: "ConverterButton.svg"
    accessibleName: qsTr("Конвертер кодировок")
    leftPadding: dpFloor(6)
    rightPadding: dpFloor(6)
    topPadding: dpFloor(6)
    bottomPadding: dpFloor(5)

    Rectangle {
        objectName: "checkedDot"
        visible: root.checked
        anchors.centerIn: parent
        width: 4 * dp
        height: width
        radius: width / 2
        color: root.colorActive
    }
}
