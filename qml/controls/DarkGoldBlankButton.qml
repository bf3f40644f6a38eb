import QtQuick 2.15
import Tarnolix 1.0

BlankButton {
    colorStatic: Constants.darkGold
    colorHover: Constants.colorActive
    colorActive: Constants.colorActive
    colorPressed: Constants.colorPressed
}
