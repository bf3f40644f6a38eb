// The catalogue panel at the left of a tab: the header with the catalogue's
// name and count, its tabs, the filter field, the check row, the tree of the
// current catalogue tab and the footer. While the tab shows the results of a
// search, the result tree of the search takes the tree's place.
import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Layouts 1.15
import Tarnolix 1.0
import "../../controls"
import "../TreeView"

FocusScope {
    id: root
    objectName: "bookCatalog"

    property TabStatus tabStatus: null
    property bool searchMode: false

    readonly property bool glossaryKind: !!tabStatus && tabStatus.catalog === Constants.GlossaryCatalog
    readonly property bool favoritesKind: !!tabStatus && tabStatus.catalog === Constants.FavoritesCatalog
    readonly property bool bookKind: !glossaryKind && !favoritesKind
    readonly property bool catalogVisible: !searchMode
    readonly property bool glossariesVisible: catalogVisible && glossaryKind
    readonly property bool favoritesVisible: catalogVisible && favoritesKind
    readonly property bool booksVisible: catalogVisible && bookKind

    readonly property var curTreeBookCatalog: catalogStack.currentPage ? catalogStack.currentPage.tree : null
    readonly property var currentTree: catalogStack.visible ? curTreeBookCatalog
                                                            : resultPlace.visible ? resultPlace.currentTree : null
    readonly property bool presentationReady: !syncTimer.running && !syncTimer.updatePending && !syncTimer.checkPending

    property int transitionGeneration: 0
    property var transitionCallback: null

    // The tab's search page status, when its page is a search.
    readonly property var searchStatus: tabStatus && tabStatus.pageStatusIsSearch ? tabStatus.pageStatus : null
    readonly property bool searchFinished: !!searchStatus && searchStatus.status === Constants.SearchFinished

    function getCatalogTree() { return curTreeBookCatalog }

    // --- language-change handshake ---

    function beginTransition(generation) {
        transitionGeneration = generation
        transitionCallback = null
    }

    function prepareTransition(generation, callback) {
        if (generation !== transitionGeneration)
            return
        transitionCallback = callback
        requestTreeUpdate()
    }

    function releaseTransition(generation) {
        if (generation !== transitionGeneration)
            return
        transitionGeneration = 0
        transitionCallback = null
    }

    function completeTransition() {
        var callback = transitionCallback
        transitionCallback = null
        var tree = currentTree
        if (!tree || !tree.treeModel || tree.treeModel.language !== tabStatus.pageLanguage
                || tree.treeModel.mode !== openBookCatalogTab()) {
            callback(false)
            return
        }
        if (tree.showItem(tabStatus.itemPath) === undefined) {
            callback(false)
            return
        }
        tree.forceLayout()
        var generation = transitionGeneration
        Qt.callLater(function () {
            if (generation !== root.transitionGeneration)
                return
            tree.showItem(root.tabStatus.itemPath)
            tree.forceLayout()
            callback(true)
        })
    }

    // The catalogue tab of the open book page; its status knows it once the
    // open-book page logic made one, else the tab's address does.
    function openBookCatalogTab() {
        if (!tabStatus)
            return Constants.InvalidCatalogTab
        var status = tabStatus.pageStatus
        if (status && status.type === UrlCreator.OpenBook && status.bookOfCatalog !== undefined)
            return status.bookOfCatalog
        return tabStatus.bookOfCatalog
    }

    // --- catalogue tabs ---

    function setCatalog(catalogTab, language) {
        var buttons = tabButtons.buttons
        for (var i = 0; i < buttons.length; ++i) {
            var button = buttons[i]
            if (button.shownForKind && button.catalogTab === catalogTab
                    && (language === undefined || button.language === language)) {
                button.checked = true
                return
            }
        }
        console.warn("ERROR 0x75617441")
    }

    function checkCatalogTab() {
        var tab = tabButtons.checkedButton ? tabButtons.checkedButton.catalogTab : Constants.InvalidCatalogTab
        if (bookKind) {
            if (tab !== Constants.Categories && tab !== Constants.Authors && tab !== Constants.Names)
                setCatalog(Constants.Categories)
        } else if (glossaryKind) {
            if (tab !== Constants.Glossaries && tab !== Constants.GlossariesNames)
                setCatalog(Constants.Glossaries)
        } else if (tab !== Constants.AllFavorites && tab !== Constants.FavoritesByBooks) {
            setCatalog(Constants.AllFavorites)
        }
    }

    // --- synchronisation: every request within one pass gives one run ---

    function requestTreeUpdate() {
        syncTimer.updatePending = true
        syncTimer.start()
    }

    function requestTabCheck() {
        syncTimer.checkPending = true
        syncTimer.start()
    }

    function updateTree() {
        var tree = curTreeBookCatalog
        var page = catalogStack.currentPage
        if (!tree || !tree.treeModel || !page)
            return
        var catalogModel = tree.treeModel
        var language = page.catalogTab === Constants.FavoritesByBooks ? catalogModel.language : catalogHelper.language
        if (tree.language !== language || catalogModel.language !== language) {
            tree.language = language
            tree.resetSearch()
            catalogModel.language = language
            catalogModel.clear()
        }
        if (filter.searching) {
            endSearch()
        } else if (filter.searchMode) {
            if (tree.searchMode && tree.searchText !== filter.searchModeText) {
                catalogModel.clear()
                startSearch(filter.searchModeText)
            } else if (!tree.searchMode) {
                startSearch(filter.searchModeText)
            }
        } else if (tree.searchMode) {
            tree.endSearch()
        } else if (catalogModel.rowCount() === 0) {
            console.debug("BookCatalog::Timer::onTriggered")
            catalogModel.reload(false)
        }
        if (tabStatus.pageType === UrlCreator.OpenBook && tabStatus.language === tabStatus.pageLanguage
                && openBookCatalogTab() === catalogModel.mode)
            tree.showItem(tabStatus.itemPath)
    }

    Timer {
        id: syncTimer
        objectName: "syncTimer"
        property bool updatePending: false
        property bool checkPending: false
        interval: 0
        onTriggered: {
            if (updatePending) {
                updatePending = false
                root.updateTree()
            }
            if (checkPending) {
                checkPending = false
                root.checkCatalogTab()
            }
            if (root.transitionCallback)
                root.completeTransition()
        }
    }

    onCurrentTreeChanged: requestTreeUpdate()
    onBookKindChanged: requestTabCheck()
    onGlossaryKindChanged: requestTabCheck()

    // --- filter ---

    QtObject {
        id: filter
        property bool searching: false
        property string awaitedText: ""
        property bool searchMode: false
        property string searchModeText: ""
    }

    readonly property alias filterSearching: filter.searching
    readonly property alias filterMode: filter.searchMode
    readonly property alias filterText: filter.searchModeText

    FilterSearchThread {
        id: filterThread
        language: root.tabStatus ? root.tabStatus.language : Constants.InvalidLanguage
        onSearchFinished: {
            if (!filter.searching || searchText !== filter.awaitedText)
                return
            filter.searching = false
            filter.searchMode = true
            filter.searchModeText = searchText
            if (root.curTreeBookCatalog)
                root.curTreeBookCatalog.useSearch(searchText)
        }
        onSearchError: {
            if (!filter.searching || searchText !== filter.awaitedText)
                return
            root.endSearch()
        }
    }

    function filterModeOf(catalogTab) {
        switch (catalogTab) {
        case Constants.Categories:
        case Constants.FavoritesByBooks:
            return FilterSearchThread.Categories
        case Constants.Authors: return FilterSearchThread.Authors
        case Constants.Names: return FilterSearchThread.BooksOnly
        case Constants.Glossaries: return FilterSearchThread.Glossaries
        case Constants.GlossariesNames: return FilterSearchThread.GlossariesNames
        case Constants.AllFavorites: return FilterSearchThread.AllFavorites
        }
        return -1
    }

    function startSearch(text) {
        console.log("Search: " + text)
        if (text === "") {
            endSearch()
            return
        }
        filter.awaitedText = text
        filter.searching = true
        var tab = catalogStack.currentPage ? catalogStack.currentPage.catalogTab : Constants.InvalidCatalogTab
        var mode = filterModeOf(tab)
        if (mode < 0) {
            filter.searching = false
            console.warn("startSearch: invalid mode: " + tab)
            return
        }
        filterThread.search(text, mode)
    }

    function endSearch() {
        console.log("End search")
        filter.searching = false
        filter.searchMode = false
        filter.searchModeText = ""
        if (curTreeBookCatalog)
            curTreeBookCatalog.endSearch()
        filterThread.reset()
    }

    function resetSearch() {
        filter.searching = false
        filter.searchMode = false
        filter.searchModeText = ""
        filterThread.reset()
    }

    // --- library changes ---

    CatalogHelper {
        id: catalogHelper
        language: root.tabStatus ? root.tabStatus.language : Constants.InvalidLanguage
        onBookBaseChanged: root.reloadCatalogs()
        onGlossaryTreeChanged: root.reloadCatalogs()
        onLanguageChanged: {
            filterField.reset()
            root.resetSearch()
            root.requestTreeUpdate()
        }
    }

    function reloadCatalogs() {
        resetSearch()
        filterField.reset()
        for (var i = 0; i < catalogStack.children.length; ++i) {
            var tree = catalogStack.children[i].tree
            if (!tree)
                continue
            tree.resetSearch()
            if (tree === curTreeBookCatalog) {
                console.log("BookCatalog::reloadCatalogs")
                tree.treeModel.reload(false)
            } else {
                tree.treeModel.clear()
            }
        }
    }

    // --- following the tab's page ---

    function isSearchPage(pageType) {
        return pageType === UrlCreator.FTSearch || pageType === UrlCreator.WBWSearch
                || pageType === UrlCreator.GlossarySearch
    }

    function showPageItem(pageType) {
        var catalogTab
        var language = undefined
        if (pageType === UrlCreator.OpenBook) {
            catalogTab = openBookCatalogTab()
            if (catalogTab === Constants.InvalidCatalogTab)
                return
        } else if (pageType === UrlCreator.Favorites) {
            catalogTab = tabStatus.bookOfCatalog
            if (catalogTab !== Constants.AllFavorites)
                language = tabStatus.pageLanguage
        } else {
            console.warn("Unknown pageType: " + pageType)
            catalogTab = -1
        }
        if (catalogTab < 0) {
            console.warn("Invalid catalog: " + catalogTab)
            return
        }
        var checked = tabButtons.checkedButton
        if (!checked || checked.catalogTab !== catalogTab || (language !== undefined && language !== checked.language))
            setCatalog(catalogTab, language)
        if (curTreeBookCatalog)
            curTreeBookCatalog.showItem(tabStatus.itemPath)
    }

    Connections {
        target: root.tabStatus
        function onUrlChanged() {
            var pageType = root.tabStatus.pageType
            if (!root.tabStatus.urlHasFragment)
                root.searchMode = root.isSearchPage(pageType)
            if (pageType === UrlCreator.OpenBook || pageType === UrlCreator.Favorites)
                root.showPageItem(pageType)
        }
    }

    Connections {
        target: root.tabStatus && root.tabStatus.pageType === UrlCreator.OpenBook ? root.tabStatus.pageStatus : null
        ignoreUnknownSignals: true
        function onBookOfCatalogChanged() { root.showPageItem(UrlCreator.OpenBook) }
    }

    Connections {
        target: root.searchStatus
        ignoreUnknownSignals: true
        function onResultsPageRestoredChanged() {
            if (root.searchStatus.resultsPageRestored)
                root.searchMode = true
        }
    }

    // --- layout ---

    // Search mode's bands: behind the counters, and from under them down to
    // the footer.
    Rectangle {
        visible: root.searchMode
        y: filterRow.y - Math.round(7 * dp)
        width: root.width
        height: filterRow.height + Math.round(14 * dp)
        color: Constants.colorActive
    }
    Rectangle {
        visible: root.searchMode
        y: filterRow.y + filterRow.height + Math.round(7 * dp)
        width: root.width
        height: Math.max(0, footer.y - y)
        color: Constants.colorStatic
    }

    Item {
        id: header
        objectName: "catalogHeader"
        x: Math.round(16 * dp)
        y: Math.floor(x * 1.25)
        width: root.width - 2 * x
        height: Math.max(title.implicitHeight, countText.implicitHeight)

        readonly property int countValue: {
            var catalogModel = root.currentTree ? root.currentTree.treeModel : null
            var total = catalogModel && typeof catalogModel.totalCount === "number" ? catalogModel.totalCount : -1
            return total === -1 ? catalogHelper.bookCount : total
        }

        Text {
            id: title
            objectName: "catalogTitle"
            width: Math.min(implicitWidth, header.width - (countText.visible ? countText.implicitWidth + Math.round(8 * dp) : 0))
            anchors.verticalCenter: parent.verticalCenter
            font.pixelSize: Math.round(20 * dp)
            font.bold: true
            elide: Text.ElideRight
            color: Constants.lightGray
            text: {
                if (root.glossaryKind)
                    return qsTr("Санскритские словари")
                if (root.favoritesKind)
                    return qsTr("Избранное")
                switch (catalogHelper.language) {
                case Constants.English: return qsTr("Книги на английском")
                case Constants.Russian: return qsTr("Книги на русском")
                case Constants.Sanskrit: return qsTr("Книги на санскрите")
                }
                return ""
            }
        }
        Text {
            id: countText
            objectName: "catalogCount"
            x: title.x + title.width + Math.round(8 * dp)
            width: Math.max(0, Math.min(implicitWidth, header.width - x))
            anchors.verticalCenter: parent.verticalCenter
            visible: header.countValue !== 0
            font.pixelSize: Math.round(18 * dp)
            color: Constants.grayText
            elide: Text.ElideRight
            text: "(" + header.countValue + ")"
        }
    }

    Item {
        id: tabRow
        x: header.x
        y: header.y + header.height + Math.round(18 * dp)
        width: header.width
        height: Math.max(tabLayout.implicitHeight, returnButton.implicitHeight)

        ButtonGroup {
            id: tabButtons
            exclusive: true
            buttons: [categoriesButton, authorsButton, namesButton, glossariesButton, glossariesNamesButton,
                      allFavoritesButton, favoritesFirstButton, favoritesSecondButton]
        }

        RowLayout {
            id: tabLayout
            anchors.verticalCenter: parent.verticalCenter
            width: parent.width
            spacing: 0
            visible: root.catalogVisible

            VTabButton {
                id: categoriesButton
                objectName: "tabCategories"
                readonly property int catalogTab: Constants.Categories
                readonly property int language: Constants.InvalidLanguage
                text: qsTr("КАТЕГОРИИ")
                checked: true
                readonly property bool shownForKind: root.bookKind
                visible: shownForKind
            }
            Item { Layout.fillWidth: true; visible: root.bookKind }
            VTabButton {
                id: authorsButton
                objectName: "tabAuthors"
                readonly property int catalogTab: Constants.Authors
                readonly property int language: Constants.InvalidLanguage
                text: qsTr("АВТОРЫ")
                readonly property bool shownForKind: root.bookKind
                visible: shownForKind
            }
            Item { Layout.fillWidth: true; visible: root.bookKind }
            VTabButton {
                id: namesButton
                objectName: "tabNames"
                readonly property int catalogTab: Constants.Names
                readonly property int language: Constants.InvalidLanguage
                text: qsTr("НАЗВАНИЯ")
                readonly property bool shownForKind: root.bookKind
                visible: shownForKind
            }
            VTabButton {
                id: glossariesButton
                objectName: "tabGlossaries"
                readonly property int catalogTab: Constants.Glossaries
                readonly property int language: Constants.InvalidLanguage
                text: qsTr("СЛОВАРИ")
                readonly property bool shownForKind: root.glossaryKind
                visible: shownForKind
                Layout.rightMargin: Math.round(10 * dp)
            }
            VTabButton {
                id: glossariesNamesButton
                objectName: "tabGlossariesNames"
                readonly property int catalogTab: Constants.GlossariesNames
                readonly property int language: Constants.InvalidLanguage
                text: qsTr("НАЗВАНИЯ")
                readonly property bool shownForKind: root.glossaryKind
                visible: shownForKind
                Layout.leftMargin: Math.round(10 * dp)
            }
            VTabButton {
                id: allFavoritesButton
                objectName: "tabAllFavorites"
                readonly property int catalogTab: Constants.AllFavorites
                readonly property int language: Constants.InvalidLanguage
                text: qsTr("ВСЕ")
                readonly property bool shownForKind: root.favoritesKind
                visible: shownForKind
                Layout.rightMargin: Math.round(10 * dp)
                onClicked: {
                    console.log("BookCatalog: open all favorites")
                    root.tabStatus.openAllFavorites()
                }
            }
            // The favorites by books of the interface's language come first.
            VTabButton {
                id: favoritesFirstButton
                objectName: "tabFavoritesFirst"
                readonly property int catalogTab: Constants.FavoritesByBooks
                readonly property int language: Tarnolix.translatorMngr.language === Constants.Russian
                                                ? Constants.Russian : Constants.English
                text: language === Constants.Russian ? qsTr("КНИГИ RU") : qsTr("КНИГИ EN")
                readonly property bool shownForKind: root.favoritesKind
                visible: shownForKind
                Layout.leftMargin: Math.round(10 * dp)
                onClicked: root.openFavoritesByBooks(language)
            }
            VTabButton {
                id: favoritesSecondButton
                objectName: "tabFavoritesSecond"
                readonly property int catalogTab: Constants.FavoritesByBooks
                readonly property int language: favoritesFirstButton.language === Constants.Russian
                                                ? Constants.English : Constants.Russian
                text: language === Constants.Russian ? qsTr("КНИГИ RU") : qsTr("КНИГИ EN")
                readonly property bool shownForKind: root.favoritesKind
                visible: shownForKind
                Layout.leftMargin: Math.round(10 * dp)
                onClicked: root.openFavoritesByBooks(language)
            }
            Item { Layout.fillWidth: true; visible: !root.bookKind }
        }

        ReturnButton {
            id: returnButton
            objectName: "returnButton"
            visible: root.searchMode
            anchors.verticalCenter: parent.verticalCenter
            width: Math.min(implicitWidth, root.width)
            text: Tarnolix.settings.advancedSearch ? qsTr("Выбрать область поиска в каталоге")
                                                   : qsTr("Вернуться к каталогу")
            onClicked: root.searchMode = false
        }
    }

    function openFavoritesByBooks(language) {
        console.log("BookCatalog: open favorites by books")
        tabStatus.openFavoritesByBooks(language)
    }

    Item {
        id: filterRow
        x: header.x
        y: tabRow.y + tabRow.height + Math.round(14 * dp)
        width: header.width
        height: root.searchMode ? counters.implicitHeight : filterField.implicitHeight

        SearchField {
            id: filterField
            objectName: "catalogFilter"
            anchors.fill: parent
            visible: root.catalogVisible
            placeholderText: qsTr("Поиск по каталогу")
            onAccepted: root.startSearch(text)
            onCancelClicked: root.endSearch()
        }

        RowLayout {
            id: counters
            objectName: "searchCounters"
            visible: root.searchMode
            anchors.fill: parent
            spacing: Math.round(6 * dp)

            readonly property bool animate: !!root.searchStatus && root.searchStatus.status === Constants.Searching
                                            && root.searchStatus.totalFreq !== 0
            property real totalShown: root.searchStatus ? root.searchStatus.totalFreq : 0
            property real booksShown: root.searchStatus ? root.searchStatus.numberBooksFound : 0
            Behavior on totalShown { enabled: counters.animate; NumberAnimation { duration: 100 } }
            Behavior on booksShown { enabled: counters.animate; NumberAnimation { duration: 100 } }

            Text {
                font.pixelSize: Math.round(17 * dp)
                color: Constants.blackText
                text: root.glossaryKind ? qsTr("Источников:") : qsTr("Найдено:")
                Layout.maximumWidth: implicitWidth
            }
            Text {
                objectName: "totalFound"
                font.pixelSize: Math.round(17 * dp)
                font.bold: true
                color: Constants.blackText
                text: Math.round(counters.totalShown)
            }
            Item { Layout.fillWidth: true }
            Text {
                id: booksLabel
                visible: !root.glossaryKind
                font.pixelSize: Math.round(17 * dp)
                color: Constants.blackText
                text: qsTr("Книг:")
                Layout.preferredWidth: implicitWidth * 1.2
                Layout.maximumWidth: implicitWidth * 1.2
                horizontalAlignment: Text.AlignRight
            }
            Text {
                objectName: "booksFound"
                visible: !root.glossaryKind
                font.pixelSize: Math.round(17 * dp)
                font.bold: true
                color: Constants.blackText
                text: Math.round(counters.booksShown)
            }
        }
    }

    Item {
        id: checkRow
        objectName: "checkRow"
        visible: Tarnolix.settings.advancedSearch || root.searchMode
        y: filterRow.y + filterRow.height + Math.round(20 * dp)
        width: root.width
        height: visible ? checkAllButton.implicitHeight + Math.round(8 * dp) + line.height : 0

        TextButton {
            id: checkAllButton
            objectName: "checkAllButton"
            x: Math.round(16 * dp)
            text: qsTr("Выбрать все")
            colorStatic: root.searchMode ? Constants.lightBlack : Constants.colorStatic
            onClicked: if (root.currentTree) root.currentTree.checkAll()
        }
        TextButton {
            id: uncheckAllButton
            objectName: "uncheckAllButton"
            anchors.right: parent.right
            anchors.rightMargin: Math.round(16 * dp)
            text: qsTr("Сбросить")
            colorStatic: root.searchMode ? Constants.lightBlack : Constants.colorStatic
            onClicked: if (root.currentTree) root.currentTree.uncheckAll()
        }
        Rectangle {
            id: line
            x: Math.round(16 * dp)
            y: checkAllButton.height + Math.round(8 * dp)
            width: parent.width - 2 * x
            height: Math.max(1, Math.round(dp))
            color: root.searchMode ? Constants.grayText : Constants.darkGray
        }
    }

    Item {
        id: treePlace
        objectName: "treePlace"
        y: checkRow.visible ? checkRow.y + checkRow.height + Math.round(15 * dp) : checkRow.y
        width: root.width
        height: Math.max(0, footer.y - y)

        StackLayout {
            id: catalogStack
            objectName: "catalogStack"
            anchors.fill: parent
            visible: root.catalogVisible

            readonly property var currentPage: currentIndex >= 0 && currentIndex < children.length ? children[currentIndex] : null

            currentIndex: {
                var button = tabButtons.checkedButton
                for (var i = 0; i < children.length; ++i) {
                    var page = children[i]
                    if (button && page.catalogTab === button.catalogTab
                            && (page.catalogTab !== Constants.FavoritesByBooks || page.language === button.language))
                        return i
                }
                if (button)
                    console.warn("Invalid mode(0x54782469)")
                return 0
            }
            onCurrentIndexChanged: {
                var page = currentIndex >= 0 && currentIndex < children.length ? children[currentIndex] : null
                if (!page || !root.tabStatus)
                    return
                page.used = true
                root.tabStatus.catalogTab = page.catalogTab
                root.requestTreeUpdate()
                if (page.tree)
                    page.tree.forceActiveFocus()
            }
            Component.onCompleted: {
                for (var i = 0; i < children.length; ++i)
                    children[i].foundElementEntered.connect(root.resetSearch)
                if (currentPage)
                    currentPage.used = true
            }

            CatalogPage { tabStatus: root.tabStatus; catalogTab: Constants.Categories; modelComponent: Component { CatalogCategoriesModel {} } }
            CatalogPage { tabStatus: root.tabStatus; catalogTab: Constants.Authors; modelComponent: Component { CatalogAuthorsModel {} } }
            CatalogPage { tabStatus: root.tabStatus; catalogTab: Constants.Names; modelComponent: Component { CatalogNamesModel {} } }
            CatalogPage { tabStatus: root.tabStatus; catalogTab: Constants.Glossaries; modelComponent: Component { CatalogGlossariesModel {} } }
            CatalogPage { tabStatus: root.tabStatus; catalogTab: Constants.GlossariesNames; modelComponent: Component { CatalogGlossariesNamesModel {} } }
            CatalogPage { tabStatus: root.tabStatus; catalogTab: Constants.AllFavorites; modelType: "FavoritesCatalogModel" }
            CatalogPage {
                tabStatus: root.tabStatus
                catalogTab: Constants.FavoritesByBooks
                language: favoritesFirstButton.language
                modelType: "FavoritesByBooksModel"
            }
            CatalogPage {
                tabStatus: root.tabStatus
                catalogTab: Constants.FavoritesByBooks
                language: favoritesSecondButton.language
                modelType: "FavoritesByBooksModel"
            }
        }

        // The result tree of the tab's search page logic, shown once the
        // search has finished.
        Item {
            id: resultPlace
            objectName: "resultPlace"
            anchors.fill: parent
            visible: root.searchMode && root.searchFinished

            property var currentTree: null
            readonly property var offeredTree: root.tabStatus && root.tabStatus.pageStatusIsSearch
                                               && root.tabStatus.pageLogic
                                               && root.tabStatus.pageLogic.searchResultsTree
                                               ? root.tabStatus.pageLogic.searchResultsTree : null

            function update() {
                for (var i = 0; i < children.length; ++i)
                    children[i].visible = false
                var tree = offeredTree
                if (visible && tree) {
                    tree.parent = resultPlace
                    tree.width = Qt.binding(function () { return resultPlace.width })
                    tree.height = Qt.binding(function () { return resultPlace.height })
                    tree.visible = true
                    currentTree = tree
                } else {
                    currentTree = null
                }
            }

            onVisibleChanged: update()
            onOfferedTreeChanged: update()
        }

        LoaderBlack {
            objectName: "busyIndicator"
            anchors.centerIn: parent
            running: !catalogStack.visible && !resultPlace.visible
        }
    }

    Rectangle {
        id: footer
        objectName: "catalogFooter"
        y: root.height - height
        width: root.width
        height: Math.round(40 * dp)
        color: Constants.blackText

        TextButton {
            id: collapseButton
            objectName: "collapseAllButton"
            x: Math.round(16 * dp)
            anchors.verticalCenter: parent.verticalCenter
            width: Math.min(implicitWidth, root.width * 0.6 - Math.round(16 * dp))
            text: qsTr("Свернуть все ветки")
            onClicked: root.collapseAll()
        }
        TextButton {
            id: expandButton
            objectName: "expandButton"
            anchors.right: parent.right
            anchors.rightMargin: Math.round(16 * dp)
            anchors.verticalCenter: parent.verticalCenter
            width: Math.min(implicitWidth, root.width * 0.4 - Math.round(16 * dp))
            text: qsTr("Развернуть")
            onClicked: root.expandAll()
        }
    }

    function collapseAll() {
        var tree = currentTree
        if (!tree)
            return
        var before = tree.model.rowCount()
        tree.collapseAll()
        if (before - tree.model.rowCount() > 200)
            tree.positionViewAtBeginning()
    }

    function expandAll() {
        var tree = currentTree
        if (!tree)
            return
        var before = tree.model.rowCount()
        if (!searchMode && (bookKind || glossaryKind))
            tree.expandAllCategories()
        else
            tree.expandAll()
        if (tree.model.rowCount() - before > 200)
            tree.positionViewAtBeginning()
    }
}
