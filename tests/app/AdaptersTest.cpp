// The small objects between the QML interface and the desktop: the tinting
// image provider, the window scale, keeping a window on its screen, the
// resource fonts, the clipboard watcher and the native context menu.
#include "app/ApplicationFonts.h"
#include "app/ClipboardTextFormattingWatcher.h"
#include "app/DPCalculate.h"
#include "app/NativeContextMenu.h"
#include "app/Tarnolix.h"
#include "app/TintedImageProvider.h"
#include "app/WindowGeometry.h"
#include "tests/app/Fakes.h"
#include "tests/support/AppTestSupport.h"
#include "tests/support/MessageLog.h"
#include "tests/support/TestSupport.h"

#include <QAction>
#include <QClipboard>
#include <QFile>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QImageReader>
#include <QMenu>
#include <QMimeData>
#include <QQmlApplicationEngine>
#include <QScreen>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <QWindow>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

using tarnolix::test::app;
using tarnolix::test::MessageLog;
using tarnolix::test::waitUntil;

// ---- "tinted-svg"

// 48 x 32 with opaque and half-transparent parts in several colours.
const char kIcon48x32[] = R"(<svg xmlns="http://www.w3.org/2000/svg" width="48" height="32" viewBox="0 0 48 32">
  <rect x="0" y="0" width="24" height="32" fill="#ff0000"/>
  <circle cx="36" cy="16" r="10" fill="#00ff00" fill-opacity="0.5"/>
</svg>)";

QString tintedId(const QUrl& source, const QString& color)
{
    return QStringLiteral("?source=") + QString::fromLatin1(QUrl::toPercentEncoding(source.toString()))
           + QStringLiteral("&color=") + QString::fromLatin1(QUrl::toPercentEncoding(color));
}

class TintedImageTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        QFile file(m_dir.filePath(QStringLiteral("icon.svg")));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(kIcon48x32);
    }

    QUrl iconUrl() const { return QUrl::fromLocalFile(m_dir.filePath(QStringLiteral("icon.svg"))); }

    TintedImageProvider m_provider;
    QTemporaryDir m_dir;
};

TEST_F(TintedImageTest, RefusesWhatItCannotTint)
{
    const struct
    {
        QUrl source;
        QString color;
    } cases[] = {
        {iconUrl(), QStringLiteral("no-such-colour")},
        {iconUrl(), QString()},
        {QUrl(QStringLiteral("https://example.invalid/icon.svg")), QStringLiteral("red")},
        {QUrl::fromLocalFile(m_dir.filePath(QStringLiteral("missing.svg"))), QStringLiteral("red")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.source.toString().toStdString() + " " + c.color.toStdString());
        QSize size(-7, -7);
        EXPECT_TRUE(m_provider.requestImage(tintedId(c.source, c.color), &size, QSize(24, 0)).isNull());
        EXPECT_EQ(size, QSize(-7, -7));
    }
}

TEST_F(TintedImageTest, OneGivenSideKeepsTheFilesProportions)
{
    const struct
    {
        QSize requested;
        QSize expected;
    } cases[] = {
        {QSize(24, 0), QSize(24, 16)}, {QSize(24, -1), QSize(24, 16)}, {QSize(0, 8), QSize(12, 8)},
        {QSize(1, 0), QSize(1, 1)},    {QSize(-1, -1), QSize(48, 32)}, {QSize(10, 30), QSize(10, 30)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.requested.width() << "x" << c.requested.height());
        QSize size;
        const QImage image = m_provider.requestImage(tintedId(iconUrl(), QStringLiteral("#C99C66")), &size, c.requested);
        EXPECT_EQ(image.size(), c.expected);
        EXPECT_EQ(size, c.expected);
    }
}

