// The main window's header: the product logo, the book-mode switch with the
// content-settings toggle beside it, the reader's name and sign-out.
import QtQuick 2.15
import Tarnolix 1.0
import "../controls"

Rectangle {
    id: header

    property bool aiActive: false
    // The current tab item; null without one.
    property QtObject currentTab: null
    readonly property QtObject tabStatus: currentTab ? currentTab.status : null
    readonly property alias contentSettingsVisible: contentSettingsButton.checked
    readonly property UserObject user: Tarnolix.user

    color: Constants.blackMenu
    height: Math.max(32 * dp, bookModeButton.implicitHeight, logoutButton.implicitHeight,
                     contentSettingsButton.implicitHeight)

    Image {
        id: logo
        objectName: "headerLogo"
        x: 16 * dp
        anchors.verticalCenter: parent.verticalCenter
        width: 92 * dp
        height: 14 * dp
        source: "LogoTarnolix.svg"
        sourceSize: Qt.size(92 * dp, 14 * dp)
    }

    ContentSettingsButton {
        id: contentSettingsButton
        objectName: "contentSettingsButton"
        anchors.verticalCenter: parent.verticalCenter
        x: Math.max(logo.x + logo.width, bookModeButton.x - 30 * dp - width)
        visible: !header.aiActive && Tarnolix.curTabBookMode
    }

    BookModeButton2 {
        id: bookModeButton
        objectName: "bookModeButton"
        anchors.centerIn: parent
        visible: !header.aiActive
        enabled: header.tabStatus !== null
                 && (header.tabStatus.pageType === UrlCreator.OpenBook || header.tabStatus.bookMode)
        active: Tarnolix.curTabBookMode
        onClicked: header.currentTab.changeBookMode()
    }

    Text {
        objectName: "aiTitle"
        anchors.centerIn: parent
        visible: header.aiActive
        text: Tarnolix.translatorMngr.language === TarnolixConstants.English ? "AI chat" : "AI-чат"
        color: Constants.white
        font.pixelSize: 15 * dp
    }

    TextButton {
        objectName: "userNameButton"
        anchors.right: logoutButton.left
        anchors.rightMargin: 8 * dp
        anchors.verticalCenter: parent.verticalCenter
        width: Math.min(implicitWidth, header.width / 5)
        text: header.user.spiritualName.length > 0 ? header.user.spiritualName
                                                   : header.user.name + " " + header.user.lastName
    }

    SVGButton {
        id: logoutButton
        objectName: "logoutButton"
        anchors.right: parent.right
        anchors.rightMargin: 16 * dp
        anchors.verticalCenter: parent.verticalCenter
        source: "Logout.svg"
        sourceSize: Qt.size(12, 14)
        Accessible.name: qsTr("Выйти")
        onClicked: {
            logoutLoader.active = true
            logoutLoader.item.open()
        }
    }

    // Loaded on first use, kept while the main window exists.
    Loader {
        id: logoutLoader
        objectName: "logoutLoader"
        active: false
        source: "../dialog/Logout.qml"
    }
}
