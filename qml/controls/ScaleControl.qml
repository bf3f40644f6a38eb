// "Масштаб: − 125% +": the reader's scale with buttons to change it.
import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Layouts 1.15
import Tarnolix 1.0

RowLayout {
    id: root

    property string text: qsTr("Масштаб:")
    property real scale: 1.0
    property real minScale: 0.5
    property real maxScale: 2.9999
    // Only grows, so the row does not jump as the value changes.
    property real valueMinimumWidth: 0

    signal minusClicked()
    signal plusClicked()

    spacing: dpFloor(6)

    Text {
        text: root.text
        font.pixelSize: Math.round(16 * dp)
        color: Constants.grayText
    }
    SVGButton {
        objectName: "minusButton"
        source: "ScaleMinus.svg"
        sourceSize: Qt.size(13, 1)
        enabled: root.scale > root.minScale
        onClicked: root.minusClicked()
    }
    Text {
        id: value
        objectName: "value"
        Layout.minimumWidth: root.valueMinimumWidth
        horizontalAlignment: Text.AlignHCenter
        text: Number(root.scale * 100).toLocaleString(Qt.locale(), "f", 0) + "%"
        font.pixelSize: Math.round(18 * dp)
        font.bold: true
        color: root.enabled ? Constants.colorActive : Qt.darker(Constants.colorActive, 1.5)
        onImplicitWidthChanged: root.valueMinimumWidth = Math.max(root.valueMinimumWidth, implicitWidth)
        Component.onCompleted: root.valueMinimumWidth = Math.max(root.valueMinimumWidth, implicitWidth)
    }
    SVGButton {
        objectName: "plusButton"
        source: "ScalePlus.svg"
        sourceSize: Qt.size(13, 13)
        enabled: root.scale < root.maxScale
        onClicked: root.plusClicked()
    }
}