TEST_F(TintedImageTest, EveryPixelTakesTheColourAndKeepsItsAlpha)
{
    const QColor gold(0xC9, 0x9C, 0x66);
    const QImage tinted = m_provider.requestImage(tintedId(iconUrl(), gold.name()), nullptr, QSize(24, 0))
                              .convertToFormat(QImage::Format_ARGB32);
    QImageReader reader(iconUrl().toLocalFile());
    reader.setScaledSize(QSize(24, 16));
    const QImage plain = reader.read().convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(tinted.size(), plain.size());

    int opaque = 0;
    int partial = 0;
    for (int y = 0; y < plain.height(); ++y) {
        for (int x = 0; x < plain.width(); ++x) {
            const QColor want = plain.pixelColor(x, y);
            const QColor got = tinted.pixelColor(x, y);
            ASSERT_EQ(got.alpha(), want.alpha()) << x << "," << y;
            if (want.alpha() == 255) {
                ++opaque;
                EXPECT_EQ(got.rgb(), gold.rgb()) << x << "," << y;
            } else if (want.alpha() >= 64) {
                ++partial; // unpremultiplied: off by a rounding step at most
                EXPECT_NEAR(got.red(), gold.red(), 3) << x << "," << y;
                EXPECT_NEAR(got.green(), gold.green(), 3) << x << "," << y;
                EXPECT_NEAR(got.blue(), gold.blue(), 3) << x << "," << y;
            }
        }
    }
    EXPECT_GT(opaque, 50);
    EXPECT_GT(partial, 20);
}

TEST_F(TintedImageTest, ReadsResourceIconsAndTheEnginesProviderIsThisOne)
{
    const QImage image = m_provider.requestImage(
        tintedId(QUrl(QStringLiteral("qrc:/controls/Search.svg")), QStringLiteral("#1F2023")), nullptr, QSize(20, 20));
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.size(), QSize(20, 20));

    tarnolix::test::QmlWindow window;
    EXPECT_NE(dynamic_cast<TintedImageProvider*>(window.engine().imageProvider(QStringLiteral("tinted-svg"))), nullptr);
}

// ---- DPCalculate

// Restores the scale settings a test changes.
class DPCalculateTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        settings().setEnableHighDpiScaling(true);
        settings().setDefaultScale(1.0);
    }
    void TearDown() override
    {
        settings().setEnableHighDpiScaling(true);
        settings().setDefaultScale(1.0);
    }
    static Settings& settings() { return *app().settings(); }
    static QScreen* screen() { return QGuiApplication::primaryScreen(); }
};

TEST_F(DPCalculateTest, HighDpiScalingOffGivesTheDefaultScaleOnAnyScreen)
{
    settings().setEnableHighDpiScaling(false);
    settings().setDefaultScale(1.5);
    for (const QString& name : {QStringLiteral("no such screen"), screen()->name()}) {
        SCOPED_TRACE(name.toStdString());
        DPCalculate scale;
        scale.setScreenName(QStringLiteral("placeholder"));
        scale.setScreenName(name);
        EXPECT_DOUBLE_EQ(scale.defaultDp(), 1.0);
        EXPECT_DOUBLE_EQ(scale.dp(), 1.5);
    }
}

