import QtQuick 2.15

IconButton {
    svgSource: "Return.svg"
    svgWidth: 16
    svgHeight: 16
    leftPadding: 0
    rightPadding: 0
}
