import QtQuick 2.15

LeftMenuButton {
    source: checked ? "EngCatalogButtonSelected.svg" : "EngCatalogButton.svg"
    accessibleName: qsTr("Каталог английских книг")
}
