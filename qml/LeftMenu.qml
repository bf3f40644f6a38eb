// The left menu: what the current tab shows (the book catalogues, the
// word-by-word search, the Sanskrit dictionaries), and at the bottom the
// settings and the about dialog (and the debug window in debug mode).
import QtQuick 2.15
import QtQuick.Window 2.15
import Tarnolix 1.0
import "controls"

Rectangle {
    id: menu

    signal aiClicked()
    signal updateBaseClicked()

    property bool aiActive: false
    property bool aiAvailable: false
    // Runs an entry's action; the main window's return to the reader.
    property var presentationRequest: null
    // The current tab item; null without one.
    property QtObject currentTab: null
    readonly property QtObject tabStatus: currentTab ? currentTab.status : null
    // Nothing is checked while the AI view is shown.
    readonly property int catalog: tabStatus && !aiActive ? tabStatus.catalog : TarnolixConstants.InvalidCatalog
    readonly property int interfaceLanguage: Tarnolix.translatorMngr.language

    function run(action) {
        if (presentationRequest)
            presentationRequest(action)
        else
            action()
    }

    function selectBookCatalog(catalog, language) {
        run(function() {
            if (menu.currentTab)
                menu.currentTab.selectBookCatalog(catalog, language)
        })
    }

    function selectSearchCatalog(catalog, language, resultType) {
        run(function() {
            if (menu.currentTab)
                menu.currentTab.selectSearchCatalog(catalog, language, resultType)
        })
    }

    // The word-by-word catalogue keeps its language; coming from another
    // catalogue it takes the interface's.
    function wordByWordLanguage() {
        if (tabStatus && tabStatus.catalog === TarnolixConstants.WordByWordCatalog)
            return tabStatus.catalogLanguage
        return interfaceLanguage
    }

    color: Constants.blackMenu

    Column {
        objectName: "leftMenuTop"
        anchors.horizontalCenter: parent.horizontalCenter
        y: 21 * dp
        spacing: 12 * dp

        // Russian, English, Sanskrit; English first with an English interface.
        Item {
            id: catalogues
            readonly property real step: rusButton.height + 12 * dp
            readonly property bool englishFirst: menu.interfaceLanguage === TarnolixConstants.English
            width: rusButton.width
            height: 3 * rusButton.height + 2 * 12 * dp

            RusCatalogButton {
                id: rusButton
                objectName: "rusCatalogButton"
                y: catalogues.englishFirst ? catalogues.step : 0
                checked: menu.catalog === TarnolixConstants.RussianCatalog
                onClicked: menu.selectBookCatalog(TarnolixConstants.RussianCatalog, TarnolixConstants.Russian)
            }
            EngCatalogButton {
                objectName: "engCatalogButton"
                y: catalogues.englishFirst ? 0 : catalogues.step
                checked: menu.catalog === TarnolixConstants.EnglishCatalog
                onClicked: menu.selectBookCatalog(TarnolixConstants.EnglishCatalog, TarnolixConstants.English)
            }
            SanCatalogButton {
                objectName: "sanCatalogButton"
                y: 2 * catalogues.step
                checked: menu.catalog === TarnolixConstants.SanskritCatalog
                onClicked: menu.selectBookCatalog(TarnolixConstants.SanskritCatalog, TarnolixConstants.Sanskrit)
            }
        }
        TarnolixSeparator {
            width: 32 * dp
        }
        WBWSearchButton {
            objectName: "wbwSearchButton"
            checked: menu.catalog === TarnolixConstants.WordByWordCatalog
            onClicked: menu.selectSearchCatalog(TarnolixConstants.WordByWordCatalog, menu.wordByWordLanguage(),
                                                UrlCreator.WBWSearch)
        }
        GlossaryButton {
            objectName: "glossaryButton"
            checked: menu.catalog === TarnolixConstants.GlossaryCatalog
            onClicked: menu.selectSearchCatalog(TarnolixConstants.GlossaryCatalog, Constants.glossaryLanguage,
                                                UrlCreator.GlossarySearch)
        }
    }

    Column {
        objectName: "leftMenuBottom"
        anchors.horizontalCenter: parent.horizontalCenter
        anchors.bottom: parent.bottom
        anchors.bottomMargin: 24 * dp
        spacing: 12 * dp

        SettingsButton {
            objectName: "debugButton"
            anchors.horizontalCenter: parent.horizontalCenter
            visible: Constants.isDebug
            colorStatic: "firebrick"
            onClicked: debugLoader.item.show()
        }
        SettingsButton {
            objectName: "settingsButton"
            anchors.horizontalCenter: parent.horizontalCenter
            onClicked: {
                settingsLoader.active = true
                settingsLoader.item.init()
                settingsLoader.item.show()
            }
        }
        Item {
            width: 1
            height: 5 * dp
        }
        AboutButton {
            objectName: "aboutButton"
            anchors.horizontalCenter: parent.horizontalCenter
            onClicked: {
                aboutLoader.active = true
                aboutLoader.item.show()
            }
        }
    }

    // The debug window comes with its button.
    Loader {
        id: debugLoader
        objectName: "debugLoader"
        active: Constants.isDebug
        source: "debug/DebugWindow.qml"
    }

    // A new settings dialog for each opening, gone when it closes.
    Loader {
        id: settingsLoader
        objectName: "settingsLoader"
        active: false
        source: "dialog/SettingsDlg.qml"
    }
    Connections {
        target: settingsLoader.item
        function onVisibleChanged() {
            if (!settingsLoader.item.visible)
                Qt.callLater(function() { settingsLoader.active = false })
        }
        function onUpdateBaseClicked() {
            settingsLoader.item.accept()
            menu.updateBaseClicked()
        }
    }

    Loader {
        id: aboutLoader
        objectName: "aboutLoader"
        active: false
        source: "dialog/About.qml"
    }
}
