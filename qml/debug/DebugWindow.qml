// Tools for the program's developers, in debug mode only: F2 runs the debug
// script in the current tab; the library's books can be deleted or added.
import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Layouts 1.15
import Tarnolix 1.0
import ".."
import "../controls"

TarnolixWindow {
    id: window
    objectName: "debugWindow"

    readonly property Settings settings: Tarnolix.settings

    width: 800 * dp
    height: 600 * dp
    title: qsTr("Окно для отладки")
    font.pixelSize: 14 * dp
    color: Constants.lightBlack

    Shortcut {
        sequence: "F2"
        context: Qt.ApplicationShortcut
        onActivated: {
            if (Tarnolix.debugHelper)
                Tarnolix.debugHelper.runDebugScript()
        }
    }

    ColumnLayout {
        anchors.fill: parent
        anchors.margins: 10 * dp

        TabBar {
            id: tabBar
            Layout.fillWidth: true
            TabButton { text: "Home" }
            TabButton { objectName: "booksTab"; text: qsTr("База книг") }
        }
        StackLayout {
            Layout.fillWidth: true
            Layout.fillHeight: true
            currentIndex: tabBar.currentIndex

            GroupBox {
                title: "Home"
                Label {
                    objectName: "debugScriptNote"
                    width: parent.width
                    wrapMode: Text.WordWrap
                    text: qsTr("Для запуска JS скрипта(%1) в текущей вкладке нажмите F2")
                          .arg(Tarnolix.debugHelper ? Tarnolix.debugHelper.scriptPath() : "")
                }
            }
            GroupBox {
                title: qsTr("База книг")
                ColumnLayout {
                    spacing: 10 * dp
                    RowLayout {
                        Button {
                            objectName: "deleteAllBooksButton"
                            text: qsTr("Удалить все книги")
                            onClicked: Tarnolix.debugHelper.deleteAllBooks()
                        }
                        Button {
                            objectName: "addBookButton"
                            text: qsTr("Добавить книгу")
                            onClicked: Tarnolix.debugHelper.addBook()
                        }
                    }
                    RowLayout {
                        CheckBox {
                            id: archivesBox
                            objectName: "saveArchivesBox"
                            text: qsTr("Папка для сохранения скачанных архивов книг:")
                            Component.onCompleted: checked = window.settings.debugSaveBookArchivesDir.length > 0
                            onToggled: {
                                if (!checked)
                                    archivesField.text = ""
                            }
                        }
                        InputField {
                            id: archivesField
                            objectName: "saveArchivesField"
                            Layout.preferredWidth: 350 * dp
                            enabled: archivesBox.checked
                            text: window.settings.debugSaveBookArchivesDir
                            onTextChanged: window.settings.debugSaveBookArchivesDir = text
                        }
                    }
                }
            }
        }
    }
}
