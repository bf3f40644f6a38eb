// The tree of one catalogue tab: the rows of a catalogue model with the path
// of the tab's page marked, the catalogue filter applied to its model, and
// the page of a clicked row opened in the tab.
import QtQuick 2.15
import QtQuick.Controls 2.15
import Tarnolix 1.0
import "../../controls"

TreeView {
    id: root

    property alias tabStatus: treeHelper.tabStatus
    property alias language: treeHelper.language
    property alias searchMode: treeHelper.searchMode
    property alias searchText: treeHelper.searchText
    readonly property alias catalogTreeHelper: treeHelper
    readonly property bool transitionPreparing: {
        var tabItem = tabStatus ? tabStatus.tabItem : null
        return tabItem ? tabItem.languageTransitionActive === true || tabItem.presentationActive === true : false
    }

    signal foundElementEntered()

    // The row the last successful showItem found; forgotten on any change
    // of the rows.
    property var lastShownId: undefined
    property int lastShownType: -1
    property int lastShownRow: -1

    function forgetLastShown() {
        lastShownId = undefined
        lastShownType = -1
        lastShownRow = -1
    }

    function useSearch(text) {
        console.log("CatalogTree::useSearch")
        searchMode = true
        searchText = text
        treeModel.reload(true)
        treeHelper.loadSavedCheckStates()
    }

    function endSearch() {
        console.log("CatalogTree::endSearch")
        searchMode = false
        searchText = ""
        treeModel.reload(false)
        treeHelper.loadSavedCheckStates()
    }

    function resetSearch() {
        searchMode = false
        searchText = ""
        treeHelper.loadSavedCheckStates()
    }

    // Opens the categories, letters, folders and authors, each newly shown
    // row visited in turn; books and sections stay closed.
    function expandAllCategories() {
        for (var row = 0; row < model.rowCount(); ++row) {
            var index = model.index(row, 0)
            var type = model.getData(index, "type")
            if (type === Constants.Letter || type === Constants.Category || type === Constants.FavoriteFolder
                    || type === Constants.Author)
                model.expand(index)
        }
    }

    // Expands the rows on the path and scrolls to its item; answers the
    // item's proxy index, or undefined when it is not in the tree.
    function showItem(itemPath) {
        if (!itemPath || itemPath.length === 0)
            return undefined
        var targetPosition = itemPath.length - 1
        if (itemPath.length > 1) {
            var lastType = itemPath[targetPosition].type
            if (lastType === Constants.SRItemId || lastType === Constants.FavoriteItemId)
                targetPosition -= 1
        }
        var target = itemPath[targetPosition]
        if (lastShownId !== undefined && lastShownId === target.id && lastShownType === target.type) {
            console.log("showItem optimized")
            positionViewAtIndexAnimation(lastShownRow, ListView.Center)
            return model.index(lastShownRow, 0)
        }
        var seek = 0
        var end = model.rowCount()
        for (var row = 0; row < end && seek <= targetPosition; ++row) {
            var index = model.index(row, 0)
            var element = itemPath[seek]
            if (model.getData(index, "id") !== element.id || model.getData(index, "type") !== element.type)
                continue
            if (seek === targetPosition) {
                positionViewAtIndexAnimation(row, ListView.Center)
                lastShownId = element.id
                lastShownType = element.type
                lastShownRow = row
                return index
            }
            var before = model.rowCount()
            model.expand(index)
            end += model.rowCount() - before
            seek += 1
        }
        var parts = []
        for (var i = 0; i < itemPath.length; ++i)
            parts.push("type: " + itemPath[i].type + " id: " + itemPath[i].id)
        console.warn("Item for show not found. itemPath: " + parts.join(" - "))
        return undefined
    }

    // Near targets are reached by an animation; far ones, or any while the
    // reader moves the view or a language change is being prepared, at once.
    function positionViewAtIndexAnimation(row, mode) {
        scrollAnimation.stop()
        var oldY = contentY
        positionViewAtIndex(row, mode)
        var newY = contentY
        if (!transitionPreparing && !moving && !flicking && Math.abs(newY - oldY) < 2 * height) {
            contentY = oldY
            scrollAnimation.from = oldY
            scrollAnimation.to = newY
            scrollAnimation.start()
        }
    }

    function opensPage(type) {
        return type === Constants.Book || type === Constants.Section || type === Constants.Author
                || type === Constants.FavoriteFolder || type === Constants.Glossary
    }

    // A click on a row's label. `sourceIndex` is the row's tree-model index
    // outside filter mode; in filter mode the row is found again in the full
    // tree, because ending the filter reloads the model under the row.
    function rowEntered(id, type, glossaryCategoryId, sourceIndex) {
        var opens = opensPage(type)
        if (searchMode) {
            var tree = root
            var catalogModel = tree.treeModel
            tree.foundElementEntered()
            tree.endSearch()
            var proxyIndex = tree.showItem(catalogModel.getParentHierarchy(id, type))
            sourceIndex = opens && proxyIndex !== undefined ? tree.model.getData(proxyIndex, "getIndex") : undefined
        }
        if (opens && sourceIndex !== undefined && sourceIndex !== null && sourceIndex.valid)
            openPage(sourceIndex, type, glossaryCategoryId)
        root.forceActiveFocus()
    }

    function openPage(sourceIndex, type, glossaryCategoryId) {
        var itemPath = treeModel.getParentHierarchyByIndex(sourceIndex)
        var catalogTab = treeModel.mode
        var language = treeHelper.language
        if (catalogTab === Constants.AllFavorites || catalogTab === Constants.FavoritesByBooks) {
            console.log("CatalogTree: open favorite catalog")
            tabStatus.openFavoriteFolder(language, catalogTab, itemPath)
            return
        }
        switch (type) {
        case Constants.Book:
            tabStatus.openBookCover(language, catalogTab, itemPath)
            break
        case Constants.Section:
            tabStatus.tabItem.openBookSection(language, catalogTab, itemPath)
            break
        case Constants.Author:
            tabStatus.openAuthor(language, catalogTab, itemPath)
            break
        case Constants.Glossary:
            tabStatus.openGlossary(catalogTab, itemPath, glossaryCategoryId)
            break
        }
    }

    clip: true
    focus: true

    CatalogTreeHelper {
        id: treeHelper
        catalogModel: root.treeModel
        treeViewProxyModel: root.model
    }

    Connections {
        target: root.model
        function onRowsInserted() { root.forgetLastShown() }
        function onRowsRemoved() { root.forgetLastShown() }
        function onModelReset() { root.forgetLastShown() }
        function onRowsMoved() { root.forgetLastShown() }
        function onDataChanged() { root.forgetLastShown() }
    }

    NumberAnimation {
        id: scrollAnimation
        target: root
        property: "contentY"
        duration: 400
    }

    onMovementStarted: {
        scrollAnimation.stop()
        if (!activeFocus)
            forceActiveFocus()
    }
    onTransitionPreparingChanged: {
        if (transitionPreparing) {
            scrollAnimation.stop()
            cancelFlick()
        }
    }

    Keys.onUpPressed: flick(0, 500)
    Keys.onDownPressed: flick(0, -500)

    ScrollBar.vertical: ScrollBar {
        width: Math.floor(8 * dp)
        policy: root.contentHeight > root.height ? ScrollBar.AlwaysOn : ScrollBar.AlwaysOff
    }

    delegate: Item {
        id: row

        readonly property bool selected: treeHelper.parentHierarchyCount !== 0
                                         && treeHelper.isExistsInParentHierarchy(model.id, model.type)
        readonly property bool highlighted: {
            if (!selected || !root.tabStatus)
                return false
            var tab = root.tabStatus
            switch (model.type) {
            case Constants.Section:
                return model.id === tab.sectionCode
            case Constants.Book:
                return tab.sectionCode === "" && model.id === tab.bookId
            case Constants.Author:
                return tab.pageType === UrlCreator.OpenAuthor && model.id === tab.authorId
            }
            return false
        }
        readonly property bool hovered: labelArea.containsMouse || branchArea.containsMouse
        readonly property color branchColor: branchArea.containsMouse ? Constants.colorHover
                                                                      : selected ? Constants.darkGold : Constants.lightGray
        readonly property real boxCenterY: label.y + label.height * 0.5 / Math.max(label.lineCount, 1)
        readonly property bool checkBoxShown: Tarnolix.settings.advancedSearch && model.checkable === true

        objectName: "catalogRow " + (model.display === undefined ? "" : model.display)
        width: ListView.view.width
        height: Math.floor(label.implicitHeight * 1.4)

        Rectangle {
            anchors.fill: parent
            color: row.highlighted ? Constants.colorActive : "transparent"
        }

        Item {
            id: branchBox
            objectName: "branchBox"
            x: Math.round((16 + model.depth * 14) * dp)
            y: Math.round(row.boxCenterY - height / 2)
            width: Math.round(18 * dp)
            height: width

            Rectangle {
                visible: !model.isBook && model.hasChildren === true
                anchors.centerIn: parent
                width: Math.round(12 * dp)
                height: Math.max(1, Math.round(dp))
                radius: height / 2
                color: row.branchColor
            }
            Rectangle {
                visible: !model.isBook && model.hasChildren === true && !model.isExpanded
                anchors.centerIn: parent
                width: Math.max(1, Math.round(dp))
                height: Math.round(12 * dp)
                radius: width / 2
                color: row.branchColor
            }
            SVGColor {
                visible: model.type === Constants.Book
                anchors.fill: parent
                source: "qrc:/controls/IconBook.svg"
                color: row.branchColor
            }
            Rectangle {
                visible: model.hasChildren !== true
                         && (model.type === Constants.Section || model.type === Constants.FavoriteFolder)
                anchors.centerIn: parent
                width: Math.max(1, Math.round(2 * dp))
                height: width
                radius: width / 2
                color: row.branchColor
            }
            MouseArea {
                id: branchArea
                anchors.fill: parent
                hoverEnabled: true
                onClicked: {
                    model.isExpanded = !model.isExpanded
                    root.forceActiveFocus()
                }
            }
        }

        CheckBoxIndicator {
            id: checkBox
            objectName: "checkBox"
            visible: row.checkBoxShown
            x: branchBox.x + branchBox.width + Math.round(13 * dp)
            y: Math.round(row.boxCenterY - height / 2)
            color: Constants.lightBlack
            checkState: model.checkState === undefined ? Qt.Unchecked : model.checkState
            onClicked: model.checkState = model.checkState === Qt.Checked ? Qt.Unchecked : Qt.Checked
        }

        Text {
            id: label
            objectName: "label"
            x: (checkBox.visible ? checkBox.x + checkBox.width : branchBox.x + branchBox.width) + Math.round(13 * dp)
            width: Math.max(0, row.width - x)
            font.pixelSize: Math.round((model.type === Constants.Section ? 14 : 16) * dp)
            font.bold: model.type !== Constants.Section
            wrapMode: Text.Wrap
            elide: Text.ElideRight
            textFormat: root.searchMode ? Text.StyledText : Text.PlainText
            color: row.highlighted ? Constants.lightBlack
                                   : labelArea.containsMouse ? Constants.colorHover
                                                             : row.selected ? Constants.darkGold : Constants.lightGray
            text: {
                var display = model.display === undefined || model.display === null ? "" : model.display
                // processText reads the filter: these make the text follow it.
                var filter = root.searchMode + root.searchText
                return model.depth === 0 ? treeHelper.processText(display) : display
            }
        }

        MouseArea {
            id: labelArea
            objectName: "labelArea"
            x: label.x
            width: row.width - x
            height: row.height
            hoverEnabled: true
            acceptedButtons: Qt.LeftButton
            onClicked: {
                var type = model.type
                var sourceIndex = undefined
                if (!root.searchMode) {
                    if (root.opensPage(type)) {
                        model.isExpanded = true
                        sourceIndex = model.getIndex
                    } else {
                        model.isExpanded = !model.isExpanded
                    }
                }
                root.rowEntered(model.id, type, type === Constants.Glossary ? model.bookId : undefined, sourceIndex)
            }
        }
    }
}
