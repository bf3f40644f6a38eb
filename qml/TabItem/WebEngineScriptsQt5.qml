// The scripts every document of a tab's view gets at creation: the web
// channel client, then the shared page script that connects to it.
import QtQuick 2.15
import QtWebEngine 1.10

QtObject {
    readonly property list<WebEngineScript> scripts: [
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
}
