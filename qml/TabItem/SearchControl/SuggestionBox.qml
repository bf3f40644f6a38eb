// The popup under the search field: completions of the word being typed on
// the left, the occurrence counts of the whole query on the right. Both
// helpers work on their own threads and serve only the newest request;
// hiding the popup drops their results.
import QtQuick 2.15
import QtQuick.Controls 2.15
import Tarnolix 1.0
import "../../controls"

Popup {
    id: root
    objectName: "suggestionBox"

    property SearchSettingsCreator settingsCreator: null
    // The field's width and how far right of the field the popup starts.
    property real fieldWidth: 0
    property real hintX: 0
    property real maxHeight: 0

    property var completions: []
    property var terms: []
    property int totalFreq: 0
    readonly property int currentIndex: completionList.currentIndex
    readonly property var currentWord: currentIndex >= 0 && currentIndex < completions.length
                                       ? completions[currentIndex] : null
    readonly property alias counting: occurrences.active

    signal wordSelected(string word)

    function setPrefix(prefix) { autocomplet.setPrefix(prefix) }

    // Both keys wrap; from none, Down takes the first and Up the last.
    function selectNext() {
        if (completions.length === 0)
            return
        completionList.currentIndex = currentIndex < 0 || currentIndex >= completions.length - 1 ? 0 : currentIndex + 1
    }
    function selectPrevious() {
        if (completions.length === 0)
            return
        completionList.currentIndex = currentIndex <= 0 ? completions.length - 1 : currentIndex - 1
    }

    readonly property real rowHeight: Math.round(16 * dp) + 2 * Math.round(5 * dp)
    readonly property real listHeight: rowHeight * Math.min(completions.length, 9.6)
    readonly property real areaMarginX: 20 * dp
    readonly property real areaMarginY: 15 * dp
    readonly property real occurrenceHeight: occurrences.active ? 2 * busy.implicitHeight
                                             : terms.length > 0 ? labels.height + 2 * areaMarginY : 0

    modal: false
    focus: false
    closePolicy: Popup.CloseOnEscape | Popup.CloseOnPressOutsideParent
    padding: 0
    width: Math.max(0, fieldWidth - hintX)
    height: Math.min(Math.ceil(dp + Math.max(listHeight, occurrenceHeight)), Math.floor(maxHeight))

    onClosed: {
        autocomplet.reset()
        occurrences.reset()
    }

    AutocompletHelper {
        id: autocomplet
        searchSettingsCreator: root.settingsCreator
        onFinished: {
            root.completions = getResults()
            completionList.currentIndex = -1
        }
    }

    NumberOccurrencesHelper {
        id: occurrences
        searchSettingsCreator: root.settingsCreator
        onFinished: {
            var result = getResult()
            var list = result && result.terms ? result.terms : []
            root.totalFreq = list.length > 0 ? result.totalFreq : 0
            root.terms = list
            drawing.requestPaint()
        }
    }

    background: Rectangle {
        color: Constants.lightGray
    }

    contentItem: Item {
        // No click reaches the web view beneath.
        MouseArea {
            anchors.fill: parent
            acceptedButtons: Qt.LeftButton | Qt.RightButton | Qt.MiddleButton
        }

        Rectangle {
            width: parent.width
            height: Math.max(1, Math.round(dp))
            color: Constants.grayStroke
        }

        ListView {
            id: completionList
            objectName: "completionList"
            y: Math.round(dp)
            width: Math.floor(parent.width / 2)
            height: Math.min(root.listHeight, parent.height - y)
            clip: true
            model: root.completions
            currentIndex: -1
            boundsBehavior: Flickable.StopAtBounds
            highlightMoveDuration: 100
            highlightMoveVelocity: -1
            highlightFollowsCurrentItem: true
            highlight: Rectangle { color: Constants.colorActive }
            ScrollBar.vertical: ScrollBar {
                policy: root.completions.length > 9 ? ScrollBar.AlwaysOn : ScrollBar.AsNeeded
            }

            delegate: Text {
                width: completionList.width
                height: root.rowHeight
                leftPadding: 12 * dp
                rightPadding: 12 * dp
                topPadding: 5 * dp
                bottomPadding: 5 * dp
                text: modelData
                font.pixelSize: Math.round(16 * dp)
                color: Constants.lightBlack
                elide: Text.ElideRight
                verticalAlignment: Text.AlignVCenter

                MouseArea {
                    anchors.fill: parent
                    hoverEnabled: true
                    onEntered: completionList.currentIndex = index
                    onClicked: {
                        completionList.currentIndex = index
                        root.wordSelected(modelData)
                    }
                }
            }
        }

        Rectangle {
            x: Math.floor(parent.width / 2)
            y: Math.round(dp)
            width: Math.max(1, Math.round(dp))
            height: parent.height - y
            color: Constants.grayStroke
        }

        Item {
            id: occurrenceHalf
            x: Math.floor(parent.width / 2) + Math.max(1, Math.round(dp))
            y: Math.round(dp)
            width: parent.width - x
            height: parent.height - y
            clip: true

            LoaderBlack {
                id: busy
                objectName: "occurrenceBusy"
                anchors.centerIn: parent
                running: occurrences.active
            }

            Flickable {
                id: occurrenceArea
                objectName: "occurrenceArea"
                anchors.fill: parent
                visible: !occurrences.active
                contentWidth: Math.max(width, drawing.width)
                contentHeight: Math.max(height, labels.height + 2 * root.areaMarginY)
                flickableDirection: Flickable.HorizontalAndVerticalFlick
                boundsBehavior: Flickable.StopAtBounds

                Canvas {
                    id: drawing
                    objectName: "occurrenceDrawing"
                    width: Math.max(occurrenceArea.width, root.totalRight + 2 * root.areaMarginX)
                    height: occurrenceArea.contentHeight
                    onWidthChanged: requestPaint()
                    onHeightChanged: requestPaint()
                    onPaint: root.paintOccurrences(getContext("2d"))
                }

                Column {
                    id: labels
                    objectName: "occurrenceLabels"
                    x: root.areaMarginX
                    y: root.areaMarginY
                    onWidthChanged: drawing.requestPaint()
                    onHeightChanged: drawing.requestPaint()

                    Repeater {
                        id: labelRepeater
                        model: root.terms
                        onItemAdded: drawing.requestPaint()
                        delegate: Text {
                            objectName: "occurrenceLabel" + index
                            width: Math.min(implicitWidth, 0.75 * (occurrenceArea.width - 2 * root.areaMarginX))
                            leftPadding: 7 * dp
                            rightPadding: 7 * dp
                            topPadding: 5 * dp
                            bottomPadding: 5 * dp
                            font.pixelSize: Math.round(16 * dp)
                            color: Constants.lightBlack
                            elide: Text.ElideMiddle
                            textFormat: Text.StyledText
                            text: root.escapeHtml(modelData.term) + " - <font color=\"" + Constants.darkGold + "\">"
                                  + modelData.freq + "</font>"
                        }
                    }
                }
            }
        }
    }

    function escapeHtml(text) {
        return String(text).replace(/&/g, "&amp;").replace(/</g, "&lt;").replace(/>/g, "&gt;")
    }

    // Where the total's text ends, for the drawing's width.
    property real totalRight: 0

    function paintOccurrences(ctx) {
        ctx.reset()
        ctx.fillStyle = Constants.lightGray
        ctx.fillRect(0, 0, drawing.width, drawing.height)
        var count = labelRepeater.count
        if (count < 2 || terms.length < 2)
            return
        var step = 15 * dp
        var widest = 0
        var i
        for (i = 0; i < count; ++i)
            widest = Math.max(widest, labelRepeater.itemAt(i).width)
        var commonX = Math.round(labels.x + widest + step) + 0.5
        var middles = []
        ctx.strokeStyle = Constants.darkGray
        ctx.lineWidth = Math.max(1, Math.round(dp))
        ctx.beginPath()
        for (i = 0; i < count; ++i) {
            var label = labelRepeater.itemAt(i)
            var middle = Math.round(labels.y + label.y + label.height / 2) + 0.5
            middles.push(middle)
            ctx.moveTo(labels.x + label.width, middle)
            ctx.lineTo(commonX, middle)
        }
        ctx.moveTo(commonX, middles[0])
        ctx.lineTo(commonX, middles[count - 1])
        var centre = Math.round((middles[0] + middles[count - 1]) / 2) + 0.5
        ctx.moveTo(commonX, centre)
        ctx.lineTo(commonX + step, centre)
        ctx.stroke()

        var pixelSize = Math.round(16 * dp)
        ctx.font = pixelSize + "px \"PT Sans\""
        ctx.fillStyle = Constants.darkGold
        var textX = commonX + step + Math.floor(step / 2)
        ctx.fillText(String(totalFreq), textX, centre + Math.floor(0.3 * pixelSize))
        var right = textX + ctx.measureText(String(totalFreq)).width
        if (Math.abs(right - totalRight) > 1)
            totalRight = right
    }
}
