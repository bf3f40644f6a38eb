// The QML control library (qrc:/controls) in windows of the program's window
// base, inside the real application object under the X server, driven by
// real mouse and key input; the gallery of every control is written to the
// screenshots folder at the default scales 1.0 and 1.5.
#include "app/Tarnolix.h"
#include "tests/app_controls/SignalClock.h"
#include "tests/support/AppTestSupport.h"
#include "tests/support/MessageLog.h"
#include "tests/support/TestSupport.h"

#include <QClipboard>
#include <QCursor>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QQmlApplicationEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>

using namespace tarnolix::test;

namespace {

const QColor kStatic(0xED, 0xED, 0xEE);
const QColor kHover(0xF8, 0xE5, 0x71);
const QColor kActive(0xEF, 0xC8, 0x69);
const QColor kPressed(0xEE, 0xBB, 0x3E);
const QColor kDisabled = QColor(0xED, 0xED, 0xEE).darker(150);
const QColor kDarkGold(0xB7, 0x8A, 0x54);
const QColor kLightGold(0xC9, 0x9C, 0x66);
const QColor kBlackText(0x1F, 0x20, 0x23);
const QColor kGrayText(0xA9, 0xAA, 0xAD);
const QColor kLightBlack(0x3A, 0x3C, 0x40);

// A window of the program's window base holding `body`.
QByteArray windowWith(const char* body)
{
    return QByteArray(R"(
import QtQuick 2.15
import QtQuick.Controls 2.15
import Tarnolix 1.0
import "qrc:/"
import "qrc:/controls"
TarnolixWindow {
    width: 640; height: 420; visible: true
    color: Constants.lightBlack
    // The style defaults of the program's controls.
    font.family: "PT Sans"
    palette.window: "#3A3C40"
    palette.windowText: "#EDEDEE"
    palette.text: "#1F2023"
    palette.highlight: "#C99C66"
    palette.mid: "#A9AAAD"
    palette.dark: "#848588"
)") + body + "\n}\n";
}

QPoint centreOf(const QQuickItem* item)
{
    return item->mapToScene(QPointF(item->width() / 2, item->height() / 2)).toPoint();
}

QColor colorOf(const QObject* object, const char* property)
{
    return object->property(property).value<QColor>();
}

// Pixels of `image` inside `rect` within 2 of `color` in every channel.
int pixelsOfColour(const QImage& image, const QRect& rect, const QColor& color)
{
    int count = 0;
    for (int y = rect.top(); y <= rect.bottom(); ++y) {
        for (int x = rect.left(); x <= rect.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (std::abs(c.red() - color.red()) <= 2 && std::abs(c.green() - color.green()) <= 2
                && std::abs(c.blue() - color.blue()) <= 2)
                ++count;
        }
    }
    return count;
}

// An item below `root` in the item tree (views' delegates have no QObject parent there).
QQuickItem* descendant(QQuickItem* root, const QString& objectName)
{
    for (QQuickItem* child : root->childItems()) {
        if (child->objectName() == objectName)
            return child;
        if (QQuickItem* found = descendant(child, objectName))
            return found;
    }
    return nullptr;
}

QRect sceneRect(const QQuickItem* item)
{
    return item->mapRectToScene(QRectF(0, 0, item->width(), item->height())).toAlignedRect();
}

// The scale settings of a test, restored afterwards; the screen's DPI is
// pinned to 96 (CMake), so dp is the default scale.
class ControlsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        settings().setEnableHighDpiScaling(true);
        settings().setDefaultScale(1.0);
    }
    void TearDown() override { settings().setDefaultScale(1.0); }

    static Settings& settings() { return *app().settings(); }

    bool open(const char* body)
    {
        if (!m_window.loadData(windowWith(body)) || !m_window.show())
            return false;
        m_quick = m_window.window();
        // Menus close when their window's activation changes: let it settle first.
        if (!QTest::qWaitForWindowActive(m_quick))
            return false;
        return m_window.warnings().isEmpty();
    }
    QQuickItem* item(const char* name) const { return m_window.find(QString::fromLatin1(name)); }
    void moveTo(const QPoint& point) { QTest::mouseMove(m_quick, point); }
    void moveAway() { moveTo(QPoint(m_quick->width() - 2, m_quick->height() - 2)); }
    void clickOn(const QQuickItem* target, Qt::MouseButton button = Qt::LeftButton)
    {
        QTest::mouseClick(m_quick, button, Qt::NoModifier, centreOf(target));
    }
    // Menus open where the window system's pointer is; test input leaves it
    // alone. Moves it and lets its motion arrive.
    void pointerTo(const QPoint& point)
    {
        QCursor::setPos(m_quick->mapToGlobal(point));
        QTest::qWait(50);
    }

    QmlWindow m_window;
    QQuickWindow* m_quick = nullptr;
};

// ---- the gallery

