// The tab control as the main window and the left menu see it: tabs with a
// state object, the catalogue choices they are asked for, book mode, and the
// owner's say over tab switches. Enough to drive the main window before the
// real tab area is part of it.
import QtQuick 2.15
import Tarnolix 1.0

Item {
    id: control

    property var presentationRequest: null
    property bool presentationBusy: false
    property var tabs: []
    property int currentIndex: -1
    readonly property QtObject currentTab: currentIndex >= 0 && currentIndex < tabs.length ? tabs[currentIndex] : null

    function addTab() {
        var tab = tabComponent.createObject(control)
        tabs = tabs.concat([tab])
        currentIndex = tabs.length - 1
        return tab
    }
    function commitTab(index) {
        if (index >= 0 && index < tabs.length)
            currentIndex = index
    }
    function selectTab(index) {
        if (presentationBusy || index === currentIndex || index < 0 || index >= tabs.length)
            return
        if (presentationRequest)
            presentationRequest(tabs[index], function() { control.commitTab(index) })
        else
            commitTab(index)
    }

    Component {
        id: tabComponent

        Item {
            id: tab

            property bool languageTransitionActive: false
            property bool selectBooksButtonChecked: false
            // [catalog, language, result type] of each catalogue choice.
            property var calls: []
            property var scripts: []
            // The real tab state: the application and the menu read it.
            readonly property TabStatus status: TabStatus {
                tabItem: tab
                language: TarnolixConstants.Russian
                catalog: TarnolixConstants.RussianCatalog
                catalogLanguage: TarnolixConstants.Russian
                property int basePagesOpened: 0
            }

            // Where the tab state opens its pages: the view would load the URL
            // and report it back.
            function openUrl(url) {
                if (String(url).indexOf("tarnolix://newtab") === 0)
                    status.basePagesOpened++
                status.url = url
            }
            function selectBookCatalog(catalog, language) {
                selectSearchCatalog(catalog, language, UrlCreator.FTSearch)
            }
            function selectSearchCatalog(catalog, language, resultType) {
                calls = calls.concat([[catalog, language, resultType]])
                status.catalog = catalog
                if (catalog === TarnolixConstants.WordByWordCatalog)
                    status.catalogLanguage = language
            }
            function changeBookMode() {
                if (status.pageType !== UrlCreator.OpenBook && !status.bookMode)
                    return
                status.bookMode = !status.bookMode
            }
            function runScript(script) {
                scripts = scripts.concat([script])
            }
        }
    }
}
