import QtQuick 2.15

SVGButton {
    source: "CloseDark.svg"
    sourceSize: Qt.size(18, 18)
}
