import QtQuick 2.15

LeftMenuButton {
    source: checked ? "SanCatalogButtonSelected.svg" : "SanCatalogButton.svg"
    accessibleName: qsTr("Каталог книг на санскрите")
    leftPadding: 4 * dp
    rightPadding: 4 * dp
    topPadding: 5 * dp
    bottomPadding: 5 * dp
}
