import QtQuick 2.15

// Runs scripts in a web view for the test and keeps the last answer, and
// records what an open-book page showed when its opening reported.
QtObject {
    property var lastResult
    property int results: 0
    property var openedRanges: []

    function run(view, script) {
        view.runJavaScript(script, function (result) {
            lastResult = result
            results += 1
        })
    }

    // Asked at once on the report, so no refill comes in between.
    function watch(logic, view) {
        logic.pageOpened.connect(function (success) {
            view.runJavaScript("getSectionsRange()", function (range) {
                openedRanges = openedRanges.concat([range])
            })
        })
    }
}
