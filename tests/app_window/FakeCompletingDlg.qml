import QtQuick 2.15

FakeDialog {
    objectName: "fakeCompletingDlg"
    kind: "completing"
}
