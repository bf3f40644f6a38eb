import QtQuick 2.15

LeftMenuButton {
    source: checked ? "GlossaryButtonSelected.svg" : "GlossaryButton.svg"
    accessibleName: qsTr("Санскритские словари")
}
