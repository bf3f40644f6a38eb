import QtQuick 2.15

LeftMenuButton {
    source: checked ? "RusCatalogButtonSelected.svg" : "RusCatalogButton.svg"
    accessibleName: qsTr("Каталог русских книг")
}
