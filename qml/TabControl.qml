// The main window's reading area: the tab bar with its add button and, under
// it, the stack of tab items of which the current one is shown. At most 15
// tabs; the last tab is never closed.
import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Layouts 1.15
import Tarnolix 1.0
import "controls"
import "TabItem"

Item {
    id: tabControl
    objectName: "tabControl"

    readonly property int maxTabs: 15
    property var tarnolix: Tarnolix
    readonly property alias currentTab: stack.currentTab
    readonly property alias count: tabBar.count
    // Set by the owner: selecting an existing tab is handed to it with the
    // destination and a commit function.
    property var presentationRequest: null
    // Set by the owner while it switches what is shown.
    property bool presentationBusy: false

    signal exportAllFavoritesClicked()

    function addTab() {
        if (presentationBusy)
            return null
        if (tabBar.count >= maxTabs) {
            Tarnolix.showError(qsTr("Открыто максимальное количество вкладок!"))
            return null
        }
        var item = tabItemComponent.createObject(stack, { "selectBooksButtonChecked": Tarnolix.settings.advancedSearch })
        var button = tabButtonComponent.createObject(tabBar, { "tabStatus": item.status })
        tabBar.addItem(button)
        // The bar's height changes when the first tab comes.
        item.width = stack.width
        item.height = stack.height
        commitTab(tabBar.count - 1)
        return item
    }

    function closeTab(index) {
        if (presentationBusy)
            return
        if (tabBar.count <= 1) {
            if (tabBar.count === 1 && Tarnolix.curTabStatus)
                Tarnolix.curTabStatus.openBasePage()
            return
        }
        if (index < 0 || index >= tabBar.count)
            return
        commitTab(index === 0 ? 1 : index - 1)
        var item = stack.children[index]
        var button = tabBar.itemAt(index)
        tabBar.removeItem(button)
        item.parent = null
        item.destroy()
    }

    function selectTab(index) {
        if (presentationBusy || index === tabBar.currentIndex)
            return
        if (index < 0 || index >= tabBar.count)
            return
        var destination = stack.children[index]
        if (presentationRequest)
            presentationRequest(destination, function () { tabControl.commitTab(index) })
        else
            commitTab(index)
    }

    function commitTab(index) {
        if (index < 0 || index >= tabBar.count)
            return
        tabBar.currentIndex = index
        // Checking makes a button checkable; a click must still only ask
        // selectTab.
        tabBar.itemAt(index).checkable = false
    }

    function indexOfButton(button) {
        for (var i = 0; i < tabBar.count; ++i) {
            if (tabBar.itemAt(i) === button)
                return i
        }
        return -1
    }

    Component {
        id: tabItemComponent
        TabItem {
            onExportAllFavoritesClicked: tabControl.exportAllFavoritesClicked()
        }
    }

    Component {
        id: tabButtonComponent
        BKTabButton {
            id: button
            checkable: false
            onClicked: tabControl.selectTab(tabControl.indexOfButton(button))
            onCloseClicked: tabControl.closeTab(tabControl.indexOfButton(button))
        }
    }

    TabBar {
        id: tabBar
        objectName: "tabBar"
        x: 0
        width: addButtonBackground.x
        height: currentItem ? currentItem.height : Math.ceil(dp * 28)
        Keys.onLeftPressed: function (event) {
            tabControl.selectTab(Math.max(0, currentIndex - 1))
            event.accepted = true
        }
        Keys.onRightPressed: function (event) {
            tabControl.selectTab(Math.min(count - 1, currentIndex + 1))
            event.accepted = true
        }
    }

    Rectangle {
        id: addButtonBackground
        x: tabControl.width - width
        width: addButton.width
        height: tabBar.height
        color: Constants.blackBackground

        PlusButton {
            id: addButton
            objectName: "addTabButton"
            enabled: tabBar.count < tabControl.maxTabs
            padding: Math.max(0, (tabBar.height - dp * sourceSize.height) * 0.5)
            height: tabBar.height
            onClicked: {
                var tab = tabControl.addTab()
                if (tab) {
                    tab.status.openBasePage()
                    tab.setFocusToSearchControl()
                }
            }
        }
    }

    Rectangle {
        id: strip
        y: tabBar.height
        width: parent.width
        height: Math.ceil(dp * 4)
        color: Tarnolix.currentColorMode === Constants.Dark ? Constants.darkGold : Constants.colorActive
    }

    StackLayout {
        id: stack
        objectName: "tabStack"
        y: strip.y + strip.height
        width: parent.width
        height: parent.height - y
        currentIndex: tabBar.currentIndex
        readonly property var currentTab: currentIndex >= 0 && currentIndex < count ? children[currentIndex] : null
    }
}
