import QtQuick 2.15
import Tarnolix 1.0

SVGButton {
    source: "Search.svg"
    sourceSize: Qt.size(20, 20)
    colorStatic: Constants.lightBlack
    Accessible.name: qsTranslate("FTSearchPageStatus", "Поиск")
}
