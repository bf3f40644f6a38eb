import QtQuick 2.15

SVGColor {
    source: "Search.svg"
    implicitWidth: 20 * dp
    implicitHeight: 20 * dp
}
