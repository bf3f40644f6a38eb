// The start-up page: shown while a remembered account is checked, or when
// the library cannot be opened without a restart. Its sizes are plain
// pixels: the page may show before any window scale is known.
import QtQuick 2.15
import QtQuick.Controls 2.15
import Tarnolix 1.0
import "controls"

Rectangle {
    id: page

    color: Constants.blackMenu

    Column {
        anchors.centerIn: parent
        width: Math.min(page.width - 48, 620)
        spacing: 20

        Text {
            objectName: "startupTitle"
            width: parent.width
            horizontalAlignment: Text.AlignHCenter
            wrapMode: Text.WordWrap
            font.pixelSize: 26
            color: Constants.white
            text: Tarnolix.startupPhase === "fresh-identity" ? qsTr("Проверка аккаунта")
                                                              : qsTr("Подготовка библиотеки")
        }
        ProgressBar {
            objectName: "startupProgress"
            width: parent.width
            from: 0
            to: Math.max(1, Tarnolix.startupTotal)
            value: Tarnolix.startupCompleted
            indeterminate: Tarnolix.startupBusy && Tarnolix.startupTotal <= 0
        }
        Text {
            objectName: "startupNote"
            width: parent.width
            height: Math.max(90, implicitHeight)
            horizontalAlignment: Text.AlignHCenter
            wrapMode: Text.WordWrap
            font.pixelSize: 16
            color: Tarnolix.startupError.length > 0 ? Constants.orange : Constants.lightGray
            text: Tarnolix.startupError.length > 0
                  ? Tarnolix.startupError
                  : qsTr("Установленные данные сохраняются до завершения проверки новой библиотеки.")
        }
        Row {
            anchors.horizontalCenter: parent.horizontalCenter
            spacing: 12

            readonly property bool canAct: !Tarnolix.startupBusy && !Tarnolix.startupRestartRequired

            GrayBlankButton {
                objectName: "retryButton"
                text: qsTr("Повторить")
                enabled: parent.canAct
                opacity: enabled ? 1 : 0.4
                onClicked: Tarnolix.retryStartup()
            }
            GrayBlankButton {
                objectName: "signInAgainButton"
                text: qsTr("Войти снова")
                enabled: parent.canAct
                opacity: enabled ? 1 : 0.4
                onClicked: Tarnolix.startupSignInAgain()
            }
            DarkGoldButton {
                objectName: "closeButton"
                text: qsTr("Закрыть")
                onClicked: Qt.quit()
            }
        }
        DarkGoldBlankButton {
            objectName: "offlineButton"
            anchors.horizontalCenter: parent.horizontalCenter
            text: qsTr("Открыть установленную библиотеку без сети")
            visible: Tarnolix.startupOfflineAvailable
            enabled: !Tarnolix.startupBusy
            onClicked: Tarnolix.openStartupOffline()
        }
    }
}
