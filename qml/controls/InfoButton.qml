import QtQuick 2.15

IconButton {
    svgSource: "IconInfo.svg"
    svgWidth: 16
    svgHeight: 16
    text: qsTr("О книге")
}
