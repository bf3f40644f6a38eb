// The settings: the account, the program's and the library's versions with
// their update checks, the interface language and scale.
import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Layouts 1.15
import QtQuick.Window 2.15
import Tarnolix 1.0
import "../controls"

VDialog {
    id: dialog

    // Asks the main window to show the library update dialog.
    signal updateBaseClicked()

    readonly property Settings settings: Tarnolix.settings
    readonly property UserObject user: Tarnolix.user
    readonly property bool refreshRunning: Tarnolix.initializer !== null

    // The library updater of this dialog, used only to check for updates.
    property QtObject databaseUpdater: DatabaseUpdater {}
    property bool waitingForProfile: false

    // The program updater; its download dialog is made on demand.
    property QtObject autoUpdater: Tarnolix.autoUpdater
    property url updateLoadDialogSource: "UpdateLoadDlg.qml"
    property bool performed: false
    property bool existUpdate: false
    property string programUpdateText

    readonly property string databaseUpdateText: {
        if (refreshRunning)
            return qsTr("Подождите...")
        if (!databaseUpdater)
            return ""
        if (databaseUpdater.isActive)
            return qsTr("Проверка...")
        switch (databaseUpdater.status) {
        case 6:
            return databaseUpdater.isUpdateExists ? qsTr("Есть обновления") : qsTr("Обновлений нет")
        case 7:
        case 8:
            return qsTr("Ошибка")
        default:
            return "ERROR"
        }
    }

    title: qsTr("Настройки")
    width: Math.min(540 * dp, Screen.desktopAvailableWidth)
    height: Math.min(2 * 40 * dp + content.implicitHeight, Screen.desktopAvailableHeight - 40)
    minimumWidth: width
    maximumWidth: width

    // Starts both update checks; called before the dialog shows.
    function init() {
        checkDatabaseUpdate()
        checkProgramUpdate()
    }

    function checkDatabaseUpdate() {
        if (refreshRunning) {
            waitingForProfile = true
            return
        }
        waitingForProfile = false
        if (databaseUpdater)
            databaseUpdater.checkUpdateOnly()
    }

    function databaseButtonClicked() {
        if (refreshRunning || !databaseUpdater || databaseUpdater.isActive)
            return
        switch (databaseUpdater.status) {
        case 6:
            if (databaseUpdater.isUpdateExists)
                updateBaseClicked()
            else
                checkDatabaseUpdate()
            break
        case 7:
        case 8:
            checkDatabaseUpdate()
            break
        default:
            console.warn("Unknown status(0x57115561)")
        }
    }

    function databaseButtonHeld() {
        if (!refreshRunning && databaseUpdater && databaseUpdater.status === 6)
            updateBaseClicked()
    }

    function checkProgramUpdate() {
        if (!autoUpdater)
            return
        performed = true
        programUpdateText = qsTr("Подождите...")
        autoUpdater.checkForUpdateInformation()
    }

    function programButtonClicked() {
        if (performed)
            return
        if (existUpdate)
            openUpdateLoadDialog()
        else
            checkProgramUpdate()
    }

    function programButtonHeld() {
        if (!performed)
            openUpdateLoadDialog()
    }

    function openUpdateLoadDialog() {
        updateLoadLoader.source = updateLoadDialogSource
        if (updateLoadLoader.item) {
            updateLoadLoader.item.show()
            updateLoadLoader.item.load()
        }
    }

    Connections {
        target: dialog.autoUpdater
        ignoreUnknownSignals: true
        function onFindValidUpdate(version) {
            dialog.performed = false
            dialog.existUpdate = true
            dialog.programUpdateText = qsTr("Доступна версия ") + version
        }
        function onNotFindUpdate() {
            dialog.performed = false
            dialog.existUpdate = false
            dialog.programUpdateText = qsTr("Актуальная версия")
        }
        function onErrorCheckingUpdate() {
            dialog.performed = false
            dialog.existUpdate = false
            dialog.programUpdateText = qsTr("Ошибка")
        }
    }

    Connections {
        target: Tarnolix
        function onInitializerChanged() {
            if (Tarnolix.initializer === null && dialog.waitingForProfile && dialog.visible)
                dialog.checkDatabaseUpdate()
        }
    }

    // The download dialog of a new program version, a child of this dialog.
    Loader {
        id: updateLoadLoader
        objectName: "updateLoadLoader"
    }
    Connections {
        target: updateLoadLoader.item
        ignoreUnknownSignals: true
        function onAccepted() { dialog.accept() }
        function onRejected() { Qt.callLater(function() { updateLoadLoader.source = "" }) }
    }

    // Loaded on first use, then kept with this dialog.
    Loader {
        id: settings2Loader
        objectName: "settings2Loader"
        active: false
        source: "Settings2Dlg.qml"
    }

    ScrollView {
        id: scroll
        objectName: "settingsScroll"
        anchors.fill: parent
        contentWidth: availableWidth
        contentHeight: content.implicitHeight + 2 * 40 * dp
        ScrollBar.horizontal.policy: ScrollBar.AlwaysOff
        clip: true

        ColumnLayout {
            id: content
            x: 40 * dp
            y: 40 * dp
            width: scroll.availableWidth - 2 * 40 * dp
            spacing: 20 * dp

            Text {
                objectName: "settingsHeading"
                Layout.fillWidth: true
                horizontalAlignment: Text.AlignHCenter
                text: qsTr("Настройки")
                font.pixelSize: 22 * dp
                color: Constants.white
            }
            VSwitcher {
                objectName: "languageSwitcher"
                font.pixelSize: 17 * dp
                text: qsTr("Язык интерфейса")
                text1: "Русский"
                text2: "English (Английский)"
                value1: TarnolixConstants.Russian
                value2: TarnolixConstants.English
                currentValue: Tarnolix.translatorMngr.language
                onClicked: Tarnolix.translatorMngr.language = value
            }
            TarnolixSeparator { Layout.fillWidth: true; color: Constants.blackMenu }
            RowLayout {
                spacing: 8 * dp
                Text {
                    text: qsTr("Уровень доступа:")
                    font.pixelSize: 17 * dp
                    color: Constants.grayText
                }
                Text {
                    objectName: "accessLevel"
                    text: dialog.user.subscribeLevel.length > 0 ? dialog.user.subscribeLevel
                                                                : dialog.refreshRunning ? qsTr("Подождите...")
                                                                                        : qsTr("Гость")
                    font.pixelSize: 17 * dp
                    color: Constants.white
                }
            }
            RowLayout {
                spacing: 8 * dp
                Text {
                    text: qsTr("Доступ к AI:")
                    font.pixelSize: 17 * dp
                    color: Constants.grayText
                }
                Text {
                    objectName: "aiAccess"
                    text: dialog.user.aiAccess ? qsTr("Доступен") : qsTr("Нет доступа")
                    font.pixelSize: 17 * dp
                    color: dialog.user.aiAccess ? Constants.lightGold : Constants.grayText
                }
            }
            RowLayout {
                Layout.fillWidth: true
                Text {
                    objectName: "programVersion"
                    Layout.fillWidth: true
                    text: qsTr("Версия программы: ") + Tarnolix.sVersion
                    font.pixelSize: 15 * dp
                    color: Constants.grayText
                    elide: Text.ElideRight
                }
                LighGoldTextButton {
                    objectName: "programUpdateButton"
                    visible: dialog.autoUpdater !== null
                    text: dialog.programUpdateText
                    onClicked: dialog.programButtonClicked()
                    onPressAndHold: dialog.programButtonHeld()
                }
            }
            RowLayout {
                Layout.fillWidth: true
                Text {
                    objectName: "databaseVersion"
                    Layout.fillWidth: true
                    text: dialog.databaseUpdater && dialog.databaseUpdater.databaseUpdateDate.length > 0
                          ? qsTr("Версия базы книг: от ") + dialog.databaseUpdater.databaseUpdateDate
                          : qsTr("База книг: загрузка не завершена")
                    font.pixelSize: 15 * dp
                    color: Constants.grayText
                    elide: Text.ElideRight
                }
                LighGoldTextButton {
                    objectName: "databaseUpdateButton"
                    visible: dialog.databaseUpdater !== null
                    text: dialog.databaseUpdateText
                    onClicked: dialog.databaseButtonClicked()
                    onPressAndHold: dialog.databaseButtonHeld()
                }
            }
            TarnolixSeparator { Layout.fillWidth: true; color: Constants.blackMenu }
            ColumnLayout {
                Layout.fillWidth: true
                spacing: 4 * dp
                Text {
                    text: qsTr("Духовное имя:")
                    font.pixelSize: 15 * dp
                    color: Constants.grayText
                }
                Text {
                    objectName: "spiritualName"
                    Layout.fillWidth: true
                    text: dialog.user.spiritualName
                    font.pixelSize: 17 * dp
                    color: Constants.white
                    elide: Text.ElideRight
                }
            }
            RowLayout {
                Layout.fillWidth: true
                spacing: 20 * dp
                ColumnLayout {
                    Layout.fillWidth: true
                    Layout.preferredWidth: 1
                    spacing: 4 * dp
                    Text {
                        text: qsTr("Имя:")
                        font.pixelSize: 15 * dp
                        color: Constants.grayText
                    }
                    Text {
                        objectName: "userName"
                        Layout.fillWidth: true
                        text: dialog.user.name
                        font.pixelSize: 17 * dp
                        color: Constants.white
                        elide: Text.ElideRight
                    }
                }
                ColumnLayout {
                    Layout.fillWidth: true
                    Layout.preferredWidth: 1
                    spacing: 4 * dp
                    Text {
                        text: qsTr("Фамилия:")
                        font.pixelSize: 15 * dp
                        color: Constants.grayText
                    }
                    Text {
                        objectName: "userLastName"
                        Layout.fillWidth: true
                        text: dialog.user.lastName
                        font.pixelSize: 17 * dp
                        color: Constants.white
                        elide: Text.ElideRight
                    }
                }
            }
            LighGoldTextButton {
                objectName: "editPersonalDataButton"
                padding: 0
                text: qsTr("Изменить личные данные")
                onClicked: Qt.openUrlExternally(Tarnolix.webSiteUrl("/"))
            }
            TarnolixSeparator { Layout.fillWidth: true; color: Constants.blackMenu }
            ColumnLayout {
                Layout.fillWidth: true
                spacing: 4 * dp
                Text {
                    text: qsTr("Е-mail адрес")
                    font.pixelSize: 15 * dp
                    color: Constants.grayText
                }
                Text {
                    objectName: "userEmail"
                    Layout.fillWidth: true
                    text: dialog.user.email
                    font.pixelSize: 17 * dp
                    color: Constants.white
                    elide: Text.ElideRight
                }
            }
            LighGoldTextButton {
                objectName: "editEmailButton"
                padding: 0
                text: qsTr("Изменить")
                onClicked: Qt.openUrlExternally(Tarnolix.webSiteUrl("/"))
            }
            TarnolixSeparator { Layout.fillWidth: true; color: Constants.blackMenu }
            LighGoldTextButton {
                objectName: "changePasswordButton"
                padding: 0
                text: qsTr("Изменить пароль")
                onClicked: Qt.openUrlExternally(Tarnolix.webSiteUrl("/"))
            }
            TarnolixSeparator { Layout.fillWidth: true; color: Constants.blackMenu }
            ScaleControl {
                objectName: "scaleControl"
                text: qsTr("Масштаб интерфейса:")
                scale: dialog.settings.defaultScale
                minScale: 0.75
                maxScale: 1.5
                // Whole steps of 0.05: sums of 0.05 drift and would pass the limits.
                onMinusClicked: dialog.settings.defaultScale = Math.max(0.75, Math.round(scale * 20 - 1) / 20)
                onPlusClicked: dialog.settings.defaultScale = Math.min(1.5, Math.round(scale * 20 + 1) / 20)
            }
            LighGoldTextButton {
                objectName: "otherSettingsButton"
                padding: 0
                text: qsTr("Другое")
                onClicked: {
                    settings2Loader.active = true
                    settings2Loader.item.show()
                }
            }
        }
    }
}
