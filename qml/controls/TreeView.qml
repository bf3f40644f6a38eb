// The generic tree view: a list of the visible rows of a tree model, through a
// TreeViewProxyModel made here. Delegates read the proxy's roles ("depth",
// "hasChildren", "isExpanded", "checkable", "checkState") and write
// "isExpanded" and "checkState" to expand, collapse and check rows.
import QtQuick 2.15
import Tarnolix 1.0

ListView {
    id: root

    property var treeModel: null
    property real wheelScrollMultiplier: 3.0

    signal itemChecked(var index)
    signal itemUnchecked(var index)
    signal allChecked()
    signal allUnchecked()

    function expand(index) { proxy.expand(index) }
    function collapse(index) { proxy.collapse(index) }
    function expandAll() { proxy.expandAll() }
    function collapseAll() { proxy.collapseAll() }
    function setCheckState(index, checkState) { return proxy.setCheckState(index, checkState) }
    function checkAll() { proxy.checkAll() }
    function uncheckAll() { proxy.uncheckAll() }

    model: TreeViewProxyModel {
        id: proxy
        sourceModel: root.treeModel
        onItemChecked: root.itemChecked(proxyIndex)
        onItemUnchecked: root.itemUnchecked(proxyIndex)
        onAllChecked: root.allChecked()
        onAllUnchecked: root.allUnchecked()
    }

    maximumFlickVelocity: 3750
    flickDeceleration: 1000
    boundsBehavior: Flickable.StopAtBounds
    pixelAligned: true
    cacheBuffer: Math.max(2 * height, 600)

    // Over the rows, taking only the wheel: a fixed step per notch that stops
    // at the ends, where the list's own wheel handling would fling past them.
    MouseArea {
        parent: root
        anchors.fill: parent
        z: 1
        acceptedButtons: Qt.NoButton
        onWheel: {
            root.cancelFlick()
            var step = wheel.pixelDelta.y !== 0
                    ? -wheel.pixelDelta.y * root.wheelScrollMultiplier
                    : -wheel.angleDelta.y / 120 * 60 * root.wheelScrollMultiplier
            var top = root.originY
            var bottom = root.originY + Math.max(0, root.contentHeight - root.height)
            root.contentY = Math.min(Math.max(root.contentY + step, top), bottom)
            wheel.accepted = true
        }
    }
}
