// The program's one top-level window. It shows the start-up page, the
// sign-in form or the main window, one at a time, as the application
// object's start-up signals say, and turns the reader's notices into native
// message dialogs and in-window message popups, one of each at a time.
import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Window 2.15
import Qt.labs.platform 1.1 as Platform
import Tarnolix 1.0
import "dialog"

TarnolixWindow {
    id: root
    objectName: "rootWindow"

    readonly property TarnolixApp tarnolix: Tarnolix
    // Waiting notices {title, text} and messages {title, msg}, oldest first.
    property var noticeQueue: []
    property var messageQueue: []
    property bool noticeShown: false
    property bool messageShown: false
    readonly property IndexingProgressInfo indexingProgress: Tarnolix.indexingProgressInfo

    title: qsTr("Tarnolix") + (indexingProgress && indexingProgress.indexingActive
                               ? qsTr(" (Индексация ") + indexingProgress.progressInPercent + "%)" : "")
    visible: true
    color: Constants.blackBackground
    minimumWidth: Math.min(1088 * dp, Screen.desktopAvailableWidth)
    minimumHeight: Math.min(612 * dp, Screen.desktopAvailableHeight - 40)

    function showMainWindow() {
        Tarnolix.isAuthorized = true
        loader.source = "MainWindow.qml"
    }

    // The form is made anew each time, from the remembered e-mail.
    function startLogin() {
        Tarnolix.isAuthorized = false
        loader.source = ""
        loader.source = "Login/Login.qml"
    }

    function showNotice(title, text) {
        if (noticeShown) {
            noticeQueue.push({ "title": title, "text": text })
            return
        }
        noticeShown = true
        var parentWindow = Tarnolix.getParentWindowForPopup()
        noticeDialog.createObject(parentWindow ? parentWindow : root, { "title": title, "text": text }).open()
    }

    function nextNotice() {
        noticeShown = false
        if (noticeQueue.length > 0) {
            var notice = noticeQueue.shift()
            showNotice(notice.title, notice.text)
        }
    }

    function showMessage(title, msg) {
        if (messageShown) {
            messageQueue.push({ "title": title, "msg": msg })
            return
        }
        messageShown = true
        var parentWindow = Tarnolix.getParentWindowForPopup()
        var parentItem = parentWindow && parentWindow.contentItem ? parentWindow.contentItem : root.contentItem
        messagePopup.createObject(parentItem, { "title": title, "text": msg }).open()
    }

    function nextMessage() {
        messageShown = false
        if (messageQueue.length > 0) {
            var message = messageQueue.shift()
            showMessage(message.title, message.msg)
        }
    }

    Component {
        id: noticeDialog

        Platform.MessageDialog {
            id: dialog
            objectName: "noticeDialog"

            property bool done: false

            function finish() {
                if (done)
                    return
                done = true
                Qt.callLater(root.nextNotice)
                dialog.destroy()
            }

            onAccepted: finish()
            onRejected: finish()
            // A dialog that goes with its parent window never answers; the
            // notices behind it must not wait for it.
            Component.onDestruction: {
                if (!done) {
                    done = true
                    Qt.callLater(root.nextNotice)
                }
            }
        }
    }

    Component {
        id: messagePopup

        MessagePopup {
            id: popup
            objectName: "messagePopup"

            property bool done: false

            onClosed: {
                if (done)
                    return
                done = true
                root.nextMessage()
                popup.destroy()
            }
            Component.onDestruction: {
                if (!done) {
                    done = true
                    Qt.callLater(root.nextMessage)
                }
            }
        }
    }

    Connections {
        target: Tarnolix
        function onStartupReady() { root.showMainWindow() }
        function onStartupLoginRequired() { root.startLogin() }
        function onStartupActivity() { loader.source = "Startup.qml" }
        // The main window goes before the account runtime closes.
        function onAccountRuntimeClosing() { loader.source = "" }
        function onInformationMessage(title, msg) { root.showNotice(title, msg) }
        function onWarningMessage(title, msg) { root.showNotice(title, msg) }
        function onErrorMessage(title, msg) { root.showNotice(title, msg) }
        function onMessage(title, msg) { root.showMessage(title, msg) }
    }

    FocusScope {
        anchors.fill: parent
        focus: true

        Loader {
            id: loader
            objectName: "rootLoader"
            anchors.fill: parent
            focus: true
        }
    }

    Component.onCompleted: {
        // Once, not as bindings: the reader resizes the window afterwards.
        width = Math.min(Number(Tarnolix.settings.get("Window/width", 1248 * dp)), Screen.desktopAvailableWidth)
        height = Math.min(Number(Tarnolix.settings.get("Window/height", 702 * dp)),
                          Screen.desktopAvailableHeight - 40)
        Tarnolix.startApplication()
    }

    onClosing: {
        if (visibility === Window.Windowed) {
            Tarnolix.settings.set("Window/width", width)
            Tarnolix.settings.set("Window/height", height)
        }
    }
}
