import QtQuick 2.15

LeftMenuButton {
    source: "AiButton.svg"
    accessibleName: qsTr("AI-чат")
}
