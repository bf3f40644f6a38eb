// The search band of a tab: the search field over a row of options (the
// catalogue filter, the word-by-word catalogue and search area, the history
// and the search in the open book). The form is bound to a settings creator;
// a search opens the creator's URL in the tab, or starts the search in the
// open book, and goes into the library's history.
import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Layouts 1.15
import Tarnolix 1.0
import "../../controls"

Control {
    id: root
    objectName: "searchControl"

    property TabStatus tabStatus: null
    property var catalogTreeHelper: null
    property alias selectBooksButtonChecked: selectBooksCheckBox.checked
    readonly property alias settingsCreator: settingsCreator
    readonly property alias inputField: inputField

    readonly property bool favoritesCatalog: tabStatus !== null && tabStatus.catalog === Constants.FavoritesCatalog
    readonly property bool inBookShown: inputField.bookOpen && !favoritesCatalog
    // A hidden in-book box never stays checked.
    onInBookShownChanged: {
        if (!inBookShown)
            inBookCheckBox.checked = false
    }

    function searchTypeOf(catalog) {
        switch (catalog) {
        case Constants.EnglishCatalog:
        case Constants.RussianCatalog:
        case Constants.SanskritCatalog:
        case Constants.ConverterCatalog:
            return Constants.FullText
        case Constants.WordByWordCatalog: return Constants.WordByWord
        case Constants.GlossaryCatalog: return Constants.GlossarySearch
        case Constants.FavoritesCatalog: return Constants.FavoritesSearch
        }
        console.warn("Invalid catalog(0x76618441)")
        return Constants.InvalidSearchType
    }

    function search() {
        var query = settingsCreator.query
        if (query.trim().length === 0) {
            inputField.hideSuggestions()
            return
        }
        if (!settingsCreator.hasValidSearchScope()) {
            Tarnolix.showMessage(qsTr("Выберите хотя бы одну книгу, секцию, категорию или словарь для поиска."))
            return
        }
        if (settingsCreator.searchInBook !== 0) {
            var inBook = inputField.searchInBookStatus
            if (inBook)
                inBook.startSearchInBook(query)
            else
                console.warn("SearchControl: no search in the open book")
        } else {
            var urlCreator = tabStatus.newUrlCreator()
            try {
                if (!settingsCreator.setSearch(urlCreator))
                    return
                tabStatus.tabItem.openUrl(settingsCreator.searchType === Constants.GlossarySearch
                                          ? urlCreator.createRedirectUrl() : urlCreator.url)
            } finally {
                urlCreator.destroy()
            }
        }
        inputField.hideSuggestions()
        Tarnolix.addHistoryQuery(query)
    }

    function resetCatalogScope() {
        selectBooksCheckBox.checked = false
        inBookCheckBox.checked = false
        inputField.hideSuggestions()
    }

    function setFocusToSearchField() { inputField.focusText() }

    function showHistory() {
        if (!historyLoader.active)
            historyLoader.active = true
        historyLoader.item.show()
    }

    padding: 16 * dp
    implicitHeight: contentItem.implicitHeight + topPadding + bottomPadding
    height: implicitHeight
    Behavior on height { NumberAnimation { duration: 100 } }

    SearchSettingsCreator {
        id: settingsCreator
        catalogTreeHelper: root.catalogTreeHelper
        searchType: root.tabStatus ? root.searchTypeOf(root.tabStatus.catalog) : Constants.InvalidSearchType
        language: root.tabStatus ? root.tabStatus.language : Constants.InvalidLanguage
        searchFilter: selectBooksCheckBox.checked
        searchAreaOriginal: areaSwitch.currentValue === "original"
        searchAreaTranslate: areaSwitch.currentValue === "translate"
        originalChoise: inputField.originalChoise
        searchInBook: inBookCheckBox.checked && inputField.bookOpen ? root.tabStatus.bookId : 0
        query: inputField.text
    }

    Connections {
        target: root.tabStatus
        function onCatalogChanged() {
            if (root.favoritesCatalog)
                selectBooksCheckBox.checked = false
        }
    }

    Loader {
        id: historyLoader
        active: false
        sourceComponent: HistoryPopup {
            onQuerySelected: function (query) {
                inputField.setText(query)
                root.search()
            }
        }
    }

    contentItem: ColumnLayout {
        spacing: 5 * dp

        SearchInputField {
            id: inputField
            Layout.fillWidth: true
            tabStatus: root.tabStatus
            settingsCreator: settingsCreator
            suggestionMaxHeight: root.parent ? Math.floor(root.parent.height / 2) : 0
            onSearchClicked: root.search()
        }

        RowLayout {
            id: options
            Layout.fillWidth: true
            spacing: 10 * dp

            VCheckBox {
                id: selectBooksCheckBox
                objectName: "selectBooksCheckBox"
                visible: !root.favoritesCatalog && !(inBookCheckBox.checked && inBookCheckBox.visible)
                text: root.tabStatus && root.tabStatus.catalog === Constants.GlossaryCatalog
                      ? qsTr("Выбрать источники") : qsTr("Выбрать книги")
                onCheckedChanged: {
                    if (checked)
                        inBookCheckBox.checked = false
                }
            }

            Item {
                visible: inputField.wbwMode
                Layout.maximumWidth: 12 * dp
                Layout.preferredWidth: 12 * dp
            }
            VSwitcher {
                id: catalogSwitch
                objectName: "catalogSwitch"
                visible: inputField.wbwMode
                text: qsTr("Каталог")
                text1: qsTr("Русский")
                text2: qsTr("Английский")
                value1: Constants.Russian
                value2: Constants.English
                currentValue: root.tabStatus ? root.tabStatus.catalogLanguage : Constants.InvalidLanguage
                onClicked: function (value) {
                    root.tabStatus.tabItem.selectSearchCatalog(Constants.WordByWordCatalog, value, UrlCreator.WBWSearch)
                }
            }

            Item {
                visible: inputField.wbwMode
                Layout.maximumWidth: 12 * dp
                Layout.preferredWidth: 12 * dp
            }
            VSwitcher {
                id: areaSwitch
                objectName: "searchAreaSwitch"
                visible: inputField.wbwMode
                text: qsTr("Область поиска")
                text1: qsTr("Санскрит")
                text2: qsTr("Перевод")
                value1: "original"
                value2: "translate"
                currentValue: "original"
                autoChecked: true
            }

            Item { Layout.fillWidth: true }

            HistoryButton {
                id: historyButton
                objectName: "historyButton"
                onClicked: root.showHistory()
            }

            VCheckBox {
                id: inBookCheckBox
                objectName: "inBookCheckBox"
                visible: root.inBookShown
                text: qsTr("По книге")
                onCheckedChanged: {
                    if (checked)
                        selectBooksCheckBox.checked = false
                }
            }
        }
    }
}
