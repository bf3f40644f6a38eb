// Which update dialog the main window shows, if any: the completion of a
// program update first, then the library update, then the indexing. None
// while the account refresh runs: the library update needs the server's
// subscription level. The choice follows its conditions live.
import QtQuick 2.15
import Tarnolix 1.0

Item {
    id: selector
    objectName: "updateDialogSelector"

    property bool showUpdate: false
    property bool showUpdateCompleting: Tarnolix.updateCompleter !== null
    property bool showIndexing: Tarnolix.indexingProgressInfo !== null
                                && Tarnolix.indexingProgressInfo.indexingActive
    property bool refreshRunning: Tarnolix.initializer !== null

    // The dialogs; a dialog that is not part of the program yet has an empty
    // source, and its condition then shows nothing.
    property url completingDialogSource: ""
    property url updateDialogSource: ""
    property url indexingDialogSource: ""

    readonly property url source: refreshRunning ? ""
                                  : showUpdateCompleting ? completingDialogSource
                                  : showUpdate ? updateDialogSource
                                  : showIndexing ? indexingDialogSource : ""
    readonly property alias dialog: loader.item

    Loader {
        id: loader
        objectName: "updateDialogLoader"
        source: selector.source
        onLoaded: {
            item.show()
            if (typeof item.startUpdate === "function")
                item.startUpdate()
        }
    }

    Connections {
        target: loader.item
        ignoreUnknownSignals: true
        function onAccepted() {
            if (selector.showUpdate && !selector.showUpdateCompleting)
                selector.showUpdate = false
        }
        function onRejected() {
            if (selector.showUpdateCompleting) {
                // The completion cannot be dismissed.
                var dialog = loader.item
                Qt.callLater(function() {
                    if (loader.item === dialog)
                        dialog.show()
                })
            } else if (selector.showUpdate) {
                Qt.quit()
            }
        }
    }
}
