import QtQuick 2.15

SVGButton {
    source: "IconSettingsGray.svg"
    sourceSize: Qt.size(20, 20)
    Accessible.name: qsTranslate("SettingsDlg", "Настройки")
}
