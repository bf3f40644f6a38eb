// The library update: what the update does now, its progress, the error
// that stopped it, and one button to stop it or close the dialog. The opener
// starts the update with startUpdate(); a finished update closes the dialog
// by accept(), so it never counts as rejected.
import QtQuick 2.15
import QtQuick.Controls 2.15
import Tarnolix 1.0
import "../controls"

VDialog {
    id: dialog

    readonly property alias updater: updater
    readonly property int status: updater.status
    readonly property bool hasError: updater.errorText.length > 0
    readonly property bool showProgress: status >= 2 && status <= 4 && updater.progressTotal !== 0

    readonly property string headline: {
        switch (status) {
        case 1: return qsTr("Обновление справочников")
        case 2: return qsTr("Загрузка книг")
        case 3: return qsTr("Загрузка словарей")
        case 4: return qsTr("Установка словарей")
        case 5: return qsTr("Завершение обновления базы")
        case 7: return qsTr("Ошибка загрузки")
        case 8: return qsTr("Прервано")
        default: return ""
        }
    }
    readonly property string progressText: {
        if (!showProgress)
            return ""
        switch (status) {
        case 2: return qsTr("Ход загрузки: ") + updater.progress + qsTr(" из ") + updater.progressTotal
        case 3: return qsTr("Ход загрузки: ") + updater.progressInPercent + "%"
        default: return updater.progressInPercent + "%"
        }
    }
    readonly property string buttonText: {
        switch (status) {
        case 0: return ""
        case 1: case 2: case 3: case 4: return qsTr("Прервать")
        case 5: return qsTr("Подождите")
        case 6: case 7: case 8: return qsTr("Закрыть")
        default:
            console.warn("Unknown status(0x57188561): " + status)
            return qsTr("Неизвестный статус")
        }
    }

    function startUpdate() {
        updater.updateBase()
    }

    function buttonClicked() {
        switch (status) {
        case 0: break
        case 1: case 2: case 3: case 4: updater.reject(); break
        case 5: break
        case 6: dialog.accept(); break
        case 7: case 8: dialog.close(); break
        default: console.warn("Unknown status(0x57188562): " + status)
        }
    }

    title: qsTr("Обновление базы")
    width: 480 * dp
    minimumWidth: width
    maximumWidth: width
    height: (hasError ? 260 : 180) * dp
    minimumHeight: height
    maximumHeight: height

    onHeightChanged: {
        var parentWindow = rootWindow()
        if (visible && parentWindow)
            y = Math.floor(parentWindow.y + (parentWindow.height - height) * 0.5)
    }

    DatabaseUpdater {
        id: updater
        onStatusChanged: {
            if (status === 6)
                dialog.accept()
        }
    }

    Column {
        anchors.top: parent.top
        anchors.topMargin: 24 * dp
        anchors.horizontalCenter: parent.horizontalCenter
        width: parent.width - 40 * dp
        spacing: 12 * dp

        Text {
            objectName: "headline"
            width: parent.width
            horizontalAlignment: Text.AlignHCenter
            text: dialog.headline
            color: Constants.white
            font.family: "PT Sans"
            font.pixelSize: Math.round(20 * dp)
        }
        LoaderGray {
            objectName: "busyIndicator"
            anchors.horizontalCenter: parent.horizontalCenter
            visible: running
            running: dialog.status === 1 || dialog.status === 5
                     || (dialog.status >= 2 && dialog.status <= 4 && updater.progressTotal === 0)
        }
        Text {
            objectName: "progressText"
            width: parent.width
            horizontalAlignment: Text.AlignHCenter
            visible: dialog.showProgress
            text: dialog.progressText
            color: Constants.grayText
            font.family: "PT Sans"
            font.pixelSize: Math.round(16 * dp)
        }
        ScrollView {
            objectName: "errorArea"
            width: parent.width
            height: 96 * dp
            visible: dialog.hasError
            clip: true
            contentWidth: availableWidth

            Text {
                objectName: "errorText"
                width: parent.width
                text: updater.errorText
                textFormat: Text.PlainText
                wrapMode: Text.Wrap
                horizontalAlignment: Text.AlignHCenter
                color: "#ff6262"
                font.family: "PT Sans"
                font.pixelSize: Math.round(16 * dp)
            }
        }
    }

    DarkGoldButton {
        objectName: "actionButton"
        anchors.horizontalCenter: parent.horizontalCenter
        anchors.bottom: parent.bottom
        anchors.bottomMargin: 16 * dp
        visible: text.length > 0
        enabled: dialog.status !== 5
        text: dialog.buttonText
        onClicked: dialog.buttonClicked()
    }
}
