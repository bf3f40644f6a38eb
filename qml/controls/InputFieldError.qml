// A text field with an error line under it. With reserveErrorSpace the room
// for the error is kept, so the layout does not move when an error shows.
import QtQuick 2.15
import Tarnolix 1.0

FocusScope {
    id: root

    property alias text: field.text
    property alias placeholderText: field.placeholderText
    property alias echoMode: field.echoMode
    readonly property alias length: field.length
    property bool error: false
    property bool reserveErrorSpace: false
    property string errorText
    property color errorColor: Constants.orange

    readonly property real errorHeight: reserveErrorSpace ? Math.max(34 * dp, label.implicitHeight)
                                                          : label.implicitHeight
    readonly property real maximumHeight: field.height + errorHeight

    signal accepted()
    signal editingFinished()
    signal textEdited()

    implicitHeight: error || reserveErrorSpace ? maximumHeight : field.implicitHeight
    implicitWidth: error && !reserveErrorSpace ? Math.max(field.implicitWidth, label.implicitWidth)
                                               : field.implicitWidth

    InputField {
        id: field
        objectName: "field"
        width: parent.width
        focus: true
        useBorderSettings: root.error
        borderWidth: dpFloor(2)
        borderColor: root.errorColor
        onAccepted: root.accepted()
        onEditingFinished: root.editingFinished()
        onTextEdited: root.textEdited()
    }
    Text {
        id: label
        objectName: "errorLabel"
        y: field.height
        width: parent.width
        visible: root.error
        text: root.errorText
        color: root.errorColor
        font.pixelSize: Math.round(13 * dp)
        wrapMode: Text.WordWrap
    }
}
