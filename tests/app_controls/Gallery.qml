// Every control of qrc:/controls in its states, on the dark window of the
// program, for the controls test and its screenshots.
import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Layouts 1.15
import Tarnolix 1.0
import "qrc:/"
import "qrc:/controls"

TarnolixWindow {
    id: window

    width: Math.ceil(1040 * dp)
    height: Math.ceil(760 * dp)
    visible: true
    title: "Controls"
    color: Constants.lightBlack
    // The style defaults of the program's controls.
    font.family: "PT Sans"
    palette.window: "#3A3C40"
    palette.windowText: "#EDEDEE"
    palette.text: "#1F2023"
    palette.highlight: "#C99C66"
    palette.mid: "#A9AAAD"
    palette.dark: "#848588"

    component Caption: Text {
        color: Constants.grayText
        font.pixelSize: Math.round(12 * dp)
    }

    // A stand-in for a tab's state: the title of its page and whether it is a search page.
    component FakeTab: QtObject {
        property string title
        property bool search: false
        readonly property QtObject pageStatus: QtObject { property string tabTitle: title }
        readonly property bool pageStatusIsSearch: search
    }

    RowLayout {
        anchors.fill: parent
        anchors.margins: dpFloor(12)
        spacing: dpFloor(16)

        // The left menu, plain and checked.
        GridLayout {
            objectName: "leftMenu"
            Layout.alignment: Qt.AlignTop
            columns: 2
            columnSpacing: dpFloor(6)
            rowSpacing: dpFloor(6)

            EngCatalogButton { objectName: "engCatalog" }
            EngCatalogButton { checked: true }
            RusCatalogButton { objectName: "rusCatalog" }
            RusCatalogButton { checked: true }
            SanCatalogButton {}
            SanCatalogButton { checked: true }
            GlossaryButton {}
            GlossaryButton { checked: true }
            WBWSearchButton {}
            WBWSearchButton { checked: true }
            FavoritesButton {}
            FavoritesButton { checked: true }
            ConverterButton {}
            ConverterButton { checked: true }
            AiButton {}
            AiButton { enabled: false }
        }

        ColumnLayout {
            Layout.alignment: Qt.AlignTop
            Layout.fillWidth: true
            spacing: dpFloor(10)

            Caption { text: "SVGButton: static, checked, disabled" }
            Row {
                spacing: dpFloor(8)
                AboutButton {}
                SettingsButton {}
                SettingsButton { checkable: true; checked: true }
                SettingsButton { enabled: false }
                CloseGrayButton {}
                PlusButton {}
                PlusButton { checkable: true; checked: true }
                ArrowLeft {}
                ArrowRight {}
                Rectangle {
                    width: childrenRect.width
                    height: childrenRect.height
                    color: Constants.lightGray
                    Row {
                        CloseDarkButton {}
                        SearchButton {}
                    }
                }
            }

            Caption { text: "IconButton and IconButtonEx" }
            Row {
                spacing: dpFloor(8)
                AnyLangBookButton {}
                BookModeButton2 {}
                BookModeButton2 { active: true }
                InfoButton {}
                HistoryButton {}
                DeleteButton {}
                LinkedBooksButton {}
                ReturnButton {}
            }
            Row {
                spacing: dpFloor(8)
                ContentSettingsButton {}
                ContentSettingsButton { checked: true }
                IconButton { svgSource: "qrc:/controls/IconInfo.svg"; text: "Checked"; checkable: true; checked: true }
                IconButton { svgSource: "qrc:/controls/IconInfo.svg"; text: "Disabled"; enabled: false }
            }

            Caption { text: "Text buttons" }
            Row {
                spacing: dpFloor(8)
                TextButton { text: "TextButton" }
                TextButton { text: "Disabled"; enabled: false }
                LighGoldTextButton { text: "LighGoldTextButton" }
                GrayStrokeTextButton { text: "GrayStrokeTextButton" }
                VSimpleTextButton { text: "VSimpleTextButton"; anchors.verticalCenter: parent.verticalCenter }
                VSimpleTextButton { text: "checked"; checked: true; anchors.verticalCenter: parent.verticalCenter }
            }
            Row {
                spacing: dpFloor(8)
                BlankButton { text: "BlankButton" }
                DarkGoldBlankButton { text: "DarkGoldBlank" }
                GrayBlankButton { text: "GrayBlank" }
                DarkGoldButton { text: "DarkGoldButton" }
                DarkGoldButton { text: "Disabled"; enabled: false }
            }

            Caption { text: "Tabs" }
            Row {
                objectName: "tabs"
                spacing: dpFloor(2)
                BKTabButton { width: Math.ceil(170 * dp); checked: true; tabStatus: FakeTab { title: "Бхагавад-гита 2.13" } }
                BKTabButton { width: Math.ceil(170 * dp); tabStatus: FakeTab { title: "Поиск: атма"; search: true } }
                BKTabButton { width: Math.ceil(170 * dp); checked: true; tabStatus: FakeTab { title: "Поиск: сознание"; search: true } }
                BKTabButton { width: Math.ceil(90 * dp); tabStatus: FakeTab { title: "Очень длинное название"; search: true } }
                PlusButton {}
            }
            Row {
                spacing: dpFloor(12)
                VTabButton { text: "Содержание"; checked: true }
                VTabButton { text: "Закладки" }
                VSwitcher {
                    text: "Язык"
                    text1: "Русский"
                    text2: "English"
                    value1: 1
                    value2: 2
                    currentValue: 1
                    autoChecked: true
                }
            }

            Caption { text: "Fields" }
            Row {
                spacing: dpFloor(10)
                InputField { width: Math.ceil(180 * dp); placeholderText: "Электронная почта" }
                InputField { width: Math.ceil(180 * dp); text: "reader@tarnolix.invalid" }
                SearchField { width: Math.ceil(220 * dp); placeholderText: "Поиск" }
                SearchField { width: Math.ceil(220 * dp); text: "сознание" }
            }
            Row {
                spacing: dpFloor(10)
                InputFieldError {
                    width: Math.ceil(220 * dp)
                    text: "secret"
                    echoMode: TextInput.Password
                    error: true
                    errorText: "Неверный пароль"
                }
                InputFieldError {
                    width: Math.ceil(220 * dp)
                    reserveErrorSpace: true
                    placeholderText: "Room kept for an error"
                }
                VComboBox { width: Math.ceil(180 * dp); model: ["Русский", "English", "Sanskrit"] }
            }

            Caption { text: "Choosers and others" }
            Row {
                spacing: dpFloor(14)
                VCheckBox { text: "Санскрит" }
                VCheckBox { text: "Перевод"; checked: true }
                CheckBoxIndicator { anchors.verticalCenter: parent.verticalCenter }
                CheckBoxIndicator { anchors.verticalCenter: parent.verticalCenter; checkState: Qt.PartiallyChecked }
                CheckBoxIndicator { anchors.verticalCenter: parent.verticalCenter; checkState: Qt.Checked }
                ScaleControl { scale: 1.25 }
                ScaleControl { scale: 0.5; text: "" }
            }
            Row {
                spacing: dpFloor(14)
                SearchIcon { color: Constants.grayText }
                LoaderBlack { running: true }
                Rectangle {
                    width: Math.ceil(36 * dp)
                    height: width
                    color: Constants.lightGray
                    LoaderGray { running: true }
                }
                Item {
                    width: Math.ceil(120 * dp)
                    height: Math.ceil(36 * dp)
                    TarnolixSeparator { anchors.centerIn: parent; color: Constants.lightGold }
                    SizeBox {}
                }
            }
        }
    }
}
