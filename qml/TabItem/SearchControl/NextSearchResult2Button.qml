import QtQuick 2.15
import Tarnolix 1.0
import "../../controls"

SVGButton {
    source: "NextSearchResult2.svg"
    sourceSize: Qt.size(14, 8)
    colorStatic: Constants.lightBlack
    colorHover: Constants.colorActive
    colorDisabled: Constants.grayText
}
