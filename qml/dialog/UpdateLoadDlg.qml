// The download of a new program version. It hands over to the installer
// once the download is complete and checked; the program then quits.
// "Отмена" only reports rejected: the opener destroys the dialog, and with
// it the download.
import QtQuick 2.15
import QtQuick.Controls 2.15
import Tarnolix 1.0
import "../controls"

VDialog {
    id: dialog

    readonly property alias loader: loader

    function load() {
        console.log("Load update")
        loader.load()
    }

    width: Math.max(content.width + 80 * dp, 400 * dp)
    height: content.height + 80 * dp
    minimumWidth: width
    maximumWidth: width
    minimumHeight: height
    maximumHeight: height

    UpdateLoader {
        id: loader
        onErrorChanged: if (error) dialog.reject()
        onInstallReadyChanged: if (installReady) install()
        onInstallerStarted: dialog.accept()
    }

    Column {
        id: content
        x: 40 * dp
        y: 40 * dp
        width: Math.max(implicitWidth, 320 * dp)
        spacing: 20 * dp

        Text {
            objectName: "loadLabel"
            anchors.horizontalCenter: parent.horizontalCenter
            text: qsTr("Загрузка обновления")
            color: Constants.white
            font.family: "PT Sans"
            font.pixelSize: Math.round(20 * dp)
        }
        ProgressBar {
            objectName: "loadProgress"
            width: parent.width
            from: 0
            to: Math.max(loader.bytesTotal, 1)
            value: loader.bytesReceived
        }
        DarkGoldButton {
            objectName: "cancelButton"
            anchors.horizontalCenter: parent.horizontalCenter
            text: qsTr("Отмена")
            onClicked: dialog.rejected()
        }
    }
}
