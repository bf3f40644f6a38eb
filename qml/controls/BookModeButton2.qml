// Enters and leaves the reading mode.
import QtQuick 2.15

IconButton {
    property bool active: false

    svgSource: active ? "BookModeOff.svg" : "BookMode.svg"
    svgWidth: active ? 16 : 20
    svgHeight: 16
    text: active ? qsTr("Выйти из режима чтения") : qsTr("Перейти в режим чтения")
}
