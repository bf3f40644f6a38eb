// The dialog window of the interface: application-modal, centred on the
// program's root window whenever it shows. accept() and reject() close it
// and raise accepted or rejected; any other close (the window's own close
// button) raises rejected once.
import QtQuick 2.15
import QtQuick.Window 2.15
import Tarnolix 1.0
import ".."

TarnolixWindow {
    id: dialog

    signal accepted()
    signal rejected()

    // Set while accept() or reject() closes the window.
    property bool closingByCall: false

    flags: Qt.Dialog
    modality: Qt.ApplicationModal
    color: Constants.lightBlack

    function open() {
        show()
    }

    function accept() {
        closeByCall()
        accepted()
    }

    function reject() {
        closeByCall()
        rejected()
    }

    function closeByCall() {
        closingByCall = true
        close()
        closingByCall = false
    }

    // The program's root window: the top of the chain of transient parents.
    function rootWindow() {
        var window = dialog.transientParent
        while (window && window.transientParent)
            window = window.transientParent
        return window
    }

    function centre() {
        if (width === 0 || height === 0) {
            console.warn("Width or height is null")
            return
        }
        var parentWindow = rootWindow()
        if (!parentWindow)
            return
        x = Math.floor(parentWindow.x + (parentWindow.width - width) * 0.5)
        y = Math.floor(parentWindow.y + (parentWindow.height - height) * 0.5)
    }

    onVisibleChanged: {
        if (visible)
            centre()
    }

    onClosing: {
        if (!closingByCall)
            rejected()
    }
}
