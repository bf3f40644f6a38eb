// The search field of a tab: the word-by-word match mode, the text with its
// completions and occurrence counts, the clear and search buttons, and the
// navigation between the hits of the library results or of the search in
// the open book (F3 and F4 belong to the tab item, which steps the same way).
import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Layouts 1.15
import Tarnolix 1.0
import "../../controls"

Item {
    id: field
    objectName: "searchInputField"

    property TabStatus tabStatus: null
    property SearchSettingsCreator settingsCreator: null
    // The height the suggestions may take at most.
    property real suggestionMaxHeight: 0

    readonly property var openBookStatus: tabStatus && tabStatus.pageStatusType === UrlCreator.OpenBook
                                          ? tabStatus.pageStatus : null
    readonly property bool bookOpen: openBookStatus !== null && openBookStatus.isBookOpen
    readonly property bool hasFTSearchResults: tabStatus !== null && tabStatus.searchDataStorage.hasSearchResults
    readonly property var searchInBookStatus: openBookStatus ? openBookStatus.searchInBookStatus : null
    readonly property bool searchInBook: searchInBookStatus !== null
                                         && searchInBookStatus.status !== Constants.InvalidSearchStatus
    readonly property bool searchNavigationVisible: bookOpen && !searchInBook && hasFTSearchResults
    readonly property bool searchNavigationInBookVisible: bookOpen && searchInBook
                                                          && searchInBookStatus.status === Constants.SearchFinished
    readonly property var searchResultsPointer: {
        var data = tabStatus ? tabStatus.searchDataStorage.searchData : null
        return data && data.searchResultsPointer ? data.searchResultsPointer : null
    }
    readonly property bool wbwMode: tabStatus !== null && tabStatus.catalog === Constants.WordByWordCatalog
    readonly property int originalChoise: modeSelector.currentValue !== undefined ? modeSelector.currentValue
                                                                                  : Constants.ExactWord
    readonly property real hintXSuggestionBox: wbwMode ? modeSelector.width : 0

    property alias text: textField.text
    readonly property alias textInput: textField
    readonly property alias suggestionBox: suggestionBox
    readonly property bool hasPreviousHit: searchNavigationVisible && searchResultsPointer !== null
                                           && searchResultsPointer.hasPrevious
    readonly property bool hasNextHit: searchNavigationVisible && searchResultsPointer !== null
                                       && searchResultsPointer.hasNext

    signal searchClicked()
    signal cancelClicked()

    // Set while the band changes the text itself: no completions are asked.
    property bool ownChange: false

    function setText(text) {
        ownChange = true
        textField.text = text
        ownChange = false
    }

    function focusText() { textField.forceActiveFocus() }

    function hideSuggestions() { suggestionBox.close() }

    function lastWordStart(text) { return text.lastIndexOf(" ") + 1 }

    function replaceLastWord(word) {
        var text = textField.text
        var space = text.lastIndexOf(" ")
        setText(space < 0 ? word : text.substring(0, space) + " " + word)
        suggestionBox.setPrefix("")
    }

    // The search button, Return and Enter.
    function acceptSearch() {
        var word = suggestionBox.currentWord
        if (word !== null && word !== undefined)
            replaceLastWord(word)
        if (textField.text.length > 0)
            searchClicked()
        else
            console.log("Search text is empty")
    }

    function textEdited() {
        if (textField.cursorPosition !== textField.length) {
            suggestionBox.setPrefix("")
            return
        }
        var text = textField.text
        suggestionBox.setPrefix(text.substring(lastWordStart(text)))
        suggestionBox.x = hintXSuggestionBox
        suggestionBox.y = frame.height
        suggestionBox.open()
    }

    function searchLogic() {
        var logic = tabStatus ? tabStatus.pageLogic : null
        return logic && logic.searchInBook ? logic.searchInBook : null
    }

    // An empty answer (no visible hit after all, or a failure already shown)
    // leaves the page as it is.
    function openHit(url) {
        if (url.length > 0)
            tabStatus.tabItem.openUrl(url)
    }
    function openPreviousHit() {
        if (hasPreviousHit)
            openHit(searchResultsPointer.getPreviousUrl(tabStatus.id))
    }
    function openNextHit() {
        if (hasNextHit)
            openHit(searchResultsPointer.getNextUrl(tabStatus.id))
    }
    function previousInBook() {
        var logic = searchLogic()
        if (logic)
            logic.goToPreviousBookSearchResult()
    }
    function nextInBook() {
        var logic = searchLogic()
        if (logic)
            logic.goToNextBookSearchResult()
    }

    implicitHeight: frame.height

    Rectangle {
        id: frame
        width: parent.width
        height: row.implicitHeight + 2 * border.width
        color: Constants.lightGray
        radius: 2
        border.width: Math.max(1, Math.round(dp))
        border.color: Constants.grayStroke
        clip: true

        RowLayout {
            id: row
            anchors.fill: parent
            anchors.margins: frame.border.width
            anchors.rightMargin: navigation.visible || inBookNavigation.visible ? frame.border.width : 15 * dp
            spacing: 15 * dp

            // The match mode sits against the text, without the gap.
            RowLayout {
                Layout.fillWidth: true
                Layout.fillHeight: true
                spacing: 0

                VComboBox {
                    id: modeSelector
                    objectName: "matchModeSelector"
                    Layout.preferredWidth: field.wbwMode ? 175 * dp : 0
                    // As tall as the text: the field keeps its height in every mode.
                    Layout.preferredHeight: textField.implicitHeight
                    visible: Layout.preferredWidth > 0
                    Behavior on Layout.preferredWidth { NumberAnimation { duration: 100 } }
                    textRole: "text"
                    valueRole: "value"
                    currentIndex: 0
                    model: [
                        { "text": qsTr("Точное слово"), "value": Constants.ExactWord },
                        { "text": qsTr("Полное совпадение"), "value": Constants.Exact },
                        { "text": qsTr("Содержит"), "value": Constants.Contains },
                        { "text": qsTr("Начинается с"), "value": Constants.WordStartsWith }
                    ]
                }

                InputField {
                    id: textField
                    objectName: "searchTextField"
                    Layout.fillWidth: true
                    leftPadding: 12 * dp
                    rightPadding: 12 * dp
                    topPadding: 10 * dp
                    bottomPadding: 10 * dp
                    font.pixelSize: Math.round(16 * dp)
                    color: Constants.blackText
                    placeholderText: field.wbwMode ? qsTr("Введите слово") : qsTr("Введите запрос")
                    background: null

                    onActiveFocusChanged: {
                        if (activeFocus && !textContextMenu.closing)
                            selectAll()
                    }
                    onTextChanged: {
                        if (!field.ownChange)
                            field.textEdited()
                    }
                    onCursorPositionChanged: {
                        if (cursorPosition !== length && suggestionBox.completions.length > 0)
                            suggestionBox.setPrefix("")
                    }
                    Keys.onUpPressed: suggestionBox.selectPrevious()
                    Keys.onDownPressed: suggestionBox.selectNext()
                    Keys.onReturnPressed: field.acceptSearch()
                    Keys.onEnterPressed: field.acceptSearch()
                    Keys.onEscapePressed: function (event) {
                        event.accepted = suggestionBox.visible
                        suggestionBox.close()
                    }
                }
            }

            CloseDarkButton {
                id: clearButton
                objectName: "clearButton"
                opacity: textField.text.length > 0 ? 1 : 0
                visible: opacity > 0
                Behavior on opacity { NumberAnimation { duration: 100 } }
                onClicked: {
                    field.setText("")
                    field.hideSuggestions()
                    field.cancelClicked()
                }
            }

            SearchButton {
                id: searchButton
                objectName: "searchButton"
                onClicked: field.acceptSearch()
            }

            Rectangle {
                id: navigation
                objectName: "searchNavigation"
                visible: field.searchNavigationVisible
                Layout.fillHeight: true
                implicitWidth: navigationRow.implicitWidth + 30 * dp
                color: Constants.grayStroke

                Row {
                    id: navigationRow
                    anchors.centerIn: parent
                    spacing: 15 * dp

                    ReturnSearchResultsButton {
                        objectName: "returnSearchResultsButton"
                        anchors.verticalCenter: parent.verticalCenter
                        enabled: field.hasFTSearchResults
                        onClicked: field.tabStatus.tabItem.openUrl(field.tabStatus.searchDataStorage.getSearchUrl())
                    }
                    PreviousSearchResultButton {
                        objectName: "previousSearchResultButton"
                        anchors.verticalCenter: parent.verticalCenter
                        enabled: field.hasPreviousHit
                        onClicked: field.openPreviousHit()
                    }
                    NextSearchResultButton {
                        objectName: "nextSearchResultButton"
                        anchors.verticalCenter: parent.verticalCenter
                        enabled: field.hasNextHit
                        onClicked: field.openNextHit()
                    }
                }
            }

            Rectangle {
                id: inBookNavigation
                objectName: "searchInBookNavigation"
                visible: field.searchNavigationInBookVisible
                Layout.fillHeight: true
                implicitWidth: inBookRow.implicitWidth + 30 * dp
                color: Constants.grayStroke

                Row {
                    id: inBookRow
                    anchors.centerIn: parent
                    spacing: 15 * dp

                    PreviousSearchResult2Button {
                        objectName: "previousInBookButton"
                        anchors.verticalCenter: parent.verticalCenter
                        onPressed: field.previousInBook()
                    }
                    NextSearchResult2Button {
                        objectName: "nextInBookButton"
                        anchors.verticalCenter: parent.verticalCenter
                        onPressed: field.nextInBook()
                    }
                    CloseDarkButton {
                        objectName: "endSearchInBookButton"
                        anchors.verticalCenter: parent.verticalCenter
                        onClicked: {
                            var logic = field.searchLogic()
                            if (logic)
                                logic.endSearchInBook()
                        }
                    }
                }
            }
        }
    }

    SuggestionBox {
        id: suggestionBox
        settingsCreator: field.settingsCreator
        fieldWidth: frame.width
        hintX: field.hintXSuggestionBox
        maxHeight: field.suggestionMaxHeight
        onWordSelected: function (word) {
            field.replaceLastWord(word)
            field.searchClicked()
        }
    }
}
