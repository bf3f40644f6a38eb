// The program updater as the settings dialog sees it.
import QtQuick 2.15

QtObject {
    signal findValidUpdate(string version)
    signal notFindUpdate()
    signal errorCheckingUpdate()
    property int checks: 0
    function checkForUpdateInformation() { checks++ }
}