TEST_F(DPCalculateTest, AKnownScreenScalesByItsLogicalDpiAnUnknownOneByOne)
{
    settings().setDefaultScale(2.0);
    MessageLog log;
    DPCalculate scale;
    QSignalSpy nameChanged(&scale, &DPCalculate::screenNameChanged);
    QSignalSpy defaultDpChanged(&scale, &DPCalculate::defaultDpChanged);
    QSignalSpy dpChanged(&scale, &DPCalculate::dpChanged);

    scale.setScreenName(QStringLiteral("nosuch"));
    EXPECT_EQ(nameChanged.count(), 1);
    EXPECT_DOUBLE_EQ(scale.defaultDp(), 1.0);
    EXPECT_DOUBLE_EQ(scale.dp(), 2.0);
    EXPECT_EQ(defaultDpChanged.count(), 0);
    EXPECT_EQ(dpChanged.count(), 1);
    EXPECT_TRUE(log.contains(QtWarningMsg, QStringLiteral("Screen=nosuch SCREEN NOT FOUND dp=1.000000")));

    scale.setScreenName(QStringLiteral("nosuch")); // the same name: nothing
    EXPECT_EQ(nameChanged.count(), 1);

    const double base = screen()->logicalDotsPerInch() / 96.0;
    scale.setScreenName(screen()->name());
    EXPECT_DOUBLE_EQ(scale.defaultDp(), base);
    EXPECT_DOUBLE_EQ(scale.dp(), 2.0 * base);
    EXPECT_TRUE(log.contains(QtDebugMsg, QStringLiteral("logicalDotsPerInch=")));

    // The default scale moves dp only; the switch moves both.
    defaultDpChanged.clear();
    dpChanged.clear();
    settings().setDefaultScale(3.0);
    EXPECT_DOUBLE_EQ(scale.dp(), 3.0 * base);
    EXPECT_EQ(dpChanged.count(), 1);
    EXPECT_EQ(defaultDpChanged.count(), 0);
    EXPECT_TRUE(log.contains(QtDebugMsg, QStringLiteral("defaultScale 3.000000")));
    settings().setEnableHighDpiScaling(false);
    EXPECT_DOUBLE_EQ(scale.dp(), 3.0);
    EXPECT_TRUE(log.contains(QtDebugMsg, QStringLiteral("High dpi scaling disabled")));
    if (base != 1.0) {
        EXPECT_EQ(defaultDpChanged.count(), 1);
        EXPECT_EQ(dpChanged.count(), 2);
    }

    // Recomputing the same values signals nothing.
    defaultDpChanged.clear();
    dpChanged.clear();
    scale.updateDp();
    EXPECT_EQ(defaultDpChanged.count(), 0);
    EXPECT_EQ(dpChanged.count(), 0);
}

TEST(DPCalculateEquality, IsRelative)
{
    const struct
    {
        double a, b;
        bool equal;
    } cases[] = {
        {1.0, 1.0, true},           {1.0, 1.0 + 1e-13, true}, {1.0, 1.0 + 1e-11, false},
        {1e6, 1e6 + 1e-7, true},    {1e-6, 1.1e-6, false},    {0.0, 0.0, true},
        {0.0, 1e-300, false},       {1.5, 1.25, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.a << " " << c.b);
        EXPECT_EQ(DPCalculate::fuzzyEqual(c.a, c.b), c.equal);
        EXPECT_EQ(DPCalculate::fuzzyEqual(c.b, c.a), c.equal);
    }
}

// ---- keepOnScreen

TEST(WindowGeometryTest, KeepsANormalWindowInsideTheAvailableArea)
{
    WindowGeometry geometry;
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    QWindow probe;
    probe.setGeometry(100, 100, 200, 100);
    probe.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&probe));
    const QMargins m = probe.frameMargins();
    probe.close();

    // Every rectangle relative to the area's top left corner.
    const int w = area.width();
    const int h = area.height();
    const struct
    {
        const char* name;
        QRect before;
        QRect after;
    } cases[] = {
        {"fits", {100, 100, 300, 200}, {100, 100, 300, 200}},
        {"too large", {0, 0, w + 100, h + 50}, {m.left(), m.top(), w - m.left() - m.right(), h - m.top() - m.bottom()}},
        {"past the left edge", {-50, 100, 300, 200}, {m.left(), 100, 300, 200}},
        {"past the right edge", {w - 100, 100, 300, 200}, {w - m.right() - 300, 100, 300, 200}},
        {"past the top edge", {100, -30, 300, 200}, {100, m.top(), 300, 200}},
        {"past the bottom edge", {100, h - 50, 300, 200}, {100, h - m.bottom() - 200, 300, 200}},
        {"past two edges", {w - 10, h - 10, 300, 200}, {w - m.right() - 300, h - m.bottom() - 200, 300, 200}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QWindow window;
        window.show();
        const QRect before = c.before.translated(area.topLeft());
        // Placed by its frame: a placement by the client area may be nudged inside.
        window.resize(before.size());
        window.setFramePosition(before.topLeft() - QPoint(m.left(), m.top()));
        waitUntil([&] { return window.geometry() == before; }, 1000);
        ASSERT_EQ(window.geometry(), before);
        geometry.keepOnScreen(&window);
        const QRect expected = c.after.translated(area.topLeft());
        waitUntil([&] { return window.geometry() == expected; }, 1000);
        EXPECT_EQ(window.geometry(), expected);
    }
}

