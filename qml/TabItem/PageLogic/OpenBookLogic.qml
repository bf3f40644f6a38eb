// The page logic of a tab that shows a book. The reader page holds no text
// of its own: the logic pulls section HTML from the page kind and inserts it
// at either end of the shown run as the reader scrolls, rebuilds the run
// around a target that is not on the page, and reports the section in view.
// Every navigation carries a generation and the document it started on, so
// an answer that comes after a newer navigation, a new document or a load
// started is dropped and its callback never runs.
import QtQuick 2.15
import Tarnolix 1.0

PageLogic {
    id: logic

    status: OpenBookStatus {
        id: book
        searchInBookStatus: searchInBookItem.searchInBookStatus
    }

    readonly property alias searchInBook: searchInBookItem

    SearchInBook {
        id: searchInBookItem
        openBookLogic: logic
        openBookStatus: book
    }

    // While true, scrolling neither refills the page nor samples the section.
    property bool ignoreScroll: false
    property int sectionNavigationGeneration: 0
    property int sectionSampleGeneration: 0
    readonly property string sectionDocumentUrl: tabItem && tabItem.webView ? documentOf(tabItem.webView.url) : ""
    readonly property bool sectionDocumentLoading: tabItem && tabItem.webView ? tabItem.webView.loading : false

    // Sections per direction when the run is rebuilt, and the script length
    // at which a direction stops.
    readonly property int batchSectionCount: 30
    readonly property int batchScriptLength: 2500
    readonly property string baseScript: "showPage()\n"

    property bool timerAddContentIsNeed: false

    function documentOf(url) {
        var text = url.toString()
        var hash = text.indexOf("#")
        return hash < 0 ? text : text.substring(0, hash)
    }

    onSectionDocumentUrlChanged: invalidateSectionNavigation()
    onSectionDocumentLoadingChanged: {
        if (sectionDocumentLoading)
            invalidateSectionNavigation()
    }

    // ---- navigation operations ----

    function makeOperation(sectionCode, callback) {
        return {
            "generation": sectionNavigationGeneration,
            "documentUrl": sectionDocumentUrl,
            "sectionCode": sectionCode,
            "callback": callback,
            "finished": false
        }
    }

    function isOperationCurrent(operation) {
        return !!operation && !operation.finished && operation.generation === sectionNavigationGeneration
                && operation.documentUrl === sectionDocumentUrl && !sectionDocumentLoading
    }

    function finishOperation(operation, success) {
        if (!isOperationCurrent(operation))
            return
        operation.finished = true
        ignoreScroll = false
        armRefill()
        if (operation.callback)
            operation.callback(success)
    }

    function commitOperation(operation) {
        if (!isOperationCurrent(operation))
            return false
        return book.commitVisibleSection(operation.sectionCode)
    }

    function invalidateSectionNavigation() {
        sectionNavigationGeneration += 1
        sectionSampleGeneration += 1
        timerUpdateCurrentSection.stop()
        timerScrollDelay.stop()
        timerScrollDelay.operation = null
        timerScrollDelay.callback = null
        timerScrollDelay.script = ""
        ignoreScroll = false
    }

    // ---- sections ----

    function sectionCall(functionName, section) {
        return functionName + "(\"" + section.html + "\", " + (section.needUpdateFavoriteButtonsPosition === true) + ")"
    }

    function prependSection() {
        var section = book.getPreviousSection()
        if (!section)
            return false
        runScript(sectionCall("prependSection", section), function (index) {
            if (index !== undefined && index !== null)
                book.setStartPartIndex(parseInt(index, 10))
        })
        return true
    }

    function appendSection() {
        var section = book.getNextSection()
        if (!section)
            return false
        runScript(sectionCall("appendSection", section), function (index) {
            if (index !== undefined && index !== null)
                book.setLastPartIndex(parseInt(index, 10))
        })
        return true
    }

    // Sections after (and, unless forwardOnly, before) the shown run in one
    // script, so that content and position change in one task or not at all:
    // a positioning script that fails throws and the script has no value.
    function addSectionsInView(forwardOnly, countLimit, lengthLimit, script, callback, postInsertionScript, isCurrent) {
        var text = script ? script : ""
        var favorites = false
        var added = ""
        var section
        for (var i = 0; i < countLimit && added.length < lengthLimit; ++i) {
            section = book.getNextSection()
            if (!section)
                break
            added += "appendSection(\"" + section.html + "\");\n"
            favorites = favorites || section.needUpdateFavoriteButtonsPosition === true
        }
        text += added
        if (!forwardOnly) {
            added = ""
            for (i = 0; i < countLimit && added.length < lengthLimit; ++i) {
                section = book.getPreviousSection()
                if (!section)
                    break
                added += "prependSection(\"" + section.html + "\");\n"
                favorites = favorites || section.needUpdateFavoriteButtonsPosition === true
            }
            text += added
        }
        if (favorites)
            text += "updateFavoriteButtonsPositionDelay();\n"
        if (postInsertionScript)
            text += "if (!(" + postInsertionScript + ")) throw new Error(\"Section positioning failed\");\n"
        text += "getSectionsRange();"
        runScript(text, function (range) {
            if (isCurrent && !isCurrent())
                return
            if (!range || range.start === undefined || range.end === undefined) {
                if (callback)
                    callback(false)
                return
            }
            book.setStartPartIndex(range.start)
            book.setLastPartIndex(range.end)
            if (callback)
                callback(true)
        })
    }

    // Whether a section was added (true too while a script is still due: an
    // append in flight must not stop the refill).
    function addContentIsNeed() {
        if (activeScriptCount > 0) {
            console.warn("OpenBookLogic: Some script already executing")
            return true
        }
        var view = tabItem.webView
        var reserve = Math.max(1200, 3 * view.height)
        var added = false
        if (view.scrollPosition.y < reserve && prependSection())
            added = true
        if (view.contentsSize.height - view.height - view.scrollPosition.y < reserve && appendSection())
            added = true
        return added
    }

    // A run that does not fill the view gives the reader nothing to scroll:
    // after each fill the refill checks until nothing more is needed.
    function armRefill() {
        timerAddContentIsNeed = true
        refillTimer.restart()
    }

    onScrollPositionChanged: {
        if (!pageWasLoaded || ignoreScroll || !book.isBookOpen)
            return
        if (!timerAddContentIsNeed && addContentIsNeed()) {
            timerAddContentIsNeed = true
            refillTimer.restart()
        }
        // Not restarted: while the reader keeps scrolling the section is
        // sampled every 250 ms.
        if (!timerUpdateCurrentSection.running)
            timerUpdateCurrentSection.start()
    }

    Timer {
        id: refillTimer
        objectName: "refillTimer"
        interval: 100
        repeat: true
        running: !!logic.tabItem && logic.tabItem.visible
        onTriggered: {
            if (logic.timerAddContentIsNeed && !logic.addContentIsNeed())
                logic.timerAddContentIsNeed = false
        }
    }

    // ---- the section in view ----

    readonly property string sampleScript: "getSectionCodeByCoords(window.innerWidth * 0.15, window.innerHeight * 0.15)"
    readonly property string firstSectionScript:
        "(function () { var first = getContentElement().firstElementChild;"
        + " return first ? { sectionCode: first.id, sectionIndex: first.getAttribute('data-section-index') } : null; })()"

    function updateCurrentSection(fallbackToFirst, callback) {
        if (ignoreScroll || sectionDocumentLoading)
            return
        var navigation = sectionNavigationGeneration
        sectionSampleGeneration += 1
        var sample = sectionSampleGeneration
        var documentUrl = sectionDocumentUrl
        var script = fallbackToFirst ? "(" + sampleScript + ") || " + firstSectionScript : sampleScript
        runJavaScript(script, function (result) {
            if (ignoreScroll || sectionDocumentLoading || navigation !== sectionNavigationGeneration
                    || sample !== sectionSampleGeneration || documentUrl !== sectionDocumentUrl)
                return
            var committed = false
            if (result && result.sectionCode) {
                var index = parseInt(result.sectionIndex, 10)
                committed = book.commitVisibleSection(result.sectionCode, isNaN(index) ? -1 : index)
            }
            if (callback)
                callback(committed)
        })
    }

    Timer {
        id: timerUpdateCurrentSection
        objectName: "timerUpdateCurrentSection"
        interval: 250
        onTriggered: {
            if (!logic.ignoreScroll)
                logic.updateCurrentSection(false)
        }
    }

    // ---- navigation to a target ----

    // The scroll script runs first as a probe; a target not on the page is
    // reached by rebuilding the run around it, and scrolled to once more
    // after the new content has laid out. forceRefill always rebuilds.
    function scrollFunc(sectionCode, leadingScript, scrollScript, callback, forceRefill) {
        invalidateSectionNavigation()
        var operation = makeOperation(sectionCode, callback)
        ignoreScroll = true
        runScript((leadingScript ? leadingScript : "") + (forceRefill ? "false" : scrollScript), function (result) {
            if (!isOperationCurrent(operation))
                return
            if (result === true) {
                finishOperation(operation, commitOperation(operation))
                return
            }
            if (!book.seekSection(sectionCode)) {
                finishOperation(operation, false)
                return
            }
            addSectionsInView(false, batchSectionCount, batchScriptLength, "clearContent();\n", function (success) {
                if (!success || !commitOperation(operation)) {
                    finishOperation(operation, false)
                    return
                }
                if (!isOperationCurrent(operation))
                    return
                timerScrollDelay.stop()
                timerScrollDelay.script = scrollScript
                timerScrollDelay.callback = callback ? callback : null
                timerScrollDelay.pageUrl = tabStatus.url.toString()
                timerScrollDelay.operation = operation
                timerScrollDelay.interval = Tarnolix.webviewZoomFactor === 1.0 ? 20 : 50
                timerScrollDelay.start()
            }, scrollScript, function () { return isOperationCurrent(operation) })
        })
    }

    Timer {
        id: timerScrollDelay
        objectName: "timerScrollDelay"
        interval: 50
        property string script: ""
        property var callback: null
        property string pageUrl: ""
        property var operation: null
        onTriggered: {
            var operation = timerScrollDelay.operation
            if (!logic.isOperationCurrent(operation)) {
                timerScrollDelay.callback = null
                timerScrollDelay.operation = null
                return
            }
            var script = timerScrollDelay.script
            timerScrollDelay.script = ""
            timerScrollDelay.callback = null
            timerScrollDelay.pageUrl = ""
            timerScrollDelay.operation = null
            logic.runScript(script, function (result) {
                if (!logic.isOperationCurrent(operation))
                    return
                if (!result)
                    console.warn("scrollFunc: failed. script was: " + script)
                logic.finishOperation(operation, !!result)
            })
        }
    }

    function seekSection(sectionCode, script, callback) {
        scrollFunc(sectionCode, script, "scrollToSection(" + JSON.stringify(sectionCode) + ")", callback, false)
    }

    // The page function gives the mark element: only a bool crosses over.
    function scrollToSearchResult(sectionCode, matchIndex, script, callback) {
        scrollFunc(sectionCode, script,
                   "Boolean(scrollToSearchResult(" + JSON.stringify(sectionCode) + ", " + Number(matchIndex) + "))",
                   callback, false)
    }

    function scrollToFavorite(sectionCode, favoriteItemUuid, script, callback) {
        var uuid = String(favoriteItemUuid).replace(/[^0-9A-Fa-f-]/g, "")
        scrollFunc(sectionCode, script, "scrollToFavorite('" + uuid + "')", callback, false)
    }

    // ---- opening ----

    function fullTextResultsShown() {
        var storage = tabStatus.searchDataStorage
        return storage.hasSearchResults && !!storage.searchData
                && storage.searchData.searchType === Constants.FullText
    }

    // Every way of opening ends in report(success).
    function openPage(report) {
        if (!book.openBook()) {
            report(false)
            return
        }
        var sectionCode = tabStatus.sectionCode
        if (sectionCode !== "") {
            var srItemId = tabStatus.srItemId
            if (srItemId >= 0 && fullTextResultsShown()) {
                scrollToSearchResult(sectionCode, 0, baseScript, function (success) {
                    if (!success) {
                        report(false)
                        return
                    }
                    // -1 is an error already shown; 0 is where the first scroll went.
                    var matchIndex = book.getMatchIndex(sectionCode, srItemId)
                    if (matchIndex > 0)
                        scrollToSearchResult(sectionCode, matchIndex, "", report)
                    else
                        report(true)
                })
            } else if (tabStatus.favoriteItemUuid !== "") {
                scrollToFavorite(sectionCode, tabStatus.favoriteItemUuid, baseScript, report)
            } else {
                seekSection(sectionCode, baseScript, report)
            }
            return
        }
        var generation = sectionNavigationGeneration
        var documentUrl = sectionDocumentUrl
        addSectionsInView(true, batchSectionCount, batchScriptLength, baseScript, function (success) {
            if (!success) {
                report(false)
                return
            }
            if (generation !== sectionNavigationGeneration || documentUrl !== sectionDocumentUrl)
                return
            updateCurrentSection(true, function (committed) {
                armRefill()
                report(committed)
            })
        })
    }

    // The outcome of the last opening, for whoever waits on it.
    signal pageOpened(bool success)

    onPageLoaded: {
        invalidateSectionNavigation()
        openPage(function (success) { logic.pageOpened(success) })
    }

    // ---- restoring the reading place ----

    function validAnchor(anchor) {
        return !!anchor && typeof anchor.sectionCode === "string" && anchor.sectionCode !== ""
                && Number.isInteger(anchor.elementIndex) && typeof anchor.top === "number" && isFinite(anchor.top)
    }

    // Ends an in-book search (resetSearch) and rebuilds the sections with the
    // remaining highlighting around the place the reader was reading.
    function restoreAfterSearch(resetSearch) {
        invalidateSectionNavigation()
        var operation = makeOperation("", null)
        var bookId = tabStatus.bookId
        var language = tabStatus.pageLanguage
        ignoreScroll = true
        runScript("captureBookReadingAnchor()", function (anchor) {
            if (!isOperationCurrent(operation) || tabStatus.bookId !== bookId || tabStatus.pageLanguage !== language)
                return
            var generation = sectionNavigationGeneration
            resetSearch()
            // Ending the search invalidates navigation once; anything more
            // means a newer search owns the view.
            if (sectionNavigationGeneration !== generation + 1 || operation.documentUrl !== sectionDocumentUrl
                    || sectionDocumentLoading || tabStatus.bookId !== bookId || tabStatus.pageLanguage !== language)
                return
            if (!validAnchor(anchor)) {
                runScript("endSearchInBook()")
                console.warn("Search restoration: reading anchor unavailable; retaining current content")
                return
            }
            scrollFunc(anchor.sectionCode, "", "restoreBookReadingAnchor(" + JSON.stringify(anchor) + ")", null, true)
        })
    }

    // ---- the book changed in the library ----

    function refreshUpdatedContent() {
        // The page-loaded step reopens the book.
        if (sectionDocumentLoading || pageLoading)
            return
        invalidateSectionNavigation()
        var generation = sectionNavigationGeneration
        var documentUrl = sectionDocumentUrl
        var bookId = tabStatus.bookId
        var language = tabStatus.pageLanguage
        ignoreScroll = true
        runScript("captureBookReadingAnchor()", function (anchor) {
            if (generation !== sectionNavigationGeneration || documentUrl !== sectionDocumentUrl
                    || sectionDocumentLoading || tabStatus.bookId !== bookId || tabStatus.pageLanguage !== language)
                return
            var preferred = anchor && anchor.sectionCode ? anchor.sectionCode : tabStatus.sectionCode
            var sectionCode = book.refreshUpdatedBook(preferred)
            invalidateSectionNavigation()
            if (sectionCode === "" || !book.seekSection(sectionCode))
                return
            var operation = makeOperation(sectionCode, null)
            ignoreScroll = true
            var position = "Boolean(scrollToSection(" + JSON.stringify(sectionCode) + "))"
            if (validAnchor(anchor) && anchor.sectionCode === sectionCode)
                position = "restoreBookReadingAnchor(" + JSON.stringify(anchor) + ") || " + position
            addSectionsInView(false, batchSectionCount, batchScriptLength, "clearContent();\n", function (success) {
                finishOperation(operation, success && commitOperation(operation))
            }, position, function () { return isOperationCurrent(operation) })
        })
    }

    function zoomChanged() {
        if (book.favoriteLogic && book.favoriteLogic.isExistsFovorites())
            runScript("updateFavoriteButtonsPositionDelay()")
    }

    Connections {
        target: book
        function onBookContentReloadRequested() { logic.refreshUpdatedContent() }
        function onBookAccessRevoked() {
            if (logic.tabItem && logic.tabItem.presentationContent)
                logic.tabItem.presentationContent.handleBookAccessRevoked()
        }
        function onNeedReloadSections(v) {
            var script = "window.getSelection().removeAllRanges();\n"
            var sections = v.sections
            for (var i = 0; i < sections.length; ++i) {
                script += "replaceSection(" + JSON.stringify(sections[i].sectionCode) + ", \"" + sections[i].html
                        + "\", " + (v.needUpdateFavoriteButtonsPosition === true) + ");\n"
            }
            logic.runScript(script)
        }
    }
}
