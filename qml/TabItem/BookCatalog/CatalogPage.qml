// One catalogue tab's page of the catalogue panel: its tree and model are
// made on the page's first visit and kept, with their expanded rows and
// check states, for the life of the panel.
import QtQuick 2.15
import Tarnolix 1.0
import "../TreeView"

Item {
    id: page

    property int catalogTab: Constants.InvalidCatalogTab
    // The favorites-by-books language; other pages follow the panel's.
    property int language: Constants.InvalidLanguage
    property TabStatus tabStatus: null
    // The model, by component or, for models registered by other parts of
    // the program, by type name.
    property Component modelComponent: null
    property string modelType: ""
    property bool used: false
    readonly property var tree: loader.item

    // The reader clicked a row while the tree was in filter mode.
    signal foundElementEntered()

    function createModel(parentItem) {
        if (modelComponent)
            return modelComponent.createObject(parentItem)
        try {
            var created = Qt.createQmlObject("import Tarnolix 1.0; " + modelType + " {}", parentItem)
            if (catalogTab === Constants.FavoritesByBooks)
                created.language = language
            return created
        } catch (error) {
            console.warn("No catalogue model " + modelType + ": " + error)
            return null
        }
    }

    Loader {
        id: loader
        anchors.fill: parent
        active: page.used
        sourceComponent: CatalogTree {
            id: tree
            objectName: "catalogTree" + page.catalogTab + (page.catalogTab === Constants.FavoritesByBooks ? "_" + page.language : "")
            tabStatus: page.tabStatus
            onFoundElementEntered: page.foundElementEntered()
            Component.onCompleted: treeModel = page.createModel(tree)
        }
    }
}
