import QtQuick 2.15
import QtQuick.Window 2.15
import QtWebEngine 1.10
import QtWebChannel 1.0
import Tarnolix 1.0

// A tab set up as the program's tab item sets it up: the tab follows the
// view's URL and loading state, the view registers the tab's web-channel
// object and hands the tab its profile, and "openUrl" loads a URL.
Window {
    id: root
    width: 900
    height: 600
    color: "#3a3c40"

    property alias tab: tab
    property alias view: view
    property var lastResult
    property int results: 0
    property int loads: 0
    property bool lastLoadOk: false

    function openUrl(url) { view.url = url }
    function runScript(script) {
        view.runJavaScript(script, function (result) { root.lastResult = result; root.results += 1 })
    }

    TabStatus {
        id: tab
        tabItem: root
        url: view.url
        pageLoading: view.loading
        language: Constants.Russian
    }

    WebEngineProfile {
        id: profile
        offTheRecord: true
    }

    WebChannel {
        id: channel
        Component.onCompleted: channel.registerObjects({ "tabWebChannel": tab.webChannel })
    }

    WebEngineView {
        id: view
        anchors.fill: parent
        profile: profile
        webChannel: channel
        userScripts: [
            WebEngineScript {
                name: "qwebchannel"
                sourceUrl: "qrc:///qtwebchannel/qwebchannel.js"
                injectionPoint: WebEngineScript.DocumentCreation
                worldId: WebEngineScript.MainWorld
            },
            WebEngineScript {
                name: "myscript"
                sourceUrl: "qrc:///web/js/myscript.js"
                injectionPoint: WebEngineScript.DocumentCreation
                worldId: WebEngineScript.MainWorld
            }
        ]
        onLoadingChanged: {
            if (loadRequest.status !== WebEngineView.LoadStartedStatus) {
                root.lastLoadOk = loadRequest.status === WebEngineView.LoadSucceededStatus
                root.loads += 1
            }
        }
        Component.onCompleted: tab.setUpProfile(profile)
    }
}
