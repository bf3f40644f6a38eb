import QtQuick 2.15

IconButtonEx {
    svgSource: "ContentSettingsIcon.svg"
    svgWidth: 20
    svgHeight: 20
    text: qsTr("Настройки текста")
}
