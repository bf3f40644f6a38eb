// The interface's pop-up. `acceptsFocus` and `anchorItem` serve the variant
// that draws pop-ups in their own windows; here the popup is Qt's own.
import QtQuick 2.15
import QtQuick.Controls 2.15

Popup {
    property bool acceptsFocus: modal
    property Item anchorItem: null
}
