// A choice between two values: "text: text1 | text2".
import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Layouts 1.15

Control {
    id: root

    property string text
    property string text1
    property string text2
    property var value1
    property var value2
    property var currentValue
    property bool autoChecked: false

    signal clicked(var value)

    function choose(value) {
        if (autoChecked)
            currentValue = value
        clicked(value)
    }

    font.pixelSize: Math.round(15 * dp)

    contentItem: RowLayout {
        spacing: 0

        Label {
            Layout.fillWidth: true
            text: root.text + ": "
            font: root.font
            color: root.palette.windowText
        }
        VSimpleTextButton {
            objectName: "button1"
            Layout.fillWidth: true
            text: root.text1
            font: root.font
            checked: root.currentValue === root.value1
            onClicked: root.choose(root.value1)
        }
        Label {
            text: " | "
            font: root.font
            color: root.palette.windowText
        }
        VSimpleTextButton {
            objectName: "button2"
            Layout.fillWidth: true
            text: root.text2
            font: root.font
            checked: root.currentValue === root.value2
            onClicked: root.choose(root.value2)
        }
    }
}
