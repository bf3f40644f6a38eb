// The base of every window of the interface. It scales with the screen it is
// on: `dp` is the number of pixels of one device-independent unit there, and
// every size in the interface is a number of units times `dp` (controls reach
// `dp`, `dpFloor` and `dpCeil` of their window by name).
import QtQuick 2.15
import QtQuick.Controls 2.15
import Tarnolix 1.0

ApplicationWindow {
    id: window

    readonly property DPCalculate dpCalculate: DPCalculate {
        screenName: window.screen ? window.screen.name : ""
    }
    // The screen's scale alone, without the reader's default scale.
    readonly property real defaultDp: dpCalculate.defaultDp
    readonly property real dp: dpCalculate.dp

    function dpFloor(v) { return Math.floor(dp * v) }
    function dpCeil(v) { return Math.ceil(dp * v) }
}
