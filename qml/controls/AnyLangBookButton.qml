import QtQuick 2.15

IconButton {
    svgSource: "IconGlobus.svg"
    svgWidth: 16
    svgHeight: 16
}
