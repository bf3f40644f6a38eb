// One tab's whole screen: its TabStatus bound to its web view, the catalogue
// panel with its splitter on the left, and on the right the search control
// and the content view. In book mode only the right part shows.
import QtQuick 2.15
import QtQuick.Controls 2.15
import Tarnolix 1.0
import "BookCatalog"
import "SearchControl"

Control {
    id: tabItemRoot
    objectName: "tabItem"

    readonly property TabStatus status: ownStatus
    readonly property alias webView: contentView.webView
    readonly property alias activeScriptCount: contentView.activeScriptCount
    property alias needShowBusyIndicator: contentView.needShowBusyIndicator
    property alias selectBooksButtonChecked: searchControl.selectBooksButtonChecked
    readonly property alias presentationContent: contentView
    property alias presentationActive: contentView.presentationActive
    property var presentationAnchor: null
    readonly property bool presentationCatalogReady: !catalogPanel.visible || bookCatalog.presentationReady
    readonly property alias catalogWidth: catalogPanel.width
    readonly property alias bookCatalog: bookCatalog
    readonly property var curTreeBookCatalog: bookCatalog.curTreeBookCatalog

    signal exportAllFavoritesClicked()

    readonly property int minCatalogWidth: Math.ceil(dp * 288)
    readonly property int maxCatalogWidth: Math.min(Math.floor(dp * 488),
                                                    Math.max(minCatalogWidth, width - Math.ceil(dp * 320)))

    TabStatus {
        id: ownStatus
        tabItem: tabItemRoot
        pageLoading: contentView.webView.loading
        webViewActiveFocus: contentView.webView.activeFocus
        url: {
            var url = contentView.webView.url
            console.log("TabItem url binding: " + url)
            return url
        }
        pageLogic: contentView.pageLogic
        pageStatus: contentView.pageLogic ? contentView.pageLogic.status : null
        language: {
            switch (catalog) {
            case Constants.EnglishCatalog: return Constants.English
            case Constants.RussianCatalog: return Constants.Russian
            case Constants.SanskritCatalog: return Constants.Sanskrit
            case Constants.WordByWordCatalog: return catalogLanguage
            case Constants.GlossaryCatalog: return Constants.glossaryLanguage
            case Constants.ConverterCatalog:
            case Constants.FavoritesCatalog:
                return lastBookCatalogLanguage
            }
            console.warn("Invalid catalog(0x16168591)")
            return Constants.InvalidLanguage
        }
    }

    function openUrl(url) { contentView.openUrl(url) }
    function openBookSection(language, bookOfCatalog, itemPath) { contentView.openBookSection(language, bookOfCatalog, itemPath) }
    function runScript(script, callback) { contentView.runScript(script, callback) }
    function languageSectionReady(generation, success) { contentView.languageSectionReady(generation, success) }
    function setZoomFactor(zoomFactor) { contentView.setZoomFactor(zoomFactor) }
    function selectBookCatalog(catalog, language) { selectSearchCatalog(catalog, language, UrlCreator.FTSearch) }

    function selectSearchCatalog(selectedCatalog, language, resultType) {
        var scopeChanged = ownStatus.catalog !== selectedCatalog
                || (selectedCatalog === Constants.WordByWordCatalog && ownStatus.catalogLanguage !== language)
        var pageType = ownStatus.pageType
        var searchPage = pageType === UrlCreator.FTSearch || pageType === UrlCreator.WBWSearch
                || pageType === UrlCreator.GlossarySearch || pageType === UrlCreator.FavoritesSearch
        var incompatible = searchPage && (pageType !== resultType || ownStatus.pageLanguage !== language)
        ownStatus.catalog = selectedCatalog
        if (selectedCatalog === Constants.WordByWordCatalog)
            ownStatus.catalogLanguage = language
        else if (resultType === UrlCreator.FTSearch)
            ownStatus.lastBookCatalogLanguage = language
        if (scopeChanged) {
            searchControl.resetCatalogScope()
            if (incompatible)
                ownStatus.openBasePage()
        }
    }

    // Book mode is entered only on an open book, and can always be left.
    function changeBookMode() {
        if (ownStatus.pageType !== UrlCreator.OpenBook && !ownStatus.bookMode)
            return
        contentView.changeBookMode()
    }

    function setFocusToSearchControl() {
        searchControl.setFocusToSearchField()
    }

    background: Rectangle { color: tabItemRoot.palette.window }

    Item {
        id: catalogPanel
        objectName: "catalogPanel"
        width: Math.ceil(dp * 288)
        height: parent.height
        visible: !ownStatus.bookMode

        BookCatalog {
            id: bookCatalog
            anchors.fill: parent
            tabStatus: ownStatus
        }
    }

    Rectangle {
        id: splitter
        objectName: "splitter"
        visible: catalogPanel.visible
        x: catalogPanel.width - width / 2
        z: 1
        width: Math.max(1, Math.round(dp))
        height: parent.height
        color: Constants.lightBlack

        MouseArea {
            id: grabArea
            objectName: "splitterGrabArea"
            width: Math.ceil(dp * 24)
            height: parent.height
            anchors.horizontalCenter: parent.horizontalCenter
            cursorShape: Qt.SplitHCursor
            onPositionChanged: {
                if (!pressed)
                    return
                var x = mapToItem(tabItemRoot, mouse.x, mouse.y).x
                catalogPanel.width = Math.round(Math.max(tabItemRoot.minCatalogWidth, Math.min(tabItemRoot.maxCatalogWidth, x)))
            }
        }
    }

    Item {
        id: rightPart
        objectName: "rightPart"
        x: ownStatus.bookMode ? 0 : catalogPanel.width
        width: tabItemRoot.width - x
        height: tabItemRoot.height

        SearchControl {
            id: searchControl
            width: parent.width
            visible: !ownStatus.bookMode
            tabStatus: ownStatus
            catalogTreeHelper: (bookCatalog.curTreeBookCatalog && bookCatalog.curTreeBookCatalog.catalogTreeHelper) || null
        }

        ContentView {
            id: contentView
            tabStatus: ownStatus
            y: searchControl.visible ? searchControl.height : 0
            width: Math.floor(parent.width)
            height: Math.max(0, Math.floor(parent.height - y))
            onExportAllFavoritesClicked: tabItemRoot.exportAllFavoritesClicked()
        }
    }

    SearchStepShortcuts {
        id: searchSteps
        objectName: "searchSteps"
        tabStatus: ownStatus
        active: tabItemRoot.visible
    }

    state: ownStatus.bookMode ? "bookMode" : ""
    states: State { name: "bookMode" }
}
