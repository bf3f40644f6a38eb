// A tab of the tab bar: the page's title (after a search icon on search
// pages) and a close button that shows on the current or hovered tab.
import QtQuick 2.15
import QtQuick.Controls 2.15
import Tarnolix 1.0

TabButton {
    id: control

    // The tab's TabStatus.
    property var tabStatus: null
    readonly property bool isSearch: !!(tabStatus && tabStatus.pageStatusIsSearch)

    signal closeClicked()

    text: tabStatus && tabStatus.pageStatus ? tabStatus.pageStatus.tabTitle : ""
    font.pixelSize: Math.round(14 * dp)
    topPadding: dpFloor(4)
    bottomPadding: dpFloor(4)
    leftPadding: dpFloor(8)
    rightPadding: dpFloor(8)
    topInset: 0
    bottomInset: 0
    leftInset: 0
    rightInset: 0
    hoverEnabled: true

    contentItem: Item {
        id: content

        readonly property real iconSpace: control.isSearch ? searchIcon.width + 3 * dp : 0
        // Room left of the close button.
        readonly property real freeWidth: width - closeButton.width
        readonly property real groupWidth: iconSpace + label.implicitWidth
        readonly property real groupX: Math.max(0, (freeWidth - groupWidth) / 2)

        implicitWidth: iconSpace + label.implicitWidth + closeButton.implicitWidth
        implicitHeight: Math.max(label.implicitHeight, closeButton.implicitHeight)

        SearchIcon {
            id: searchIcon
            objectName: "searchIcon"
            visible: control.isSearch
            x: content.groupX
            anchors.verticalCenter: parent.verticalCenter
            color: label.color
        }
        Text {
            id: label
            objectName: "title"
            x: content.groupX + content.iconSpace
            width: Math.max(0, Math.min(implicitWidth, content.freeWidth - x))
            anchors.verticalCenter: parent.verticalCenter
            text: control.text
            font: control.font
            color: control.checked ? Constants.blackText : Constants.lightGray
            elide: Text.ElideRight
            verticalAlignment: Text.AlignVCenter
        }
        CloseDarkButton {
            id: closeButton
            objectName: "closeButton"
            anchors.right: parent.right
            anchors.verticalCenter: parent.verticalCenter
            opacity: control.checked || control.hovered ? 1 : 0
            visible: opacity > 0
            Behavior on opacity { NumberAnimation { duration: 100 } }
            colorHover: control.checked ? Constants.lightBlack : Constants.colorHover
            colorPressed: Constants.darkGold
            Accessible.name: qsTranslate("MessagePopup", "Закрыть") + ": " + control.text
            onClicked: control.closeClicked()
        }
    }
    background: Rectangle {
        implicitHeight: Math.ceil(28 * dp)
        color: !control.checked ? Constants.blackText
                                : Tarnolix.currentColorMode === TarnolixConstants.Dark ? Constants.darkGold
                                                                                       : Constants.colorActive
    }
}
