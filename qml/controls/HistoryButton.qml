import QtQuick 2.15

IconButton {
    svgSource: "HistoryIcon.svg"
    svgWidth: 20
    svgHeight: 20
    text: qsTr("История")
}
