// The settings dialog's library updater: checks are counted, and the test
// sets what a check found.
import QtQuick 2.15

QtObject {
    property int status: 0
    property bool isActive: false
    property bool isUpdateExists: false
    property string databaseUpdateDate
    property int checks: 0
    function checkUpdateOnly() { checks++ }
}
