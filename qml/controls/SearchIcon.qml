import QtQuick 2.15

SVGColor {
    source: "Search.svg"
    width: 20 * dp
    height: 20 * dp
}
