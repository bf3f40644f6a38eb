// The tab bar's "new tab" button, on a faint background while pressed,
// hovered or checked.
import QtQuick 2.15

SVGButton {
    id: control

    source: "Plus.svg"
    sourceSize: Qt.size(18, 18)
    Accessible.name: qsTranslate("NewTabStatus", "Новая вкладка")

    background: Rectangle {
        opacity: 0.25
        color: control.pressed ? control.colorPressed
                               : control.checked || control.hovered ? control.colorHover : "transparent"
        Behavior on color { ColorAnimation { duration: 100 } }
    }
}
