// The program's root window. A placeholder until the start-up page, the
// sign-in form and the main window take its place: it opens at the stored
// size, keeps it for the next start and starts the account's restoration.
import QtQuick 2.15
import QtQuick.Window 2.15
import Tarnolix 1.0

Window {
    id: root
    objectName: "rootWindow"
    title: "Tarnolix"
    visible: true
    color: Constants.blackBackground

    Component.onCompleted: {
        width = Math.min(Number(Tarnolix.settings.get("Window/width", 1248)), Screen.desktopAvailableWidth)
        height = Math.min(Number(Tarnolix.settings.get("Window/height", 702)), Screen.desktopAvailableHeight - 40)
        // Restores the remembered account, or asks for a sign-in.
        Tarnolix.startApplication()
    }

    onClosing: {
        if (visibility === Window.Windowed) {
            Tarnolix.settings.set("Window/width", width)
            Tarnolix.settings.set("Window/height", height)
        }
    }

    Column {
        anchors.centerIn: parent
        spacing: 16

        Image {
            objectName: "windowIcon"
            anchors.horizontalCenter: parent.horizontalCenter
            source: "qrc:/icons/WindowIcon.png"
            width: 128
            height: 128
            smooth: true
        }
        Text {
            objectName: "programName"
            anchors.horizontalCenter: parent.horizontalCenter
            text: "Tarnolix " + Tarnolix.sVersion
            color: Constants.lightGold
            font.pixelSize: 32
        }
        Text {
            objectName: "placeholderNote"
            anchors.horizontalCenter: parent.horizontalCenter
            text: qsTr("Читальный зал ещё строится: здесь появятся вход, каталог и книги.")
            color: Constants.lightGray
            font.pixelSize: 16
        }
    }
}
