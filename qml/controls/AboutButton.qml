import QtQuick 2.15

SVGButton {
    source: "AboutButton.svg"
    sourceSize: Qt.size(12, 19)
    Accessible.name: qsTranslate("About", "О программе Tarnolix")
}
