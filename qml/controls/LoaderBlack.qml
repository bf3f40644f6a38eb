// A busy indicator: hidden unless running, its image turning in steps.
import QtQuick 2.15

Item {
    id: root

    property alias running: root.visible
    property url imageSource: "LoaderBlack.svg"

    visible: false
    implicitWidth: 36 * dp
    implicitHeight: 36 * dp

    Image {
        id: image
        objectName: "image"
        anchors.fill: parent
        source: root.imageSource
        sourceSize: Qt.size(Math.max(1, Math.round(width)), Math.max(1, Math.round(height)))
        smooth: true
    }
    Timer {
        interval: 100
        repeat: true
        running: root.visible
        onTriggered: image.rotation = (image.rotation + 30) % 360
    }
}
