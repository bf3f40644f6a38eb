import QtQuick 2.15
import Tarnolix 1.0

TextButton {
    colorStatic: Constants.lightGold
}
