// The full-text results page: the first screen in one script with the
// clearing of the page, then bounded batches of hits while little of the
// page is left below the view, and a page restored from the tab's search
// data shown where the reader left it.
import QtQuick 2.15
import Tarnolix 1.0
import "../SearchResultsTree"

SearchLogic {
    id: logic

    status: FTSearchPageStatus { id: page }

    searchResultsTree: BooksSearchResultsTree {
        objectName: "searchResultsTree"
        visible: false
        tabStatus: logic.tabStatus
    }

    property bool timerAddContentIsNeed: false
    property int notNeedAddContent: 0

    readonly property int firstScreenEntries: 10
    readonly property int batchCalls: 500
    readonly property int batchVisibleHits: 8
    readonly property int batchScriptLength: 131072

    function setBusy(busy) {
        if (tabItem)
            tabItem.needShowBusyIndicator = busy
    }

    Connections {
        target: page
        function onStatusChanged() {
            console.log("FTSearchLogic: onStatusChanged: " + page.status)
            switch (page.status) {
            case TarnolixConstants.InvalidSearchStatus:
                logic.setBusy(false)
                break
            case TarnolixConstants.Searching:
                if (logic.pageWasLoaded)
                    logic.runScript("clearContent()")
                logic.setBusy(true)
                break
            case TarnolixConstants.SearchFinished:
                console.log("FTSearchLogic: onStatusChanged: resultsPageRestored=" + page.resultsPageRestored)
                // A restored page is shown when it has loaded.
                if (!page.resultsPageRestored) {
                    logic.showResults("")
                    logic.initIsNeed()
                    logic.setBusy(false)
                }
                break
            }
        }
    }

    function appendLine(html) { return "appendContent(\"" + html + "\");\n" }

    // The page starts over: a page kept by the view's history may still hold
    // the old entries, and the hits are taken from the first again.
    function showResults(leadingScript) {
        var script = "clearContent();\n" + (leadingScript ? leadingScript : "")
        var authors = page.getAuthorMatchCount()
        var bookNames = page.getBookNameMatchCount()
        var shortNames = page.getShortNameMatchCount()
        var i
        for (i = 0; i < authors; ++i)
            script += appendLine(page.getAuthorMatch(i))
        for (i = 0; i < bookNames; ++i)
            script += appendLine(page.getBookNameMatch(i))
        for (i = 0; i < shortNames; ++i)
            script += appendLine(page.getShortNameMatch(i))
        script += getNVisibleResulst(firstScreenEntries - (authors + bookNames))
        runScript(script, function () { logic.armRefill() })
    }

    // Hits until `n` visible ones were taken; hidden ones go in hidden.
    function getNVisibleResulst(n) {
        var script = ""
        var visible = 0
        var all = 0
        while (visible < n) {
            var result = page.getNextSearchResult()
            if (!result)
                break
            ++all
            if (!result.hidden)
                ++visible
            script += appendLine(result.html)
        }
        console.log("getNVisibleResulst: visible items: " + visible + "; all items: " + all)
        return script
    }

    // One bounded batch; true when it queued a script.
    function appendSearchResult() {
        var script = ""
        var calls = 0
        var visible = 0
        while (calls < batchCalls && visible < batchVisibleHits && script.length < batchScriptLength) {
            ++calls
            var result = page.getNextSearchResult()
            if (!result)
                break
            if (!result.hidden)
                ++visible
            script += appendLine(result.html)
        }
        if (script.length === 0) {
            console.log("FTSearchLogic: appendSearchResult: Nothing found")
            return false
        }
        console.log("FTSearchLogic: appendSearchResult: script.length=%1 i=%2 visibleItemFound=%3"
                    .arg(script.length).arg(calls).arg(visible > 0 ? "true" : "false"))
        runScript(script)
        return true
    }

    // A batch while less than max(1200, 3 view heights) of content is left
    // below the view; while a script is pending the answer is true, so that
    // the refill goes on after it.
    function addContentIsNeed(reason) {
        if (activeScriptCount > 0) {
            console.warn("FTSearchLogic: Some script already executing. reason: " + reason)
            return true
        }
        var view = tabItem.webView
        var below = view.contentsSize.height - view.height - view.scrollPosition.y
        if (below < Math.max(1200, 3 * view.height))
            return appendSearchResult()
        return false
    }

    function armRefill() {
        console.log("FTSearchLogic: addContentIsNeed timer started")
        timerAddContentIsNeed = true
        notNeedAddContent = 0
    }

    // Goes on for about a second after the page looked full, which also
    // refills a page whose visible hits were all hidden at once.
    Timer {
        id: refillTimer
        interval: 100
        repeat: true
        running: logic.tabItem ? logic.tabItem.visible : false
        onTriggered: {
            if (!logic.timerAddContentIsNeed)
                return
            if (logic.addContentIsNeed("timer")) {
                logic.notNeedAddContent = 0
            } else if (++logic.notNeedAddContent > 10) {
                logic.timerAddContentIsNeed = false
                console.log("FTSearchLogic: addContentIsNeed timer stopped")
            }
        }
    }

    onScrollPositionChanged: {
        if (!pageWasLoaded)
            return
        if (activeScriptCount === 0 && !timerAddContentIsNeed && addContentIsNeed("onScrollPositionChanged")) {
            armRefill()
            refillTimer.restart()
        }
        runJavaScript("getElementScrollPosition()", function (position) {
            if (position && position.id !== undefined)
                page.setSearchResultFocusElement(position.id, position.yOffset)
            else
                console.warn("Update scroll position failed")
        })
    }

    onPageLoaded: {
        console.log("FTSearchLogic: onPageLoaded: resultsPageRestored=" + page.resultsPageRestored)
        if (page.resultsPageRestored) {
            var script = "showPageDelay(100);\n"
            var position = page.getSavedElemendScrollPositon()
            if (position)
                script += "restoreElementScrollPosition(" + JSON.stringify(String(position.id)) + ", "
                        + position.yOffset + ");"
            runScript(script)
            initIsNeed()
        } else {
            runScript("showPage()")
        }
    }

    // ---- hiding and showing hits from the tree ----

    // With the follow-up, the first visible hits are added after the call
    // and the refill armed: hiding may leave the view empty.
    function callSHFunction(funcName, docNumbers, checkAddContentIsNeed) {
        console.log(funcName + ": docNumbers.length=" + docNumbers.length
                    + " checkAddContentIsNeed=" + checkAddContentIsNeed)
        var script = getSHScript(funcName, docNumbers)
        if (script === "") {
            console.log("FTSearchLogic: getSHScript nothing")
            return
        }
        runScript(script, checkAddContentIsNeed ? function () {
            var more = logic.getNVisibleResulst(logic.firstScreenEntries)
            if (more !== "")
                logic.runScript(more)
            logic.armRefill()
            refillTimer.restart()
        } : undefined)
    }

    // Hits shown again that were hidden when the page passed them are not
    // on the page: appending them would put them after later hits.
    function showOrReload(docNumbers) {
        if (page.isHiddenResultsBecameVisible()) {
            console.log("FTSearchLogic: Reload page...")
            tabItem.webView.reload()
        } else {
            callSHFunction("showElements", docNumbers, true)
        }
    }

    Connections {
        target: logic.searchResultsTree
        function onItemChecked(index) {
            if (logic.searchResultsTree.ignoreChecked)
                return
            var docNumbers = logic.searchResultsTree.getBranchIds(index)
            console.log("FTSearchLogic: Item checked")
            console.log("FTSearchLogic: Item checked: docNumbers.length=" + docNumbers.length + " " + docNumbers)
            page.setSearchResultsHidden(docNumbers, false)
            logic.showOrReload(docNumbers)
        }
        function onItemUnchecked(index) {
            if (logic.searchResultsTree.ignoreChecked)
                return
            var docNumbers = logic.searchResultsTree.getBranchIds(index)
            logic.callSHFunction("hideElements", docNumbers, true)
            page.setSearchResultsHidden(docNumbers, true)
        }
        function onAllChecked() {
            if (logic.searchResultsTree.ignoreChecked)
                return
            logic.showOrReload(page.setSearchResultsVisibleAll())
        }
        function onAllUnchecked() {
            if (logic.searchResultsTree.ignoreChecked)
                return
            logic.callSHFunction("hideElements", page.setSearchResultsHiddenAll(), true)
        }
    }
}