TEST_F(ControlsTest, GalleryOfEveryControlAtTheDefaultScales)
{
    // The pointer away from every control, so nothing shows hovered.
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    QCursor::setPos(screen.bottomRight() - QPoint(5, 5));
    ASSERT_TRUE(m_window.load(QUrl::fromLocalFile(QStringLiteral(TARNOLIX_TEST_SOURCE_DIR "/tests/app_controls/Gallery.qml"))));
    ASSERT_TRUE(m_window.show());
    EXPECT_TRUE(m_window.warnings().isEmpty()) << m_window.warnings().join('\n').toStdString();
    QQuickWindow* window = m_window.window();
    QQuickItem* eng = m_window.find(QStringLiteral("engCatalog"));
    ASSERT_NE(eng, nullptr);
    EXPECT_EQ(window->property("dp").toDouble(), 1.0);
    EXPECT_EQ(eng->width(), 32);
    QTest::qWait(300); // colour animations settle
    EXPECT_FALSE(m_window.screenshot(QStringLiteral("controls-gallery-scale-1.0")).isEmpty());

    // The tabs in the dark colour mode: a current tab in book mode.
    settings().setColorMode(TarnolixConstants::Dark);
    TabStatus bookTab;
    bookTab.setBookMode(true);
    app().setCurTabStatus(&bookTab);
    ASSERT_EQ(app().currentColorMode(), TarnolixConstants::Dark);
    QTest::qWait(50);
    EXPECT_FALSE(m_window.screenshot(QStringLiteral("controls-gallery-dark-tabs")).isEmpty());
    app().setCurTabStatus(nullptr);

    // The window follows the reader's default scale at once.
    settings().setDefaultScale(1.5);
    EXPECT_EQ(window->property("dp").toDouble(), 1.5);
    EXPECT_EQ(window->property("defaultDp").toDouble(), 1.0);
    QTest::qWait(300);
    EXPECT_EQ(eng->width(), 48); // once the layout has placed it again
    EXPECT_FALSE(m_window.screenshot(QStringLiteral("controls-gallery-scale-1.5")).isEmpty());
    EXPECT_TRUE(m_window.warnings().isEmpty()) << m_window.warnings().join('\n').toStdString();
}

