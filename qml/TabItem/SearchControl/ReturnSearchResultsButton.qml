import QtQuick 2.15
import Tarnolix 1.0
import "../../controls"

SVGButton {
    source: "ReturnSearchResults.svg"
    sourceSize: Qt.size(16, 16)
    colorStatic: Constants.lightBlack
    colorHover: Constants.colorActive
    colorDisabled: Constants.grayText
}
