// The indexing dialog, shown while the books are being indexed: the index
// writers' progress as the application's indexing progress sums it up.
// "Закрыть" closes it and then quits the program on the next turn of the
// event loop.
import QtQuick 2.15
import QtQuick.Controls 2.15
import Tarnolix 1.0
import "../controls"

VDialog {
    id: dialog

    readonly property IndexingProgressInfo info: Tarnolix.indexingProgressInfo
    readonly property int progress: info ? info.progress : 0
    readonly property int progressTotal: info ? info.progressTotal : 0
    readonly property int progressInPercent: info ? info.progressInPercent : 0
    readonly property bool counting: progressTotal !== 0 && progressTotal !== progress

    title: qsTr("Индексация")
    width: 400 * dp
    minimumWidth: width
    maximumWidth: width
    height: Math.floor(width / 2)
    minimumHeight: height
    maximumHeight: height
    color: Constants.lightBlack

    Column {
        anchors.centerIn: parent
        spacing: 16 * dp

        Text {
            objectName: "stateLabel"
            anchors.horizontalCenter: parent.horizontalCenter
            text: dialog.progressTotal !== 0 && dialog.progressTotal === dialog.progress
                  ? qsTr("Завершение индексации") : qsTr("Индексация")
            color: Constants.white
            font.family: "PT Sans"
            font.pixelSize: Math.round(20 * dp)
        }
        LoaderGray {
            objectName: "busyIndicator"
            anchors.horizontalCenter: parent.horizontalCenter
            running: !dialog.counting
        }
        Row {
            objectName: "progressRow"
            anchors.horizontalCenter: parent.horizontalCenter
            visible: dialog.counting

            Text {
                text: qsTr("Прогресс: ")
                color: Constants.grayText
                font.family: "PT Sans"
                font.pixelSize: Math.round(16 * dp)
            }
            Text {
                objectName: "progressText"
                text: dialog.progressInPercent + "% (" + dialog.progress + "/" + dialog.progressTotal + ")"
                color: Constants.white
                font.family: "PT Sans"
                font.pixelSize: Math.round(16 * dp)
            }
        }
    }

    DarkGoldButton {
        objectName: "closeButton"
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        anchors.margins: 10 * dp
        text: qsTr("Закрыть")
        onClicked: {
            dialog.close()
            Qt.callLater(Qt.quit)
        }
    }
}
