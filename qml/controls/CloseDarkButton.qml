import QtQuick 2.15
import Tarnolix 1.0

SVGButton {
    source: "CloseDark.svg"
    sourceSize: Qt.size(18, 18)
    colorStatic: Constants.lightBlack
    Accessible.name: qsTranslate("MessagePopup", "Закрыть")
}
