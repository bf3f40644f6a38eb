// Covers the window while a new program version completes its one-time
// update of the library. It has no buttons; the main window shows it again
// when it is closed.
import QtQuick 2.15
import QtQuick.Layouts 1.15
import Tarnolix 1.0
import "../controls"

VDialog {
    id: dialog

    title: qsTr("Завершение обновления")
    width: 400 * dp
    minimumWidth: width
    maximumWidth: width
    height: Math.floor(width / 2)
    minimumHeight: height
    maximumHeight: height

    ColumnLayout {
        anchors.fill: parent
        spacing: Math.floor(dialog.height * 0.05)

        Item { Layout.fillHeight: true }
        Text {
            objectName: "completingLabel"
            Layout.alignment: Qt.AlignHCenter
            text: qsTr("Завершение обновления")
            color: Constants.white
            font.family: "PT Sans"
            font.pixelSize: Math.round(20 * dp)
        }
        LoaderGray {
            objectName: "busyIndicator"
            Layout.alignment: Qt.AlignHCenter
            running: true
        }
        Item { Layout.fillHeight: true }
    }
}