TEST_F(ControlsTest, WindowBaseRoundsUnitsToPixels)
{
    settings().setDefaultScale(1.25);
    ASSERT_TRUE(open(R"(
    property real floored: dpFloor(7)
    property real ceiled: dpCeil(7)
    SVGButton { objectName: "svg"; source: "qrc:/controls/Search.svg"; sourceSize: Qt.size(13, 10) }
)"));
    EXPECT_EQ(m_quick->property("floored").toDouble(), 8); // 8.75
    EXPECT_EQ(m_quick->property("ceiled").toDouble(), 9);
    // ceil(13 * 1.25 + 2 * floor(3 * 1.25)) by ceil(10 * 1.25 + 6)
    QQuickItem* svg = item("svg");
    EXPECT_EQ(svg->implicitWidth(), 23);
    EXPECT_EQ(svg->implicitHeight(), 19);
}

// ---- state colours

TEST_F(ControlsTest, StateColoursFollowTheOrderOfStates)
{
    ASSERT_TRUE(open(R"(
    Column {
        x: 20; y: 20; spacing: 8
        TextButton { objectName: "text"; text: "TextButton"; checkable: true }
        IconButton { objectName: "icon"; svgSource: "qrc:/controls/IconInfo.svg"; text: "IconButton"; checkable: true }
        IconButtonEx { objectName: "iconEx"; svgSource: "qrc:/controls/IconInfo.svg"; text: "IconButtonEx" }
        BlankButton { objectName: "blank"; text: "BlankButton"; checkable: true }
        DarkGoldButton { objectName: "darkGold"; text: "DarkGoldButton"; checkable: true }
        SVGButton { objectName: "svg"; source: "qrc:/controls/IconSettingsGray.svg"; sourceSize: Qt.size(40, 40); checkable: true }
        SVGSimpleButton { objectName: "simple"; source: "qrc:/controls/FavoritesButton.svg"; width: 32; height: 32 }
        VSimpleTextButton { objectName: "simpleText"; text: "VSimpleTextButton" }
    }
)")) << m_window.warnings().join('\n').toStdString();

    const struct
    {
        const char* name;
        QColor plain, hovered, pressed, checked, checkedHovered, disabled;
    } cases[] = {
        {"text", kStatic, kHover, kPressed, kActive, kActive, kDisabled},
        {"icon", kStatic, kHover, kPressed, kActive, kActive, kDisabled},
        {"iconEx", kStatic, kHover, kPressed, kStatic, kHover, kDisabled},
        {"blank", kStatic, kHover, kPressed, kActive, kActive, kStatic},
        {"darkGold", kDarkGold, kActive, kPressed, kActive, kActive, kDarkGold},
        {"svg", kStatic, kHover, kPressed, kActive, kActive, kDisabled},
        {"simple", kStatic, kHover, kPressed, kActive, kActive, kDisabled},
        {"simpleText", kStatic, kHover, kPressed, kActive, kActive, kDisabled},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QQuickItem* control = item(c.name);
        ASSERT_NE(control, nullptr);
        const QPoint centre = centreOf(control);
        moveAway();
        EXPECT_EQ(colorOf(control, "stateColor"), c.plain);
        moveTo(centre);
        EXPECT_EQ(colorOf(control, "stateColor"), c.hovered);
        QTest::mousePress(m_quick, Qt::LeftButton, Qt::NoModifier, centre);
        EXPECT_EQ(colorOf(control, "stateColor"), c.pressed);
        // Released outside: no click.
        moveAway();
        QTest::mouseRelease(m_quick, Qt::LeftButton, Qt::NoModifier, QPoint(m_quick->width() - 2, m_quick->height() - 2));
        ASSERT_FALSE(control->property("checked").toBool());
        control->setProperty("checked", true);
        EXPECT_EQ(colorOf(control, "stateColor"), c.checked);
        moveTo(centre);
        EXPECT_EQ(colorOf(control, "stateColor"), c.checkedHovered);
        moveAway();
        control->setProperty("checked", false);
        control->setEnabled(false);
        moveTo(centre);
        EXPECT_EQ(colorOf(control, "stateColor"), c.disabled);
        QTest::mousePress(m_quick, Qt::LeftButton, Qt::NoModifier, centre);
        EXPECT_EQ(colorOf(control, "stateColor"), c.disabled);
        QTest::mouseRelease(m_quick, Qt::LeftButton, Qt::NoModifier, centre);
        moveAway();
    }

    // The drawn icon takes the colour once the 200 ms change is over.
    QQuickItem* svg = item("svg");
    QTest::qWait(300);
    EXPECT_EQ(colorOf(svg, "shownColor"), kDisabled);
    EXPECT_GT(pixelsOfColour(m_quick->grabWindow(), sceneRect(svg), kDisabled), 100);
    svg->setEnabled(true);
    EXPECT_NE(colorOf(svg, "shownColor"), kStatic); // still changing
    QTest::qWait(300);
    const QImage image = m_quick->grabWindow();
    EXPECT_GT(pixelsOfColour(image, sceneRect(svg), kStatic), 100);
    EXPECT_EQ(pixelsOfColour(image, sceneRect(svg), kDisabled), 0);
}

TEST_F(ControlsTest, SimpleButtonsClickAndCheckOnlyWhileEnabled)
{
    ASSERT_TRUE(open(R"(
    SVGSimpleButton { objectName: "simple"; x: 20; y: 20; width: 32; height: 32; autoCheckable: true
                      source: "qrc:/controls/FavoritesButton.svg"; accessibleName: "Избранное" }
    VSimpleTextButton { objectName: "simpleText"; x: 20; y: 80; text: "VSimpleTextButton"; autoCheckable: true }
    IconButtonEx { objectName: "iconEx"; x: 20; y: 140; svgSource: "qrc:/controls/IconInfo.svg"; text: "Ex" }
)"));
    for (const char* name : {"simple", "simpleText"}) {
        SCOPED_TRACE(name);
        QQuickItem* control = item(name);
        QSignalSpy clicked(control, SIGNAL(clicked()));
        clickOn(control);
        EXPECT_EQ(clicked.count(), 1);
        EXPECT_TRUE(control->property("checked").toBool());
        clickOn(control);
        EXPECT_FALSE(control->property("checked").toBool());
        control->setEnabled(false);
        clickOn(control);
        EXPECT_EQ(clicked.count(), 2);
        EXPECT_FALSE(control->property("checked").toBool());
    }
    QMetaObject::invokeMethod(item("simple"), "trigger"); // disabled: nothing
    EXPECT_FALSE(item("simple")->property("checked").toBool());

    // IconButtonEx checks by a click and turns its arrow.
    QQuickItem* ex = item("iconEx");
    QQuickItem* arrow = ex->findChild<QQuickItem*>(QStringLiteral("indicator"));
    ASSERT_NE(arrow, nullptr);
    clickOn(ex);
    EXPECT_TRUE(ex->property("checked").toBool());
    EXPECT_TRUE(waitUntil([&] { return arrow->rotation() == 180; }, 3000));
    clickOn(ex);
    EXPECT_TRUE(waitUntil([&] { return arrow->rotation() == 0; }, 3000));
}

// ---- SearchField

class SearchFieldTest : public ControlsTest
{
protected:
    void SetUp() override
    {
        ControlsTest::SetUp();
        ASSERT_TRUE(open(R"(
    SearchField { objectName: "field"; x: 20; y: 20; width: 300 }
    InputField { objectName: "other"; x: 20; y: 100; width: 200 }
)")) << m_window.warnings().join('\n').toStdString();
        m_field = item("field");
        m_accepted = std::make_unique<QSignalSpy>(m_field, SIGNAL(accepted()));
        m_cancelled = std::make_unique<QSignalSpy>(m_field, SIGNAL(cancelClicked()));
    }

    QString text() const { return m_field->property("text").toString(); }
    // A key press and release sent straight to the window, drawing nothing between.
    void typeLetter(char key)
    {
        const QString text = QString(QLatin1Char(key));
        QKeyEvent press(QEvent::KeyPress, Qt::Key_A + (key - 'a'), Qt::NoModifier, text);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_A + (key - 'a'), Qt::NoModifier, text);
        QCoreApplication::sendEvent(m_quick, &press);
        QCoreApplication::sendEvent(m_quick, &release);
    }

    QQuickItem* m_field = nullptr;
    std::unique_ptr<QSignalSpy> m_accepted;
    std::unique_ptr<QSignalSpy> m_cancelled;
};

TEST_F(SearchFieldTest, TypingIsReportedOnce100MsAfterTheLastKey)
{
    clickOn(m_field);
    ASSERT_TRUE(m_field->hasActiveFocus());
    // Three keys at once: each press goes straight to the focused field, with
    // no frame drawn between them.
    SignalClock edits(m_field, SIGNAL(textChanged()));
    SignalClock reports(m_field, SIGNAL(accepted()));
    for (const char key : {'a', 't', 'm'}) {
        typeLetter(key);
        EXPECT_EQ(m_accepted->count(), 0);
    }
    ASSERT_EQ(edits.times.size(), 3);
    ASSERT_LT(edits.times.last() - edits.times.first(), 100);
    ASSERT_TRUE(waitUntil([&] { return m_accepted->count() > 0; }, 2000));
    ASSERT_EQ(reports.times.size(), 1);
    // 100 ms on the timers' clock, which moves a frame (1/60 s) at a time.
    EXPECT_GE(reports.times.first() - edits.times.last(), 100 - 17);
    QTest::qWait(250);
    EXPECT_EQ(m_accepted->count(), 1);
    EXPECT_EQ(text(), QStringLiteral("atm"));

    // A key within the 100 ms starts the wait again.
    SignalClock laterEdits(m_field, SIGNAL(textChanged()));
    SignalClock laterReports(m_field, SIGNAL(accepted()));
    typeLetter('a');
    QTest::qWait(60);
    typeLetter('n');
    ASSERT_EQ(laterEdits.times.size(), 2);
    if (laterEdits.times[1] - laterEdits.times[0] < 90) { // else the machine was too busy to tell
        ASSERT_TRUE(waitUntil([&] { return !laterReports.times.isEmpty(); }, 2000));
        EXPECT_GE(laterReports.times.first() - laterEdits.times[1], 100 - 17);
    }
    QTest::qWait(250);
    EXPECT_EQ(m_accepted->count(), 2);

    // reset() clears without a report.
    QMetaObject::invokeMethod(m_field, "reset");
    EXPECT_TRUE(text().isEmpty());
    QTest::qWait(250);
    EXPECT_EQ(m_accepted->count(), 2);

    // Return reports at once and stops the pending report.
    typeLetter('x');
    QTest::keyClick(m_quick, Qt::Key_Return);
    EXPECT_EQ(m_accepted->count(), 3);
    QTest::qWait(250);
    EXPECT_EQ(m_accepted->count(), 3);

    // Without acceptedOnTextChanged only Return and the search button report.
    m_field->setProperty("acceptedOnTextChanged", false);
    typeLetter('y');
    QTest::qWait(250);
    EXPECT_EQ(m_accepted->count(), 3);
    clickOn(m_field->findChild<QQuickItem*>(QStringLiteral("searchButton")));
    EXPECT_EQ(m_accepted->count(), 4);
}

TEST_F(SearchFieldTest, TheClearButtonEmptiesTheFieldAndLeavesItFocused)
{
    QQuickItem* clear = m_field->findChild<QQuickItem*>(QStringLiteral("clearButton"));
    ASSERT_NE(clear, nullptr);
    EXPECT_FALSE(clear->isVisible()); // no text
    clickOn(m_field);
    for (const QChar letter : QStringLiteral("дхарма"))
        QTest::sendKeyEvent(QTest::Click, m_quick, Qt::Key_unknown, QString(letter), Qt::NoModifier);
    ASSERT_TRUE(waitUntil([&] { return clear->isVisible() && clear->opacity() == 1.0; }, 3000));
    ASSERT_TRUE(waitUntil([&] { return m_accepted->count() == 1; }, 3000));

    // The field without the focus gets it back.
    clickOn(item("other"));
    ASSERT_FALSE(m_field->hasActiveFocus());
    EXPECT_TRUE(waitUntil([&] { return colorOf(m_field, "color") == kGrayText; }, 3000)); // out of focus mode
    clickOn(clear);
    EXPECT_EQ(m_cancelled->count(), 1);
    EXPECT_TRUE(text().isEmpty());
    EXPECT_TRUE(m_field->hasActiveFocus());
    QTest::qWait(250);
    EXPECT_EQ(m_accepted->count(), 1);
    EXPECT_TRUE(waitUntil([&] { return !clear->isVisible(); }, 3000));

    // The text never runs under the buttons.
    EXPECT_GE(m_field->property("rightPadding").toDouble(), m_field->width() - clear->x());
}

// ---- menus

TEST_F(ControlsTest, VMenuIsAsWideAsItsWidestShownItem)
{
    ASSERT_TRUE(open(R"(
    VMenu {
        id: menu
        objectName: "menu"
        VMenuItem { objectName: "short"; text: "Копировать" }
        VMenuItem { objectName: "long"; visible: false
                    text: "Пункт с очень длинным названием, которое здесь никогда не показывается" }
        VMenuSeparator { objectName: "separator" }
        VMenuItem { objectName: "medium"; text: "Открыть ссылку в новой вкладке"; icon.source: "qrc:/TabItem/new_tab.svg" }
    }
    MouseArea { anchors.fill: parent; acceptedButtons: Qt.RightButton; onClicked: menu.open() }
)")) << m_window.warnings().join('\n').toStdString();
    QObject* menu = m_window.find<QObject>(QStringLiteral("menu"));
    QQuickItem* shortItem = m_window.find(QStringLiteral("short"));
    QQuickItem* longItem = m_window.find(QStringLiteral("long"));
    QQuickItem* medium = m_window.find(QStringLiteral("medium"));
    ASSERT_TRUE(menu && shortItem && longItem && medium);

    pointerTo(QPoint(100, 80));
    QTest::mouseClick(m_quick, Qt::RightButton, Qt::NoModifier, QPoint(100, 80));
    ASSERT_TRUE(waitUntil([&] { return menu->property("opened").toBool(); }, 3000));
    // Opened at the mouse.
    EXPECT_EQ(menu->property("x").toInt(), 100);
    EXPECT_EQ(menu->property("y").toInt(), 80);
    const double padding = menu->property("leftPadding").toDouble() + menu->property("rightPadding").toDouble();
    EXPECT_GT(longItem->implicitWidth(), medium->implicitWidth());
    EXPECT_GT(medium->implicitWidth(), shortItem->implicitWidth());
    EXPECT_EQ(menu->property("width").toDouble(), std::max(200.0, medium->implicitWidth() + padding));
    EXPECT_EQ(longItem->height(), 0);
    EXPECT_GT(medium->implicitWidth() + padding, 200.0) << "the fixture needs a medium item wider than the background";
    QTest::qWait(150);
    EXPECT_FALSE(m_window.screenshot(QStringLiteral("controls-vmenu")).isEmpty());

    // A click on an entry triggers it and closes the menu.
    QSignalSpy triggered(medium, SIGNAL(triggered()));
    clickOn(medium);
    EXPECT_EQ(triggered.count(), 1);
    EXPECT_TRUE(waitUntil([&] { return !menu->property("visible").toBool(); }, 3000));
}

TEST_F(ControlsTest, TextContextMenuCopiesOnlyASelection)
{
    ASSERT_TRUE(open(R"(
    InputField { objectName: "field"; x: 20; y: 20; width: 320; text: "Бхагавад-гита как она есть" }
)")) << m_window.warnings().join('\n').toStdString();
    QQuickItem* field = item("field");
    QObject* menu = m_window.find<QObject>(QStringLiteral("textContextMenu"));
    QQuickItem* copy = m_window.find(QStringLiteral("copyItem"));
    QQuickItem* cut = m_window.find(QStringLiteral("cutItem"));
    QQuickItem* paste = m_window.find(QStringLiteral("pasteItem"));
    ASSERT_TRUE(menu && copy && cut && paste);
    QObject* contextMenu = field->property("textContextMenu").value<QObject*>();
    ASSERT_NE(contextMenu, nullptr);

    // No selection: copy and cut disabled, paste offered.
    pointerTo(centreOf(field));
    clickOn(field, Qt::RightButton);
    ASSERT_TRUE(waitUntil([&] { return menu->property("opened").toBool(); }, 3000));
    EXPECT_TRUE(contextMenu->property("menuVisible").toBool());
    EXPECT_FALSE(copy->isEnabled());
    EXPECT_FALSE(cut->isEnabled());
    EXPECT_TRUE(paste->isEnabled());
    QTest::keyClick(m_quick, Qt::Key_Escape);
    ASSERT_TRUE(waitUntil([&] { return !menu->property("visible").toBool(); }, 3000));
    EXPECT_FALSE(contextMenu->property("closing").toBool());

    // A selection: copy enabled, and the selection stays drawn while the menu is open.
    clickOn(field);
    QTest::keyClick(m_quick, Qt::Key_Home);
    for (int i = 0; i < 13; ++i)
        QTest::keyClick(m_quick, Qt::Key_Right, Qt::ShiftModifier);
    ASSERT_EQ(field->property("selectedText").toString(), QStringLiteral("Бхагавад-гита"));
    pointerTo(QPoint(300, 30));
    QTest::mouseClick(m_quick, Qt::RightButton, Qt::NoModifier, QPoint(300, 30));
    ASSERT_TRUE(waitUntil([&] { return menu->property("opened").toBool(); }, 3000));
    EXPECT_TRUE(copy->isEnabled());
    EXPECT_TRUE(field->property("persistentSelection").toBool());
    EXPECT_EQ(field->property("selectedText").toString(), QStringLiteral("Бхагавад-гита"));
    QTest::qWait(150);
    EXPECT_FALSE(m_window.screenshot(QStringLiteral("controls-text-context-menu")).isEmpty());
    QGuiApplication::clipboard()->clear();
    clickOn(copy);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("Бхагавад-гита"));
    ASSERT_TRUE(waitUntil([&] { return !menu->property("visible").toBool(); }, 3000));
    EXPECT_FALSE(field->property("persistentSelection").toBool());

    // A left click still reaches the field.
    clickOn(field);
    EXPECT_TRUE(field->property("selectedText").toString().isEmpty());
    EXPECT_FALSE(menu->property("visible").toBool());
}

TEST_F(ControlsTest, LeftMenuToolTipShowsAfterAMomentWhileHoveredAndNotPressed)
{
    ASSERT_TRUE(open(R"(
    FavoritesButton { objectName: "favorites"; x: 20; y: 40 }
)"));
    QQuickItem* button = item("favorites");
    QObject* tip = m_window.find<QObject>(QStringLiteral("toolTip"));
    ASSERT_NE(tip, nullptr);
    EXPECT_EQ(tip->property("text").toString(), QStringLiteral("Избранное"));
    moveTo(centreOf(button));
    QTest::qWait(200);
    EXPECT_FALSE(tip->property("visible").toBool());
    ASSERT_TRUE(waitUntil([&] { return tip->property("opened").toBool(); }, 2000));
    // Beside the button, 2 units to its right, centred on it.
    EXPECT_EQ(tip->property("x").toDouble(), button->width() + 2);
    EXPECT_NEAR(tip->property("y").toDouble() + tip->property("height").toDouble() / 2, button->height() / 2, 0.5);
    EXPECT_FALSE(m_window.screenshot(QStringLiteral("controls-left-menu-tooltip")).isEmpty());
    QTest::mousePress(m_quick, Qt::LeftButton, Qt::NoModifier, centreOf(button));
    EXPECT_TRUE(waitUntil([&] { return !tip->property("visible").toBool(); }, 3000));
    QTest::mouseRelease(m_quick, Qt::LeftButton, Qt::NoModifier, centreOf(button));
}

// ---- choosers

TEST_F(ControlsTest, VComboBoxNeverListsTheCurrentEntry)
{
    ASSERT_TRUE(open(R"(
    VComboBox {
        objectName: "combo"; x: 20; y: 20; width: 200
        textRole: "name"
        model: ListModel {
            ListElement { name: "Русский" }
            ListElement { name: "English" }
            ListElement { name: "Sanskrit" }
        }
        currentIndex: 1
    }
)")) << m_window.warnings().join('\n').toStdString();
    QQuickItem* combo = item("combo");
    QObject* popup = m_window.find<QObject>(QStringLiteral("comboPopup"));
    ASSERT_TRUE(combo && popup);
    EXPECT_EQ(combo->property("displayText").toString(), QStringLiteral("English"));

    QQuickItem* list = popup->property("contentItem").value<QQuickItem*>();
    ASSERT_NE(list, nullptr);
    auto entry = [&](int index) { return descendant(list, QStringLiteral("entry%1").arg(index)); };
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        clickOn(combo);
        // Open, grown to its entries (over 100 ms) and with every entry made:
        // the list makes its delegates at its next polish, not with its size.
        ASSERT_TRUE(waitUntil(
            [&] {
                return popup->property("opened").toBool() && list->height() > 40
                       && popup->property("height").toDouble() == popup->property("implicitHeight").toDouble()
                       && entry(0) && entry(1) && entry(2);
            },
            1000));
        const int current = combo->property("currentIndex").toInt();
        for (int i = 0; i < 3; ++i) {
            QQuickItem* row = entry(i);
            ASSERT_NE(row, nullptr) << i;
            EXPECT_EQ(row->isVisible(), i != current) << i;
            if (i == current) {
                EXPECT_EQ(row->height(), 1);
            }
            EXPECT_EQ(row->property("text").toString(),
                      QStringList({QStringLiteral("Русский"), QStringLiteral("English"), QStringLiteral("Sanskrit")})[i]);
        }
        // Opens right under the field, as wide.
        EXPECT_EQ(popup->property("y").toDouble(), combo->height());
        EXPECT_EQ(popup->property("width").toDouble(), combo->width());
        if (round == 0) {
            QTest::qWait(150);
            EXPECT_FALSE(m_window.screenshot(QStringLiteral("controls-combobox-open")).isEmpty());
        }
        clickOn(entry(round == 0 ? 0 : 2));
        ASSERT_TRUE(waitUntil([&] { return !popup->property("visible").toBool(); }, 3000));
        EXPECT_EQ(combo->property("currentIndex").toInt(), round == 0 ? 0 : 2);
    }
    EXPECT_EQ(combo->property("displayText").toString(), QStringLiteral("Sanskrit"));
}

TEST_F(ControlsTest, ScaleControlBoundsAndShowsThePercentage)
{
    ASSERT_TRUE(open(R"(
    ScaleControl { objectName: "scale"; x: 20; y: 20 }
)"));
    QQuickItem* control = item("scale");
    QQuickItem* minus = m_window.find(QStringLiteral("minusButton"));
    QQuickItem* plus = m_window.find(QStringLiteral("plusButton"));
    QQuickItem* value = m_window.find(QStringLiteral("value"));
    ASSERT_TRUE(control && minus && plus && value);
    const struct
    {
        double scale;
        bool minusEnabled, plusEnabled;
        const char* text;
    } cases[] = {
        {0.5, false, true, "50%"}, {0.75, true, true, "75%"}, {1.25, true, true, "125%"},
        {2.9999, true, false, "300%"}, {3.0, true, false, "300%"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.scale);
        control->setProperty("scale", c.scale);
        EXPECT_EQ(minus->isEnabled(), c.minusEnabled);
        EXPECT_EQ(plus->isEnabled(), c.plusEnabled);
        EXPECT_EQ(value->property("text").toString(), QString::fromLatin1(c.text));
    }
    // The value's room only grows.
    const double widest = value->width();
    control->setProperty("scale", 0.5);
    EXPECT_EQ(value->width(), widest);

    control->setProperty("scale", 1.0);
    QSignalSpy plusClicked(control, SIGNAL(plusClicked()));
    QSignalSpy minusClicked(control, SIGNAL(minusClicked()));
    clickOn(plus);
    clickOn(minus);
    EXPECT_EQ(plusClicked.count(), 1);
    EXPECT_EQ(minusClicked.count(), 1);
    control->setProperty("scale", 0.5);
    clickOn(minus);
    EXPECT_EQ(minusClicked.count(), 1);
}

TEST_F(ControlsTest, VSwitcherChecksTheButtonOfTheCurrentValue)
{
    ASSERT_TRUE(open(R"(
    VSwitcher { objectName: "switcher"; x: 20; y: 20; text: "Язык"; text1: "Русский"; text2: "English"
                value1: "ru"; value2: "en"; currentValue: "ru" }
)"));
    QQuickItem* switcher = item("switcher");
    QQuickItem* first = m_window.find(QStringLiteral("button1"));
    QQuickItem* second = m_window.find(QStringLiteral("button2"));
    QSignalSpy clicked(switcher, SIGNAL(clicked(QVariant)));
    EXPECT_TRUE(first->property("checked").toBool());
    EXPECT_FALSE(second->property("checked").toBool());
    clickOn(second);
    ASSERT_EQ(clicked.count(), 1);
    EXPECT_EQ(clicked.at(0).at(0).toString(), QStringLiteral("en"));
    EXPECT_EQ(switcher->property("currentValue").toString(), QStringLiteral("ru")); // not autoChecked
    switcher->setProperty("autoChecked", true);
    clickOn(second);
    EXPECT_EQ(switcher->property("currentValue").toString(), QStringLiteral("en"));
    EXPECT_TRUE(second->property("checked").toBool());
    EXPECT_FALSE(first->property("checked").toBool());
}

TEST_F(ControlsTest, CheckBoxesShowTheirStates)
{
    ASSERT_TRUE(open(R"(
    VCheckBox { objectName: "check"; x: 20; y: 20; text: "Санскрит" }
    CheckBoxIndicator { objectName: "indicator"; x: 20; y: 80 }
)"));
    QQuickItem* check = item("check");
    QQuickItem* mark = check->findChild<QQuickItem*>(QStringLiteral("checkMark"));
    ASSERT_NE(mark, nullptr);
    clickOn(check);
    EXPECT_TRUE(check->property("checked").toBool());
    // 15 less two borders less 2
    EXPECT_TRUE(waitUntil([&] { return mark->width() == 11; }, 3000));
    clickOn(check);
    EXPECT_TRUE(waitUntil([&] { return mark->width() == 0; }, 3000));

    QQuickItem* indicator = item("indicator");
    QQuickItem* checkedMark = indicator->findChild<QQuickItem*>(QStringLiteral("checkedMark"));
    QQuickItem* partialMark = indicator->findChild<QQuickItem*>(QStringLiteral("partialMark"));
    QSignalSpy clicked(indicator, SIGNAL(clicked()));
    const struct
    {
        Qt::CheckState state;
        bool checkedShown, partialShown;
    } cases[] = {{Qt::Unchecked, false, false}, {Qt::PartiallyChecked, false, true}, {Qt::Checked, true, false}};
    for (const auto& c : cases) {
        indicator->setProperty("checkState", int(c.state));
        EXPECT_EQ(checkedMark->isVisible(), c.checkedShown) << c.state;
        EXPECT_EQ(partialMark->isVisible(), c.partialShown) << c.state;
    }
    EXPECT_EQ(partialMark->width(), 9);
    EXPECT_EQ(checkedMark->width(), 11);
    clickOn(indicator);
    EXPECT_EQ(clicked.count(), 1);
    EXPECT_EQ(indicator->property("checkState").toInt(), int(Qt::Checked)); // the owner decides
}

// ---- fields

TEST_F(ControlsTest, InputFieldErrorWithReservedSpaceKeepsItsHeight)
{
    ASSERT_TRUE(open(R"(
    Column {
        x: 20; y: 20; spacing: 10
        InputFieldError { objectName: "reserved"; width: 260; reserveErrorSpace: true; errorText: "Неверный пароль" }
        InputFieldError { objectName: "plain"; width: 260; errorText: "Неверный пароль" }
    }
)"));
    for (const char* name : {"reserved", "plain"}) {
        SCOPED_TRACE(name);
        QQuickItem* control = item(name);
        QQuickItem* field = control->findChild<QQuickItem*>(QStringLiteral("field"));
        QQuickItem* label = control->findChild<QQuickItem*>(QStringLiteral("errorLabel"));
        const bool reserved = control->property("reserveErrorSpace").toBool();
        const double calm = control->implicitHeight();
        EXPECT_EQ(calm, reserved ? field->height() + std::max(34.0, label->implicitHeight()) : field->implicitHeight());
        EXPECT_FALSE(label->isVisible());

        control->setProperty("error", true);
        EXPECT_TRUE(label->isVisible());
        EXPECT_EQ(label->y(), field->height());
        EXPECT_EQ(colorOf(label, "color"), QColor(0xDE, 0x78, 0x61));
        if (reserved)
            EXPECT_EQ(control->implicitHeight(), calm);
        else
            EXPECT_EQ(control->implicitHeight(), field->height() + label->implicitHeight());
        // The field's frame: 2 units in the error colour.
        EXPECT_TRUE(field->property("useBorderSettings").toBool());
        EXPECT_EQ(field->property("borderWidth").toDouble(), 2);
        EXPECT_EQ(colorOf(field, "borderColor"), QColor(0xDE, 0x78, 0x61));
        control->setProperty("error", false);
        EXPECT_FALSE(field->property("useBorderSettings").toBool());
        EXPECT_EQ(control->implicitHeight(), calm);
    }
}

// ---- tabs

TEST_F(ControlsTest, BKTabButtonShowsItsTabAndClosesIt)
{
    settings().setColorMode(TarnolixConstants::Dark);
    ASSERT_TRUE(open(R"(
    property QtObject searchTab: QtObject {
        property QtObject pageStatus: QtObject { property string tabTitle: "Поиск: атма" }
        property bool pageStatusIsSearch: true
    }
    Row {
        x: 20; y: 20; spacing: 2
        BKTabButton { objectName: "current"; width: 200; checked: true; tabStatus: searchTab }
        BKTabButton { objectName: "other"; width: 200 }
        BKTabButton { objectName: "narrow"; width: 80; tabStatus: searchTab }
    }
)")) << m_window.warnings().join('\n').toStdString();
    QQuickItem* current = item("current");
    QQuickItem* other = item("other");
    QQuickItem* narrow = item("narrow");
    auto part = [](QQuickItem* tab, const char* name) { return tab->findChild<QQuickItem*>(QString::fromLatin1(name)); };

    EXPECT_EQ(current->property("text").toString(), QStringLiteral("Поиск: атма"));
    EXPECT_TRUE(other->property("text").toString().isEmpty()); // no tab status
    EXPECT_TRUE(part(current, "searchIcon")->isVisible());
    EXPECT_FALSE(part(other, "searchIcon")->isVisible());
    EXPECT_EQ(colorOf(part(current, "title"), "color"), kBlackText);
    EXPECT_EQ(colorOf(part(other, "title"), "color"), QColor(0xED, 0xED, 0xEE));

    // The close button shows on the current tab and on a hovered one.
    EXPECT_TRUE(part(current, "closeButton")->isVisible());
    EXPECT_FALSE(part(other, "closeButton")->isVisible());
    moveTo(centreOf(other));
    EXPECT_TRUE(waitUntil([&] { return part(other, "closeButton")->opacity() == 1.0; }, 3000));
    EXPECT_EQ(colorOf(part(other, "closeButton"), "colorHover"), kHover);
    EXPECT_EQ(colorOf(part(current, "closeButton"), "colorHover"), kLightBlack);
    moveAway();
    EXPECT_TRUE(waitUntil([&] { return !part(other, "closeButton")->isVisible(); }, 3000));

    // Background: the colour mode picks the current tab's colour.
    auto background = [](QQuickItem* tab) { return tab->property("background").value<QQuickItem*>(); };
    EXPECT_EQ(colorOf(background(other), "color"), kBlackText);
    EXPECT_EQ(colorOf(background(current), "color"), kActive);
    TabStatus bookTab;
    bookTab.setBookMode(true);
    app().setCurTabStatus(&bookTab);
    EXPECT_EQ(colorOf(background(current), "color"), kDarkGold);
    app().setCurTabStatus(nullptr);
    EXPECT_EQ(colorOf(background(current), "color"), kActive);

    // A narrow tab puts the search icon at its left edge and elides the title.
    QQuickItem* narrowTitle = part(narrow, "title");
    EXPECT_EQ(part(narrow, "searchIcon")->x(), 0);
    EXPECT_LT(narrowTitle->width(), narrowTitle->implicitWidth());
    EXPECT_GT(part(current, "searchIcon")->x(), 0); // centred with the title

    QSignalSpy closed(current, SIGNAL(closeClicked()));
    clickOn(part(current, "closeButton"));
    EXPECT_EQ(closed.count(), 1);
}

TEST_F(ControlsTest, LoaderTurnsOnlyWhileRunning)
{
    ASSERT_TRUE(open(R"(
    LoaderGray { objectName: "loader"; x: 20; y: 20 }
)"));
    QQuickItem* loader = item("loader");
    QQuickItem* image = loader->findChild<QQuickItem*>(QStringLiteral("image"));
    EXPECT_FALSE(loader->isVisible());
    EXPECT_FALSE(loader->property("running").toBool());
    QTest::qWait(250);
    EXPECT_EQ(image->rotation(), 0);
    loader->setProperty("running", true);
    EXPECT_TRUE(loader->isVisible());
    ASSERT_TRUE(waitUntil([&] { return image->rotation() >= 60; }, 2000));
    EXPECT_EQ(std::fmod(image->rotation(), 30.0), 0.0);
    EXPECT_TRUE(waitUntil([&] { return image->rotation() == 0; }, 3000)); // back to 0 at 360
    loader->setProperty("running", false);
    const double stopped = image->rotation();
    QTest::qWait(250);
    EXPECT_EQ(image->rotation(), stopped);
}

} // namespace
