import QtQuick 2.15

FakeDialog {
    objectName: "fakeIndexingDlg"
    kind: "indexing"
}
