import QtQuick 2.15

LeftMenuButton {
    source: checked ? "WBWSearchButtonSelected.svg" : "WBWSearchButton.svg"
    accessibleName: qsTr("Поиск в пословном переводе")
}
