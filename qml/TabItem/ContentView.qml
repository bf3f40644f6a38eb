// The page area of one tab: its web view, the page logic of the tab's page
// kind, the one queue through which the interface runs scripts in the page
// (answers meant for a document that is gone are dropped), when the page is
// shown, the busy indicator, and the reader's zoom, colour mode and content
// settings carried into the page.
import QtQuick 2.15
import Tarnolix 1.0
import "../controls"

Rectangle {
    id: content
    objectName: "contentView"

    property var tarnolix: Tarnolix
    property var tabStatus: null
    property alias pageLogic: logicLoader.item
    property alias webView: webView
    property int activeScriptCount: 0
    property bool scriptExecuting: false
    property var scriptQueue: []
    property int documentGeneration: 0
    property string scriptDocumentUrl: ""
    property int newTabPresentationGeneration: 0
    property bool needShowBusyIndicator: false
    // Set only by a scene hand-over, which this web view cannot do.
    property bool presentationActive: false

    signal exportAllFavoritesClicked()

    readonly property int pageKind: tabStatus ? tabStatus.pageStatusType : UrlCreator.InvalidQuery
    color: {
        if (pageKind === UrlCreator.NewTab || pageKind === UrlCreator.InvalidQuery)
            return Constants.lightBlack
        switch (Tarnolix.currentColorMode) {
        case Constants.Light: return Constants.white
        case Constants.Dark: return Constants.lightBlack
        case Constants.Mixed: return Constants.lightGray
        }
        console.warn("Invalid currentColorMode")
        return Constants.lightGray
    }

    readonly property string newTabShowScript:
        "(function() { var page = document.getElementById('page');"
        + " if (!page || !document.querySelector('.new-tab') || typeof showPage !== 'function') return false;"
        + " showPage(); return getComputedStyle(page).opacity === '1'; })()"

    // --- the script queue ---

    function runScript(script, callback) {
        scriptQueue.push({ "script": script, "callback": callback, "generation": documentGeneration })
        activeScriptCount += 1
        runNextScript()
    }

    function runNextScript() {
        if (scriptExecuting || scriptQueue.length === 0)
            return
        scriptExecuting = true
        var entry = scriptQueue.shift()
        webView.runJavaScript(entry.script, function (result) {
            activeScriptCount -= 1
            scriptExecuting = false
            if (entry.callback && entry.generation === documentGeneration)
                entry.callback(result)
            runNextScript()
        })
    }

    // Drops the queued scripts of the current document; a running one still
    // counts down, but its callback is not called.
    function invalidateScripts() {
        documentGeneration += 1
        activeScriptCount -= scriptQueue.length
        scriptQueue = []
    }

    function documentOf(url) {
        var text = url.toString()
        var hash = text.indexOf("#")
        return hash < 0 ? text : text.substring(0, hash)
    }

    // --- navigation ---

    function openUrl(url) {
        console.log("ContentView::openUrl: " + url)
        webView.url = url
    }

    function openBookSection(language, bookOfCatalog, itemPath) {
        var model = tabStatus.newUrlCreator()
        model.queryType = UrlCreator.OpenBook
        model.language = language
        model.catalogTab = bookOfCatalog
        model.itemPath = itemPath
        var pageStatus = tabStatus.pageStatus
        if (pageStatus && pageStatus.type === UrlCreator.OpenBook && typeof pageStatus.canSeekSection === "function"
                && pageStatus.canSeekSection(model) && pageLogic && typeof pageLogic.seekSection === "function") {
            pageLogic.seekSection(model.getSectionCode())
        } else {
            console.log("ContentView::openBookSection: " + model.url)
            webView.url = model.url
        }
        model.destroy()
    }

    // A page's request for a new window becomes a new tab (none at the limit).
    function openNewView(request) {
        var tabControl = Tarnolix.tabControl
        var tab = tabControl ? tabControl.addTab() : null
        if (!tab)
            return
        // The new tab's own profile serves the page, so the URL is opened
        // there instead of adopting the page made in this tab's profile.
        tab.openUrl(request.requestedUrl !== undefined ? request.requestedUrl : request)
    }

    function handleBookAccessRevoked() {
        invalidateScripts()
        showTimer.stop()
        webView.opacity = 0
        webView.stop()
        tabStatus.bookMode = false
        tabStatus.openBasePage()
    }

    // --- page logic ---

    function logicFileOf(pageType) {
        switch (pageType) {
        case UrlCreator.OpenBook: return "OpenBookLogic.qml"
        case UrlCreator.OpenBookCover: return "OpenBookCoverLogic.qml"
        case UrlCreator.OpenAuthor: return "OpenAuthorLogic.qml"
        case UrlCreator.NewTab: return "NewTabLogic.qml"
        case UrlCreator.FTSearch: return "FTSearchLogic.qml"
        case UrlCreator.WBWSearch: return "WBWSearchLogic.qml"
        case UrlCreator.GlossarySearch: return "GlossarySearchLogic.qml"
        case UrlCreator.Glossary: return "GlossaryLogic.qml"
        case UrlCreator.Converter: return "ConverterLogic.qml"
        case UrlCreator.Favorites: return "FavoritesLogic.qml"
        case UrlCreator.FavoritesSearch: return "FavoritesSearchLogic.qml"
        case UrlCreator.Redirect: return ""
        }
        console.warn("Invalid page type: " + pageType)
        return ""
    }

    function updatePageLogic() {
        needShowBusyIndicator = false
        var file = logicFileOf(tabStatus.pageType)
        if (file === "") {
            console.log("Page logic delete")
            logicLoader.source = ""
            return
        }
        var source = "qrc:/TabItem/PageLogic/" + file
        if (logicLoader.source.toString() !== source) {
            console.log("Page logic changed to " + file)
            logicLoader.setSource(source, { "tabItem": tabStatus.tabItem, "tabStatus": tabStatus })
        }
    }

    Loader {
        id: logicLoader
        onLoaded: {
            if (item && item.status)
                item.status.initialize()
        }
    }

    property bool lastUrlHasFragment: false
    Connections {
        target: content.tabStatus
        function onUrlChanged() {
            content.updatePageLogic()
            var hasFragment = content.tabStatus.urlHasFragment
            if (hasFragment && !content.lastUrlHasFragment) {
                // An anchor jump inside a page: its loading may never end.
                webView.opacity = 1
                showTimer.stop()
            }
            content.lastUrlHasFragment = hasFragment
        }
    }

    // --- page visibility ---

    function pageKindIsNewTab() { return tabStatus && tabStatus.pageType === UrlCreator.NewTab }

    function handleLoadingChanged(loading) {
        newTabPresentationGeneration += 1
        var generation = newTabPresentationGeneration
        if (loading) {
            webView.opacity = tabStatus.urlHasFragment ? 1 : 0
            showTimer.stop()
            return
        }
        var pageStatus = pageLogic && pageLogic.status ? pageLogic.status : null
        if (pageKindIsNewTab()) {
            var document = documentGeneration
            var url = webView.url.toString()
            var stillCurrent = function () {
                return generation === newTabPresentationGeneration && document === documentGeneration
                        && url === webView.url.toString() && !webView.loading && pageKindIsNewTab()
            }
            webView.opacity = 0
            showTimer.stop()
            webView.updateCompactLayout(function () {
                if (!stillCurrent())
                    return
                runScript(newTabShowScript, function (result) {
                    if (!stillCurrent())
                        return
                    if (result === true)
                        webView.opacity = 1
                    else
                        console.warn("New tab preparation failed; keeping the dark placeholder")
                })
            })
            if (pageStatus)
                pageStatus.initializePage()
            return
        }
        webView.updateCompactLayout()
        if (pageStatus)
            pageStatus.initializePage()
        showTimer.restart()
    }

    Timer {
        id: showTimer
        interval: 100
        onTriggered: webView.opacity = 1
    }

    // --- zoom, colour mode, content settings, interface language ---

    function setZoomFactor(zoomFactor) {
        Tarnolix.settings.zoomFactor = zoomFactor
        webView.setZoomFactor()
    }

    onVisibleChanged: {
        if (visible)
            webView.setZoomFactor()
    }

    Connections {
        target: Tarnolix
        function onCurrentColorModeChanged() {
            if (content.pageKind === UrlCreator.InvalidQuery || webView.loading)
                return
            webView.runJavaScript("setColorMode(\"" + Constants.convertColorModeToString(Tarnolix.currentColorMode) + "\")")
        }
    }

    function contentSettingChanged(shown, cssClass) {
        webView.runJavaScript((shown ? "showContent" : "hideContent") + "(\"" + cssClass + "\")")
    }

    Connections {
        target: Tarnolix.settings
        function onShowSanskritChanged() { content.contentSettingChanged(Tarnolix.settings.showSanskrit, "hide-sanskrit") }
        function onShowDiacriticChanged() { content.contentSettingChanged(Tarnolix.settings.showDiacritic, "hide-diacritic") }
        function onShowWordByWordChanged() { content.contentSettingChanged(Tarnolix.settings.showWordByWord, "hide-word-by-word") }
        function onShowTranslateChanged() { content.contentSettingChanged(Tarnolix.settings.showTranslate, "hide-translate") }
        function onShowCommentChanged() { content.contentSettingChanged(Tarnolix.settings.showComment, "hide-comment") }
    }

    Connections {
        target: Tarnolix.translatorMngr
        // The pages are generated in the interface language.
        function onLanguageChanged() { webView.reload() }
    }

    // --- book mode keeping the reading position ---

    property bool restoreRunning: false
    property real lastContentHeight: 0
    property int unchangedTicks: 0

    function changeBookMode() {
        if (webView.scrollPosition.y > 2000 && !restoreRunning) {
            runScript("saveScrollPosition()", function () {
                tabStatus.bookMode = !tabStatus.bookMode
                lastContentHeight = 0
                unchangedTicks = 0
                restoreRunning = true
            })
        } else {
            tabStatus.bookMode = !tabStatus.bookMode
        }
    }

    Timer {
        interval: 1
        repeat: true
        running: content.restoreRunning && content.visible && !webView.loading
        onTriggered: {
            var height = webView.contentsSize.height
            if (height !== content.lastContentHeight) {
                content.runScript("restoreScrollPosition()")
                content.lastContentHeight = height
                content.unchangedTicks = 0
            } else if (++content.unchangedTicks > 100) {
                content.runScript("removeSavedScrollPosition()")
                content.restoreRunning = false
            }
        }
    }

    // The hand-over report of a language change; no hand-over ever runs
    // with this web view.
    function languageSectionReady(generation, success) {}

    ContentWebView {
        id: webView
        anchors.fill: parent
        contentView: content
        onUrlChanged: {
            var document = content.documentOf(url)
            if (document !== content.scriptDocumentUrl) {
                content.scriptDocumentUrl = document
                content.invalidateScripts()
            }
        }
    }

    // --- busy indicator ---

    readonly property bool busyWanted: (needShowBusyIndicator || webView.loading) && !pageKindIsNewTab()
                                       && !(tabStatus && tabStatus.urlHasFragment)
    onBusyWantedChanged: {
        if (busyWanted) {
            busyFade.stop()
            busyStop.stop()
            busy.opacity = 1
            busy.running = true
        } else {
            busyFade.start()
            busyStop.start()
        }
    }

    LoaderBlack {
        id: busy
        objectName: "busyIndicator"
        running: false
        x: Math.floor(webView.x + (webView.width - width) / 2)
        y: Math.floor(webView.y + (webView.height - height) / 2)
        NumberAnimation on opacity {
            id: busyFade
            running: false
            from: 1
            to: 0
            duration: 100
        }
    }
    Timer {
        id: busyStop
        interval: 100
        onTriggered: busy.running = false
    }
}
