import QtQuick 2.15
import Tarnolix 1.0

IconButton {
    property bool active: false

    svgSource: "delete.svg"
    iconWidth: dpFloor(16)
    iconHeight: dpFloor(16)
    colorStatic: Constants.lightGold
    text: qsTr("Удалить")
}
