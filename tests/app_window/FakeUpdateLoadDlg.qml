import QtQuick 2.15

FakeDialog {
    kind: "download"
    property int loads: 0
    function load() { loads++ }
}
