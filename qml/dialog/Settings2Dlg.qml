// Further settings: three technical switches, each written at once.
import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Layouts 1.15
import QtQuick.Window 2.15
import Tarnolix 1.0
import "../controls"

VDialog {
    id: dialog

    readonly property Settings settings: Tarnolix.settings
    // Read at the next start: a toggle away from this state asks for a restart.
    property bool initialUseOpenGLES: false

    title: qsTr("Настройки")
    width: Math.min(540 * dp, Screen.desktopAvailableWidth)
    height: 2 * 40 * dp + content.implicitHeight
    minimumWidth: width
    maximumWidth: width
    minimumHeight: height
    maximumHeight: height

    Component.onCompleted: initialUseOpenGLES = settings.useOpenGLES

    ColumnLayout {
        id: content
        x: 40 * dp
        y: 40 * dp
        width: parent.width - 2 * 40 * dp
        spacing: 20 * dp

        VCheckBox {
            objectName: "highDpiBox"
            Layout.fillWidth: true
            text: qsTr("Масштабирование при большой плотности пикселей")
            checked: dialog.settings.enableHighDpiScaling
            onToggled: dialog.settings.enableHighDpiScaling = checked
        }
        VCheckBox {
            objectName: "openGLESBox"
            Layout.fillWidth: true
            text: qsTr("Использовать OpenGL ES")
            checked: dialog.settings.useOpenGLES
            onToggled: {
                dialog.settings.useOpenGLES = checked
                if (checked !== dialog.initialUseOpenGLES)
                    Tarnolix.showInformation(qsTr("Перезапустите программу для применения изменений"))
            }
        }
        VCheckBox {
            objectName: "debugLogsBox"
            Layout.fillWidth: true
            text: qsTr("Включить отладочные логи")
            checked: dialog.settings.debugLogsEnabled
            onToggled: dialog.settings.debugLogsEnabled = checked
        }
        TarnolixSeparator {
            Layout.fillWidth: true
            color: Constants.blackMenu
        }
    }
}
