// The base of every page logic: the page kind it owns (`status`), the tab it
// drives, and the page's loading as `pageLoaded`.
import QtQuick 2.15
import Tarnolix 1.0

Item {
    id: logic

    // The page kind; each logic sets it to an object it declares inline.
    property PageStatus status: null
    property var tabStatus: null
    property var tabItem: null
    readonly property bool pageLoading: tabStatus ? tabStatus.pageLoading : false
    readonly property point scrollPosition: tabItem && tabItem.webView ? tabItem.webView.scrollPosition : Qt.point(0, 0)
    readonly property int activeScriptCount: tabItem ? tabItem.activeScriptCount : 0
    property bool pageWasLoaded: false

    signal pageLoaded()

    // At once, outside the tab's script queue.
    function runJavaScript(script, callback) {
        if (callback)
            tabItem.webView.runJavaScript(script, callback)
        else
            tabItem.webView.runJavaScript(script)
    }
    // Through the tab's script queue.
    function runScript(script, callback) { tabItem.runScript(script, callback) }
    // Called by the web view after a zoom change.
    function zoomChanged() {}

    onStatusChanged: {
        if (status)
            status.tabStatus = Qt.binding(function () { return logic.tabStatus })
    }
    onPageLoadingChanged: {
        if (!pageLoading) {
            pageWasLoaded = true
            pageLoaded()
        }
    }
}
