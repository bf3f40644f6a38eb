// The base of the result trees of a search: the generic tree over a result
// model, with the branch results and check states the page logics need.
import QtQuick 2.15
import QtQuick.Controls 2.15
import "../../controls"

TreeView {
    id: root

    // Set while the check marks are restored from the page kind, so that
    // the check signals this makes are ignored.
    property bool ignoreChecked: false

    // The result numbers of the branch at a proxy index.
    function getBranchIds(index) {
        return treeModel.getBranchIds(model.mapToSource(index))
    }

    function restoreCheckState(searchPageStatus) {
        treeModel.restoreCheckState(model, searchPageStatus)
    }

    clip: true
    ScrollBar.vertical: ScrollBar {}
}
