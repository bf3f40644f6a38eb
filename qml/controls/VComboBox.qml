// A chooser whose list opens right under it and never lists the entry
// already chosen.
import QtQuick 2.15
import QtQuick.Controls 2.15
import Tarnolix 1.0

ComboBox {
    id: control

    padding: 16 * dp
    spacing: 8 * dp
    font.pixelSize: Math.round(14 * dp)
    hoverEnabled: true

    background: Rectangle {
        implicitWidth: 120 * dp
        implicitHeight: 40 * dp
        radius: 2 * dp
        color: Constants.grayStroke

        // Joins the field to its open list.
        Rectangle {
            visible: control.popup.visible
            anchors.bottom: parent.bottom
            width: parent.width
            height: 4 * dp
            color: Constants.grayStroke
        }
    }
    indicator: SVGColor {
        x: control.width - control.rightPadding - width
        y: (control.height - height) / 2
        width: 10 * dp
        height: 6 * dp
        source: "VComboBoxIndicator.svg"
        color: Constants.lightBlack
    }
    contentItem: Text {
        rightPadding: control.indicator.width + control.spacing
        text: control.displayText
        font: control.font
        color: Constants.blackText
        verticalAlignment: Text.AlignVCenter
        elide: Text.ElideRight
    }

    delegate: ItemDelegate {
        id: entry

        readonly property bool isCurrent: index === control.currentIndex

        objectName: "entry" + index
        width: control.width
        visible: !isCurrent
        height: isCurrent ? 1 : implicitHeight
        padding: control.padding
        topPadding: 8 * dp
        bottomPadding: 8 * dp
        highlighted: control.highlightedIndex === index
        hoverEnabled: true
        text: control.textRole ? (Array.isArray(control.model) ? modelData[control.textRole] : model[control.textRole])
                               : modelData
        font: control.font

        contentItem: Text {
            text: entry.text
            font: entry.font
            color: Constants.blackText
            verticalAlignment: Text.AlignVCenter
            elide: Text.ElideRight
        }
        background: Rectangle {
            color: entry.highlighted ? Constants.grayText : Constants.grayStroke
        }
    }

    popup: Popup {
        objectName: "comboPopup"
        y: control.height
        width: control.width
        implicitHeight: contentItem.implicitHeight
        padding: 0
        Behavior on height { NumberAnimation { duration: 100 } }

        contentItem: ListView {
            objectName: "comboList"
            clip: true
            implicitHeight: contentHeight
            model: control.popup.visible ? control.delegateModel : null
            currentIndex: control.highlightedIndex
            boundsBehavior: Flickable.StopAtBounds
        }
        background: Rectangle {
            color: Constants.grayStroke
        }
    }
}
