import QtQuick 2.15

IconButton {
    svgSource: "IconBook.svg"
    svgWidth: 18
    svgHeight: 18
}
