// The common dialog window: application-modal; accept() and reject() close
// it and raise accepted or rejected, and closing it any other way (the
// window's own close button) raises rejected once.
import QtQuick 2.15
import QtQuick.Window 2.15
import ".."

TarnolixWindow {
    id: dialog

    signal accepted()
    signal rejected()

    // Set while accept() or reject() closes the window.
    property bool closingByCall: false

    flags: Qt.Dialog
    modality: Qt.ApplicationModal

    function open() {
        show()
    }
    function accept() {
        closingByCall = true
        close()
        closingByCall = false
        accepted()
    }
    function reject() {
        closingByCall = true
        close()
        closingByCall = false
        rejected()
    }

    onClosing: {
        if (!closingByCall)
            rejected()
    }
}
