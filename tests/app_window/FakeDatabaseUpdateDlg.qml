import QtQuick 2.15

FakeDialog {
    objectName: "fakeDatabaseUpdateDlg"
    kind: "update"
    property int starts: 0
    function startUpdate() { starts++ }
}