TEST(WindowGeometryTest, LeavesMaximisedMinimisedAndHiddenWindowsAlone)
{
    WindowGeometry geometry;
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    const QRect offScreen(area.left() - 50, area.top() - 40, area.width() + 200, 100);
    const struct
    {
        const char* name;
        Qt::WindowState state;
        bool shown;
    } cases[] = {
        {"maximised", Qt::WindowMaximized, true},
        {"minimised", Qt::WindowMinimized, true},
        {"hidden", Qt::WindowNoState, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QWindow window;
        window.setGeometry(offScreen);
        if (c.shown)
            window.show();
        window.setWindowState(c.state);
        const QRect before = window.geometry();
        geometry.keepOnScreen(&window);
        EXPECT_EQ(window.geometry(), before);
        EXPECT_EQ(window.windowState(), c.state);
    }
    geometry.keepOnScreen(nullptr); // nothing to do
}

// ---- fonts

TEST(ApplicationFontsTest, AFontThatFailsIsLoggedAndTheOthersLoad)
{
    MessageLog log;
    const QStringList families = loadApplicationFonts(
        {QStringLiteral("://font/PTSans-Bold.ttf"), QStringLiteral("://font/no-such-font.ttf"),
         QStringLiteral("://font/PTSans-Italic.ttf")});
    EXPECT_EQ(families, QStringList({QStringLiteral("PT Sans"), QStringLiteral("PT Sans")}));
    EXPECT_EQ(log.texts(QtCriticalMsg), QStringList({QStringLiteral("Load font '://font/no-such-font.ttf' error")}));
    EXPECT_TRUE(log.contains(QtDebugMsg, QStringLiteral("Font families loaded:")));
}

TEST(ApplicationFontsTest, TheResourceFacesAreThePTSansFamily)
{
    MessageLog log;
    EXPECT_EQ(loadApplicationFonts(), QStringList(QVector<QString>(4, QStringLiteral("PT Sans")).toList()));
    EXPECT_TRUE(log.texts(QtCriticalMsg).isEmpty());
    const QStringList styles = QFontDatabase().styles(QStringLiteral("PT Sans"));
    for (const char* style : {"Regular", "Italic", "Bold", "Bold Italic"})
        EXPECT_TRUE(styles.contains(QLatin1String(style))) << style << " " << styles.join(',').toStdString();
}

// ---- clipboard watcher

TEST(ClipboardWatcherTest, LeavesPlainTextOnlyWhileTheTabsViewHasTheFocus)
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    ClipboardTextFormattingWatcher watcher(app());
    auto tab = std::make_unique<TabStatus>();
    auto putHtml = [clipboard](const char* html, const char* text) {
        auto* data = new QMimeData;
        data->setHtml(QString::fromUtf8(html));
        if (text)
            data->setText(QString::fromUtf8(text));
        clipboard->setMimeData(data);
    };

    const struct
    {
        const char* name;
        bool hasTab;
        bool focused;
        const char* text;
        bool cleared;
        const char* expected;
    } cases[] = {
        {"focused, with its text", true, true, "Бхагавад-гита 2.13", true, "Бхагавад-гита 2.13"},
        {"focused, HTML alone", true, true, nullptr, true, "Бхагавад-гита 2.13"},
        {"the focus elsewhere", true, false, "Бхагавад-гита 2.13", false, nullptr},
        {"no current tab", false, true, "Бхагавад-гита 2.13", false, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        tab->setWebViewActiveFocus(c.focused);
        app().setCurTabStatus(c.hasTab ? tab.get() : nullptr);
        MessageLog log;
        QSignalSpy changed(clipboard, &QClipboard::dataChanged);
        putHtml("<p>Бхагавад-гита <b>2.13</b></p>", c.text);
        EXPECT_EQ(clipboard->mimeData()->hasHtml(), !c.cleared);
        if (c.cleared) {
            EXPECT_EQ(clipboard->text(), QString::fromUtf8(c.expected));
            // Its own change carries no HTML: two changes, one log line.
            EXPECT_EQ(changed.count(), 2);
            EXPECT_EQ(log.texts(QtInfoMsg), QStringList({QStringLiteral("Clipboar text formatting was cleared")}));
        } else {
            EXPECT_EQ(changed.count(), 1);
            EXPECT_TRUE(log.texts(QtInfoMsg).isEmpty());
        }
    }
    app().setCurTabStatus(nullptr);
}

// ---- native context menu

TEST(NativeContextMenuTest, AClickedEntryEmitsItsIndexAndTheMenuCloses)
{
    NativeContextMenu native;
    QSignalSpy triggered(&native, &NativeContextMenu::triggered);
    QSignalSpy hidden(&native, &NativeContextMenu::aboutToHide);
    QSignalSpy visibleChanged(&native, &NativeContextMenu::visibleChanged);
    const QVariantList entries = {
        QVariantMap{{"text", "Вырезать"}, {"index", 0}, {"enabled", false}},
        QVariantMap{{"text", "Копировать"}, {"index", 1}},
        QVariantMap{{"separator", true}},
        QVariantMap{{"text", "Без номера"}},
    };
    native.open(entries);
    QPointer<QMenu> menu = native.menu();
    ASSERT_NE(menu, nullptr);
    EXPECT_TRUE(native.visible());
    EXPECT_EQ(visibleChanged.count(), 1);
    const QList<QAction*> actions = menu->actions();
    ASSERT_EQ(actions.size(), 4);
    EXPECT_EQ(actions[0]->text(), QStringLiteral("Вырезать"));
    EXPECT_FALSE(actions[0]->isEnabled());
    EXPECT_TRUE(actions[1]->isEnabled());
    EXPECT_TRUE(actions[2]->isSeparator());

    QTest::mouseClick(menu, Qt::LeftButton, Qt::NoModifier, menu->actionGeometry(actions[1]).center());
    ASSERT_EQ(triggered.count(), 1);
    EXPECT_EQ(triggered.at(0).at(0).toInt(), 1);
    EXPECT_EQ(hidden.count(), 1);
    EXPECT_FALSE(native.visible());
    EXPECT_EQ(native.menu(), nullptr);
    EXPECT_EQ(visibleChanged.count(), 2);
    EXPECT_TRUE(waitUntil([&] { return menu.isNull(); })); // deleted once hidden

    // An entry without an index gives 0; opening again closes the menu shown.
    native.open(entries);
    menu = native.menu();
    ASSERT_NE(menu, nullptr);
    menu->actions()[3]->trigger();
    EXPECT_EQ(triggered.last().at(0).toInt(), 0);
    native.open(entries);
    EXPECT_EQ(hidden.count(), 2);
    EXPECT_NE(native.menu(), menu);
    EXPECT_TRUE(waitUntil([&] { return menu.isNull(); }));

    native.open({});
    EXPECT_FALSE(native.visible());
    EXPECT_EQ(hidden.count(), 3);
}

TEST(NativeContextMenuTest, AMenuOutlivingItsOwnerIsDeletedAndNeverReachesIt)
{
    QPointer<QMenu> menu;
    QAction* action = nullptr;
    {
        NativeContextMenu native;
        native.open({QVariantMap{{"text", "Вставить"}, {"index", 2}}});
        menu = native.menu();
        ASSERT_NE(menu, nullptr);
        action = menu->actions().constFirst();
    }
    ASSERT_FALSE(menu.isNull());
    action->trigger(); // its owner is gone: nothing may reach it
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(menu.isNull());
}

} // namespace
