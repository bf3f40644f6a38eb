// The glossaries that hold the results of a glossary search, with check
// boxes that hide and show their results.
import QtQuick 2.15
import Tarnolix 1.0
import "../../controls"

SearchResultsTree {
    id: root

    treeModel: GlossarySearchResultsModel {}

    delegate: Item {
        id: row

        readonly property color boxColor: branchArea.containsMouse ? Constants.colorPressed : Constants.lightBlack
        readonly property real boxCenterY: label.y + label.height * 0.5 / Math.max(label.lineCount, 1)

        objectName: "resultRow " + model.display
        width: ListView.view.width
        height: Math.floor(label.implicitHeight * 1.4)

        Item {
            id: branchBox
            objectName: "branchBox"
            x: Math.round((50 + model.depth * 27) * dp)
            y: Math.round(row.boxCenterY - height / 2)
            width: Math.round(18 * dp)
            height: width

            SVGColor {
                anchors.fill: parent
                source: "qrc:/controls/IconBook.svg"
                color: row.boxColor
            }
            MouseArea {
                id: branchArea
                anchors.fill: parent
                hoverEnabled: true
                onClicked: model.isExpanded = !model.isExpanded
            }
        }

        CheckBoxIndicator {
            id: checkBox
            objectName: "checkBox"
            visible: model.checkable === true
            x: branchBox.x + branchBox.width + Math.round(13 * dp)
            y: Math.round(row.boxCenterY - height / 2)
            colorActive: Constants.lightBlack
            colorHover: Constants.colorActive
            checkState: model.checkState === undefined ? Qt.Unchecked : model.checkState
            onClicked: model.checkState = model.checkState === Qt.Checked ? Qt.Unchecked : Qt.Checked
        }

        Text {
            id: label
            objectName: "label"
            x: (checkBox.visible ? checkBox.x + checkBox.width : branchBox.x + branchBox.width) + Math.round(13 * dp)
            width: Math.max(0, row.width - x)
            text: model.display === undefined || model.display === null ? "" : model.display
            font.pixelSize: Math.round(16 * dp)
            font.bold: true
            wrapMode: Text.Wrap
            elide: Text.ElideRight
            color: labelArea.containsMouse ? Constants.colorPressed : Constants.lightBlack
            Behavior on color { ColorAnimation { duration: 100 } }
        }

        // A glossary's label opens nothing.
        MouseArea {
            id: labelArea
            anchors.fill: label
            hoverEnabled: true
        }
    }
}
