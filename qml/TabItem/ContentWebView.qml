// A tab's web view: a profile of its own (off the record, memory cache) on
// which the tab installs its own scheme handler, the tab's web-channel
// object, and the page scripts.
import QtQuick 2.15
import QtWebEngine 1.10
import QtWebChannel 1.0
import Tarnolix 1.0

WebEngineView {
    id: view
    objectName: "contentWebView"

    property var contentView: null

    backgroundColor: "transparent"
    opacity: 0.0
    settings.localContentCanAccessRemoteUrls: true
    settings.autoLoadIconsForPage: false

    profile: WebEngineProfile {
        id: ownProfile
        offTheRecord: true
        httpCacheType: WebEngineProfile.MemoryHttpCache
        // Accepted as offered into the reader's download folder (the
        // profile's default); the engine picks a name that is still free.
        onDownloadRequested: function (download) {
            download.accept()
            console.log("Download accepted", download.url, download.path)
        }
    }

    webChannel: WebChannel { id: channel }

    Loader {
        id: scriptsLoader
        source: "WebEngineScriptsQt5.qml"
    }
    userScripts: scriptsLoader.item ? scriptsLoader.item.scripts : []

    // Applies the reader's zoom, then tells the page logic.
    function setZoomFactor() {
        updateCompactLayout(function () {
            if (contentView.pageLogic)
                contentView.pageLogic.zoomChanged()
        })
    }

    // The page's zoom and layout classes; the new-tab page keeps its body
    // at zoom 1 and takes the zoom only in its two size variables.
    function updateCompactLayout(callback) {
        // A view without a document never answers; a tab closed while
        // such an answer is due would be called back after its destruction.
        if (!contentView || url.toString() === "")
            return
        var z = Tarnolix.webviewZoomFactor
        var compact = width / z <= 720
        var script = [
            "var isNewTab = document.querySelector('.new-tab') !== null",
            "document.body.style.zoom = isNewTab ? 1 : " + z,
            "document.body.style.setProperty('--new-tab-text-size', '" + (14 * z) + "px')",
            "document.body.style.setProperty('--new-tab-title-size', '" + (20 * z) + "px')",
            "document.body.classList.toggle('new-tab-page', isNewTab)",
            "document.body.classList.toggle('compact-layout', " + compact + ")",
            "document.body.classList.toggle('extreme-zoom', " + (z >= 4) + ")"
        ].join("; ")
        contentView.runScript(script, function () {
            if (callback)
                callback()
        })
    }

    onWidthChanged: updateCompactLayout()
    onLoadingChanged: contentView.handleLoadingChanged(loading)
    onNewViewRequested: function (request) { contentView.openNewView(request) }
    onJavaScriptConsoleMessage: function (level, message, lineNumber, sourceID) {
        var text = "[JS] (%1:%2) %3".arg(sourceID).arg(lineNumber).arg(message)
        if (level === WebEngineView.InfoMessageLevel)
            console.debug(text)
        else if (level === WebEngineView.WarningMessageLevel)
            console.warn(text)
        else
            console.error(text)
    }

    Component.onCompleted: {
        channel.registerObjects({ "tabWebChannel": contentView.tabStatus.webChannel })
        contentView.tabStatus.setUpProfile(ownProfile)
    }
}
