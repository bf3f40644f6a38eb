import QtQuick 2.15

LeftMenuButton {
    source: "FavoritesButton.svg"
    accessibleName: qsTr("Избранное")
}
