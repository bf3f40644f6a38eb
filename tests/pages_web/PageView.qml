import QtQuick 2.15
import QtQuick.Window 2.15
import QtWebEngine 1.10
import QtWebChannel 1.0

// A web view set up as a tab's view is: its own off-the-record profile, the
// channel with "tabWebChannel", and the web channel client and the shared page
// script injected at document creation into the main world.
Window {
    id: root
    width: 1000
    height: 700
    color: "#3a3c40"

    property alias view: view
    property alias profile: profile

    function runScript(requestId, script) {
        view.runJavaScript(script, function (result) { probe.finished(requestId, result) })
    }

    WebEngineProfile {
        id: profile
        offTheRecord: true
    }

    WebChannel {
        id: channel
        Component.onCompleted: channel.registerObjects({ "tabWebChannel": tabWebChannel })
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
        onJavaScriptConsoleMessage: probe.console(level, message)
        onLoadingChanged: {
            if (loadRequest.status !== WebEngineView.LoadStartedStatus)
                probe.loaded(loadRequest.status === WebEngineView.LoadSucceededStatus)
        }
    }
}
