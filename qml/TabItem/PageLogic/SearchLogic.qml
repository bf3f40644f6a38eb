// The base of the search-result page logics: the call of a page function
// that hides or shows result entries by their numbers.
import QtQuick 2.15
import Tarnolix 1.0

PageLogic {
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
}
