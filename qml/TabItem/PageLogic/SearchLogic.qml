// The base of the search-result page logics: the result tree beside the
// page, kept showing the page kind's results with its hidden hits
// unchecked, and the call of a page function that hides or shows result
// entries by their numbers.
import QtQuick 2.15
import Tarnolix 1.0

PageLogic {
    id: logic

    // Made hidden by each logic; the catalogue panel shows it.
    property Item searchResultsTree: null

    // `funcName` called with the numbers as an array of strings; "" for no
    // numbers.
    function getSHScript(funcName, docNumbers) {
        if (!docNumbers || docNumbers.length === 0)
            return ""
        var quoted = []
        for (var i = 0; i < docNumbers.length; ++i)
            quoted.push("\"" + docNumbers[i] + "\"")
        return funcName + "([" + quoted.join(",") + "]);\n"
    }

    // The tree follows the page kind's results when they changed.
    function initIsNeed() {
        if (!searchResultsTree || !status)
            return
        if (searchResultsTree.treeModel.getSearchResultsId() !== status.getSearchId())
            initModel()
    }

    // The check marks restored from the hidden hits make check signals of
    // their own, which must not hide or show anything.
    function initModel() {
        searchResultsTree.treeModel.setSearchResults(status)
        searchResultsTree.ignoreChecked = true
        try {
            searchResultsTree.restoreCheckState(status)
        } finally {
            searchResultsTree.ignoreChecked = false
        }
    }
}
