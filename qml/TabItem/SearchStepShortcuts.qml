// F3 steps back and F4 forward: through the hits of the tab's library
// search while its previous or next hit can be opened on a book page, else,
// on an open-book page, through the matches of the book (those of the
// in-book search once it has finished). Active only while its tab is
// shown, so that the tabs' shortcuts never compete.
import QtQuick 2.15
import Tarnolix 1.0

Item {
    id: root

    property var tabStatus: null
    property bool active: false

    readonly property var openBookLogic: tabStatus && tabStatus.pageStatusType === UrlCreator.OpenBook
                                         && tabStatus.pageLogic && tabStatus.pageLogic.searchInBook
                                         ? tabStatus.pageLogic : null
    readonly property bool bookOpen: !!openBookLogic && !!tabStatus.pageStatus && tabStatus.pageStatus.isBookOpen
    readonly property var inBookStatus: openBookLogic ? openBookLogic.searchInBook.searchInBookStatus : null
    readonly property bool searchInBook: !!inBookStatus && inBookStatus.status !== TarnolixConstants.InvalidSearchStatus
    readonly property var searchResultsPointer: {
        var data = tabStatus ? tabStatus.searchDataStorage.searchData : null
        return data && data.searchResultsPointer ? data.searchResultsPointer : null
    }
    // The results navigation of the search band is shown.
    readonly property bool resultsNavigation: bookOpen && !searchInBook && !!tabStatus
                                              && tabStatus.searchDataStorage.hasSearchResults

    // Whether a step was taken.
    function step(forward) {
        var pointer = searchResultsPointer
        if (resultsNavigation && pointer && (forward ? pointer.hasNext : pointer.hasPrevious)) {
            tabStatus.tabItem.openUrl(forward ? pointer.getNextUrl(tabStatus.id) : pointer.getPreviousUrl(tabStatus.id))
            return true
        }
        if (!openBookLogic)
            return false
        return forward ? openBookLogic.searchInBook.goToNextBookSearchResult(false)
                       : openBookLogic.searchInBook.goToPreviousBookSearchResult()
    }

    Shortcut {
        sequence: "F3"
        enabled: root.active
        onActivated: root.step(false)
    }
    Shortcut {
        sequence: "F4"
        enabled: root.active
        onActivated: root.step(true)
    }
}
