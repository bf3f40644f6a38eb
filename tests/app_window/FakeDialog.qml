// An update dialog as the main window's selector sees it.
import QtQuick 2.15
import "qrc:/dialog"

VDialog {
    property string kind
    width: 300
    height: 120
}
