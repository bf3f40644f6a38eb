import QtQuick 2.15

SVGButton {
    source: "ArrowLeft.svg"
    sourceSize: Qt.size(14, 9)
    leftPadding: 4 * dp
    rightPadding: 4 * dp
    topPadding: 6 * dp
    bottomPadding: 6 * dp
}
