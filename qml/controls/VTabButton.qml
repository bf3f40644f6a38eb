// A text tab underlined while checked.
import QtQuick 2.15
import QtQuick.Controls 2.15

TabButton {
    id: control

    padding: 2 * dp
    font.pixelSize: Math.round(13 * dp)
    hoverEnabled: true

    contentItem: Text {
        id: label
        text: control.text
        font: control.font
        color: control.palette.windowText
        horizontalAlignment: Text.AlignHCenter
        verticalAlignment: Text.AlignVCenter
        elide: Text.ElideRight
    }
    background: Item {
        Rectangle {
            objectName: "underline"
            visible: control.checked
            width: Math.min(label.paintedWidth, label.width)
            height: Math.max(control.height / 70, 1)
            x: label.x + (label.width - width) / 2
            anchors.bottom: parent.bottom
            color: control.palette.windowText
        }
    }
}
