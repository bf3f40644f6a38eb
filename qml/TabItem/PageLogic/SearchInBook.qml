// The search inside the open book, on the page of the open-book logic: a
// finished search rebuilds the sections with its highlighting around its
// first match, the reader steps from match to match, and ending it either
// leaves the page as it is or brings back the library search's
// highlighting around the place being read.
import QtQuick 2.15
import Tarnolix 1.0

Item {
    id: root

    property PageLogic openBookLogic: null
    property var openBookStatus: null
    readonly property alias searchInBookStatus: status

    visible: false

    SearchInBookStatus {
        id: status
        objectName: "searchInBookStatus"
        openBookStatus: root.openBookStatus
    }

    function setBusy(busy) {
        if (openBookLogic && openBookLogic.tabItem)
            openBookLogic.tabItem.needShowBusyIndicator = busy
    }

    Connections {
        target: status
        function onStatusChanged() {
            var logic = root.openBookLogic
            switch (status.status) {
            case TarnolixConstants.InvalidSearchStatus:
                logic.invalidateSectionNavigation()
                root.setBusy(false)
                break
            case TarnolixConstants.Searching:
                // The page keeps what it shows until a match replaces it.
                logic.invalidateSectionNavigation()
                logic.ignoreScroll = true
                root.setBusy(true)
                break
            case TarnolixConstants.SearchFinished:
                if (!status.nothingFound) {
                    // forceRefill: the sections are rebuilt with the new highlighting.
                    if (!root.goToNextBookSearchResult(true)) {
                        logic.ignoreScroll = false
                        logic.runScript("endSearchInBook()")
                    }
                } else {
                    // Nothing was replaced, so the reading place stays.
                    status.endSearchInBook()
                    logic.ignoreScroll = false
                    logic.runScript("endSearchInBook()")
                }
                root.setBusy(false)
                break
            }
        }
    }

    function showSearchResultInBook(sectionCode, matchIndex, script, forceRefill) {
        openBookLogic.scrollFunc(sectionCode, script,
                                 "showSearchResultInBook(" + JSON.stringify(String(sectionCode)) + ", "
                                 + Number(matchIndex) + ")", null, forceRefill)
    }

    function showMatch(match, forceRefill) {
        if (!match)
            return false
        showSearchResultInBook(match.sectionCode, match.matchIndex, "", forceRefill)
        return true
    }

    function goToPreviousBookSearchResult() { return showMatch(status.getPreviousMatchInBook(), false) }
    function goToNextBookSearchResult(forceRefill) { return showMatch(status.getNextMatchInBook(), !!forceRefill) }

    // The close button of the search band.
    function endSearchInBook() {
        var storage = openBookLogic.tabStatus.searchDataStorage
        var libraryResults = storage.hasSearchResults
        if (libraryResults && !status.canLeaveHighlightText()) {
            openBookLogic.restoreAfterSearch(function () { status.endSearchInBook() })
            return
        }
        status.endSearchInBook()
        // With library results of the same query the marks on the page are
        // those of the library search as well.
        if (!libraryResults)
            openBookLogic.runScript("endSearchInBook()")
    }
}
