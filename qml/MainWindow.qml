// The main window's content, shown once the reader is signed in: the
// header, the left menu, the book-mode content settings bar sliding out
// under the header, and the reading area with its tabs. It also picks the
// update dialog to show (UpdateDialogSelector).
import QtQuick 2.15
import Tarnolix 1.0
import "controls"
import "Header"

Item {
    id: mainWindow
    objectName: "mainWindow"

    readonly property TarnolixApp tarnolix: Tarnolix
    // The AI view in place of the tabs; false until the AI view exists.
    property bool aiActive: false
    property bool aiLoaded: false
    readonly property QtObject tabControl: tabControlLoader.item
    readonly property QtObject currentTab: tabControl ? tabControl.currentTab : null
    readonly property bool contentSettingsSliding: slide.running
    readonly property alias updateDialogSelector: updateSelector

    // Runs `action` unless the view cannot switch now: no current tab, a tab
    // in a language hand-over, or the content settings bar sliding. The web
    // view cannot capture scenes, so a switch acts at once.
    function requestScene(action, targetAi, destinationTab) {
        var current = currentTab
        var destination = destinationTab ? destinationTab : current
        if (!current)
            return
        if (current.languageTransitionActive || (destination && destination.languageTransitionActive))
            return
        if (contentSettingsSliding)
            return
        action()
    }

    // Leaves the AI view and book mode, and runs `action`.
    function returnToReader(action) {
        var apply = function() {
            action()
            mainWindow.aiActive = false
            if (mainWindow.currentTab)
                mainWindow.currentTab.status.bookMode = false
        }
        if (aiActive || (currentTab && currentTab.status.bookMode))
            requestScene(apply, false, null)
        else
            apply()
    }

    function tabControlReady() {
        var control = tabControlLoader.item
        Tarnolix.mainWindowDPCalculate = dpCalculate
        Tarnolix.tabControl = control
        control.presentationRequest = function(destination, commit) {
            mainWindow.requestScene(commit, false, destination)
        }
        var tab = control.addTab()
        if (tab)
            tab.status.openBasePage()
    }

    Binding {
        target: Tarnolix
        property: "curTabStatus"
        value: mainWindow.currentTab ? mainWindow.currentTab.status : null
    }
    Binding {
        target: Tarnolix.settings
        property: "advancedSearch"
        value: mainWindow.currentTab ? mainWindow.currentTab.selectBooksButtonChecked : false
        when: mainWindow.currentTab !== null
    }

    ContentSettings {
        id: contentSettings
        objectName: "contentSettings"
        x: leftMenu.width
        width: parent.width - x
        height: implicitHeight * 2
        // At rest behind the header, its bottom at the header's bottom.
        y: header.height - height
        visible: y !== header.height - height
    }

    // The reading area.
    Item {
        id: tabArea
        objectName: "tabArea"
        x: Math.ceil(leftMenu.width)
        y: Math.ceil(header.height)
        width: Math.floor(mainWindow.width - x)
        height: Math.floor(mainWindow.height - y)
        visible: !mainWindow.aiActive

        Loader {
            id: tabControlLoader
            objectName: "tabControlLoader"
            anchors.fill: parent
            source: "TabControl.qml"
            onLoaded: mainWindow.tabControlReady()
        }
    }

    Header {
        id: header
        objectName: "header"
        width: parent.width
        aiActive: mainWindow.aiActive
        currentTab: mainWindow.currentTab
    }

    LeftMenu {
        id: leftMenu
        objectName: "leftMenu"
        y: header.height
        width: Math.floor(48 * dp)
        height: parent.height - y
        aiActive: mainWindow.aiActive
        aiAvailable: Tarnolix.user.aiAccess
        currentTab: mainWindow.currentTab
        presentationRequest: mainWindow.returnToReader
        onUpdateBaseClicked: updateSelector.showUpdate = true
    }

    UpdateDialogSelector {
        id: updateSelector
        completingDialogSource: "dialog/UpdateCompletingDlg.qml"
        updateDialogSource: "dialog/DatabaseUpdateDlg.qml"
        indexingDialogSource: "dialog/IndexingDlg.qml"
    }

    states: State {
        name: "contentSettingsVisible"
        when: !mainWindow.aiActive && Tarnolix.curTabBookMode && header.contentSettingsVisible

        PropertyChanges {
            target: contentSettings
            y: header.height
        }
        PropertyChanges {
            target: tabArea
            y: Math.ceil(contentSettings.y + contentSettings.height)
        }
    }
    transitions: Transition {
        id: slide
        NumberAnimation {
            targets: [contentSettings, tabArea]
            properties: "y"
            duration: 100
        }
    }

    Component.onCompleted: {
        Tarnolix.mainWindowDPCalculate = dpCalculate
        // Once: later changes come from the left menu and the dialog itself.
        updateSelector.showUpdate = Tarnolix.isNeedUpdateDatabase()
    }
}
