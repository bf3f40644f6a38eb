// The main window after a sign-in: its layout, the left menu and header
// driving the current tab (a test tab control in the tab area's place), book
// mode with its content settings, view switches refused while the bar
// slides, the settings dialog during the account refresh, the debug window.
#include "tests/app_window/WindowTest.h"

#include "app/DPCalculate.h"
#include "core/Settings.h"
#include "core/TarnolixConstants.h"
#include "core/TranslatorMngr.h"
#include "pages/UrlCreator.h"

#include <QFile>
#include <QJsonObject>
#include <QQmlApplicationEngine>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace tarnolix::test;

namespace {

class MainWindowTest : public WindowTest
{
protected:
    // Signs in and puts the test tab control in place.
    bool openMainWindow()
    {
        if (!openRoot() || !signIn())
            return false;
        m_tabs = loadFakeTabControl();
        return m_tabs && currentTab();
    }
    QObject* currentTab() const { return m_tabs->property("currentTab").value<QObject*>(); }
    QObject* status() const { return currentTab()->property("status").value<QObject*>(); }
    // The current tab shows a book's section, by the address its view reports.
    void showBookPage() const
    {
        const int id = status()->property("id").toInt();
        status()->setProperty(
            "url", QUrl(QStringLiteral("tarnolix://openbook.ru/Book-77/Section-r-2?catalogTab=Names&tabId=%1").arg(id)));
    }
    QVariantList lastCall() const
    {
        const QVariantList calls = currentTab()->property("calls").toList();
        return calls.isEmpty() ? QVariantList() : calls.constLast().toList();
    }
    QQuickItem* mainWindow() const { return item(QStringLiteral("mainWindow")); }

    QObject* m_tabs = nullptr;
};

TEST_F(MainWindowTest, LaysOutItsPartsAndHandsItsScaleAndTabsToTheApplication)
{
    ASSERT_TRUE(openRoot());
    ASSERT_TRUE(signIn());
    QQuickItem* header = item(QStringLiteral("header"));
    QQuickItem* menu = item(QStringLiteral("leftMenu"));
    QQuickItem* area = item(QStringLiteral("tabArea"));
    EXPECT_GE(header->height(), 32);
    EXPECT_EQ(header->width(), window()->width());
    EXPECT_EQ(menu->width(), 48);
    EXPECT_EQ(menu->y(), header->height());
    EXPECT_EQ(area->x(), 48);
    EXPECT_EQ(area->y(), std::ceil(header->height()));
    EXPECT_EQ(area->width(), window()->width() - 48);
    EXPECT_FALSE(item(QStringLiteral("contentSettings"))->isVisible()) << "at rest behind the header";
    EXPECT_EQ(app().mainWindowDPCalculate(), window()->property("dpCalculate").value<DPCalculate*>());
    EXPECT_EQ(item(QStringLiteral("userNameButton"))->property("text").toString().trimmed().isEmpty(), false);
    EXPECT_TRUE(item(QStringLiteral("debugButton"))->isVisible()) << "debug mode";
    EXPECT_FALSE(item(QStringLiteral("bookModeButton"))->isEnabled()) << "no tab yet";
    EXPECT_FALSE(qml().screenshot(QStringLiteral("window-main")).isEmpty());

    QObject* tabs = loadFakeTabControl();
    ASSERT_NE(tabs, nullptr);
    EXPECT_EQ(app().tabControl(), tabs);
    QObject* tab = tabs->property("currentTab").value<QObject*>();
    ASSERT_NE(tab, nullptr) << "the first tab is added";
    QObject* status = tab->property("status").value<QObject*>();
    EXPECT_EQ(status->property("basePagesOpened").toInt(), 1) << "with its base page";
    EXPECT_EQ(app().curTabStatus(), status);
    tab->setProperty("selectBooksButtonChecked", true);
    EXPECT_TRUE(app().settings()->advancedSearch());
    tab->setProperty("selectBooksButtonChecked", false);
    EXPECT_FALSE(app().settings()->advancedSearch());
}

// Russian, English, Sanskrit from the top; English first with an English
// interface. Each entry chooses its catalogue in the current tab.
TEST_F(MainWindowTest, TheCatalogueEntriesFollowTheInterfaceLanguage)
{
    ASSERT_TRUE(openMainWindow());
    const auto order = [this] {
        QMap<qreal, QString> byY;
        for (const char* name : {"rusCatalogButton", "engCatalogButton", "sanCatalogButton"})
            byY.insert(item(QString::fromLatin1(name))->mapToScene(QPointF()).y(), QString::fromLatin1(name));
        return byY.values();
    };
    EXPECT_EQ(order(), (QStringList{"rusCatalogButton", "engCatalogButton", "sanCatalogButton"}));
    app().translatorMngr()->setLanguage(TarnolixConstants::English);
    EXPECT_EQ(order(), (QStringList{"engCatalogButton", "rusCatalogButton", "sanCatalogButton"}));
    EXPECT_FALSE(qml().screenshot(QStringLiteral("window-main-english")).isEmpty());

    using C = TarnolixConstants;
    const struct
    {
        const char* button;
        int catalog;
        int language;
        int resultType;
    } entries[] = {
        {"engCatalogButton", C::EnglishCatalog, C::English, UrlCreator::FTSearch},
        {"rusCatalogButton", C::RussianCatalog, C::Russian, UrlCreator::FTSearch},
        {"sanCatalogButton", C::SanskritCatalog, C::Sanskrit, UrlCreator::FTSearch},
        {"glossaryButton", C::GlossaryCatalog, C::English, UrlCreator::GlossarySearch},
    };
    for (const auto& entry : entries) {
        SCOPED_TRACE(entry.button);
        click(item(QString::fromLatin1(entry.button)));
        EXPECT_EQ(lastCall(), (QVariantList{entry.catalog, entry.language, entry.resultType}));
        EXPECT_TRUE(item(QString::fromLatin1(entry.button))->property("checked").toBool());
    }
}

// The word-by-word entry keeps the word-by-word catalogue's language, and
// coming from another catalogue takes the interface's.
TEST_F(MainWindowTest, TheWordByWordEntryKeepsItsLanguage)
{
    ASSERT_TRUE(openMainWindow());
    using C = TarnolixConstants;
    QQuickItem* wbw = item(QStringLiteral("wbwSearchButton"));
    click(wbw);
    EXPECT_EQ(lastCall(), (QVariantList{C::WordByWordCatalog, C::Russian, UrlCreator::WBWSearch}));
    EXPECT_TRUE(wbw->property("checked").toBool());
    // The search band chose English word by word meanwhile.
    status()->setProperty("catalogLanguage", C::English);
    click(wbw);
    EXPECT_EQ(lastCall(), (QVariantList{C::WordByWordCatalog, C::English, UrlCreator::WBWSearch}));
    click(item(QStringLiteral("rusCatalogButton")));
    click(wbw);
    EXPECT_EQ(lastCall(), (QVariantList{C::WordByWordCatalog, C::Russian, UrlCreator::WBWSearch}));
}

// The content settings apply in book mode only; leaving it shows everything
// and the boxes keep their states for the next time.
TEST_F(MainWindowTest, BookModeAppliesTheContentSettingsAndLeavingItShowsEverything)
{
    ASSERT_TRUE(openMainWindow());
    Settings& settings = *app().settings();
    QQuickItem* bookMode = item(QStringLiteral("bookModeButton"));
    QQuickItem* toggle = item(QStringLiteral("contentSettingsButton"));
    QQuickItem* bar = item(QStringLiteral("contentSettings"));
    QQuickItem* header = item(QStringLiteral("header"));
    EXPECT_FALSE(bookMode->isEnabled()) << "not on a book page";
    EXPECT_FALSE(toggle->isVisible());
    showBookPage();
    ASSERT_TRUE(bookMode->isEnabled());

    click(bookMode);
    ASSERT_TRUE(app().curTabBookMode());
    EXPECT_EQ(bookMode->property("text").toString(), QStringLiteral("Выйти из режима чтения"));
    ASSERT_TRUE(toggle->isVisible());
    EXPECT_LE(toggle->x() + toggle->width() + 30, bookMode->x() + 0.5);
    click(toggle);
    ASSERT_TRUE(settle([&] { return bar->isVisible() && bar->y() == header->height(); }));
    pause(150);
    EXPECT_EQ(item(QStringLiteral("tabArea"))->y(), std::ceil(bar->y() + bar->height()));
    EXPECT_FALSE(qml().screenshot(QStringLiteral("window-main-content-settings")).isEmpty());

    QQuickItem* sanskrit = item(QStringLiteral("showSanskritBox"));
    click(sanskrit);
    EXPECT_FALSE(settings.showSanskrit());
    click(bookMode);
    ASSERT_FALSE(app().curTabBookMode());
    EXPECT_TRUE(settings.showSanskrit()) << "outside book mode the pages show everything";
    EXPECT_FALSE(sanskrit->property("checked").toBool());
    EXPECT_TRUE(toggle->property("checked").toBool());
    ASSERT_TRUE(settle([&] { return !bar->isVisible(); })) << "back behind the header with the toggle on";
    EXPECT_EQ(item(QStringLiteral("tabArea"))->y(), std::ceil(header->height()));
    click(bookMode);
    EXPECT_FALSE(settings.showSanskrit()) << "book mode again hides it";
    EXPECT_TRUE(settings.showDiacritic());
    click(bookMode);
}

// No view switch while the content settings bar slides (100 ms), nor while
// a tab hands over its language; otherwise a switch acts at once.
TEST_F(MainWindowTest, AViewSwitchIsRefusedWhileTheBarSlides)
{
    ASSERT_TRUE(openMainWindow());
    QMetaObject::invokeMethod(m_tabs, "addTab");
    ASSERT_EQ(m_tabs->property("currentIndex").toInt(), 1);
    QMetaObject::invokeMethod(m_tabs, "selectTab", Q_ARG(QVariant, 0));
    EXPECT_EQ(m_tabs->property("currentIndex").toInt(), 0) << "at once";

    // The switch is asked for as the slide starts, whatever the machine's
    // speed: a slow one may end the 100 ms slide within one event.
    QQmlComponent watcher(&qml().engine());
    watcher.setData(R"(
import QtQuick 2.15
Connections {
    property QtObject tabs
    property int indexDuringSlide: -1
    function onContentSettingsSlidingChanged() {
        if (target.contentSettingsSliding && indexDuringSlide < 0) {
            tabs.selectTab(1)
            indexDuringSlide = tabs.currentIndex
        }
    }
})", QUrl());
    std::unique_ptr<QObject> watch(watcher.beginCreate(qml().engine().rootContext()));
    ASSERT_NE(watch, nullptr) << watcher.errorString().toStdString();
    watch->setProperty("target", QVariant::fromValue<QObject*>(mainWindow()));
    watch->setProperty("tabs", QVariant::fromValue(m_tabs));
    watcher.completeCreate();

    showBookPage();
    click(item(QStringLiteral("bookModeButton")));
    click(item(QStringLiteral("contentSettingsButton")));
    ASSERT_TRUE(settle([&] { return watch->property("indexDuringSlide").toInt() >= 0; })) << "the bar slides";
    EXPECT_EQ(watch->property("indexDuringSlide").toInt(), 0) << "refused during the slide";
    ASSERT_TRUE(settle([&] { return !mainWindow()->property("contentSettingsSliding").toBool(); }));
    EXPECT_EQ(m_tabs->property("currentIndex").toInt(), 0);
    watch.reset();

    QObject* other = m_tabs->property("tabs").toList().at(1).value<QObject*>();
    other->setProperty("languageTransitionActive", true);
    QMetaObject::invokeMethod(m_tabs, "selectTab", Q_ARG(QVariant, 1));
    EXPECT_EQ(m_tabs->property("currentIndex").toInt(), 0) << "refused during a language hand-over";
    other->setProperty("languageTransitionActive", false);
    QMetaObject::invokeMethod(m_tabs, "selectTab", Q_ARG(QVariant, 1));
    EXPECT_EQ(m_tabs->property("currentIndex").toInt(), 1);
}

// An entry of the menu leaves book mode as it chooses its catalogue.
TEST_F(MainWindowTest, AMenuEntryLeavesBookMode)
{
    ASSERT_TRUE(openMainWindow());
    showBookPage();
    click(item(QStringLiteral("bookModeButton")));
    ASSERT_TRUE(status()->property("bookMode").toBool());
    click(item(QStringLiteral("sanCatalogButton")));
    EXPECT_EQ(lastCall().value(0).toInt(), int(TarnolixConstants::SanskritCatalog));
    EXPECT_FALSE(status()->property("bookMode").toBool());
    EXPECT_FALSE(app().curTabBookMode());
}

// F2 runs the debug script in the current tab, wherever the focus is.
TEST_F(MainWindowTest, TheDebugWindowRunsTheDebugScript)
{
    QTemporaryDir dir;
    const QString script = dir.path() + QStringLiteral("/probe.js");
    QFile file(script);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("document.title = 'проба'");
    file.close();
    qputenv("TARNOLIX_DEBUG_SCRIPT", QFile::encodeName(script));
    ASSERT_TRUE(openMainWindow());

    click(item(QStringLiteral("debugButton")));
    QQuickWindow* debug = qobject_cast<QQuickWindow*>(object(QStringLiteral("debugWindow")));
    ASSERT_NE(debug, nullptr);
    ASSERT_TRUE(settle([&] { return debug->isExposed(); }));
    EXPECT_EQ(debug->title(), QStringLiteral("Окно для отладки"));
    EXPECT_EQ(debug->size(), QSize(800, 600));
    EXPECT_TRUE(itemIn(debug, QStringLiteral("debugScriptNote"))->property("text").toString().contains(script));
    EXPECT_FALSE(screenshotOf(debug, QStringLiteral("window-debug")).isEmpty());

    QTest::keyClick(window(), Qt::Key_F2);
    EXPECT_EQ(currentTab()->property("scripts").toStringList(), QStringList{QStringLiteral("document.title = 'проба'")});

    // The folder for downloaded archives: its field writes the setting while
    // the box is checked; unchecking empties both.
    Settings& settings = *app().settings();
    settings.setDebugSaveBookArchivesDir(QString());
    QQuickItem* box = itemIn(debug, QStringLiteral("saveArchivesBox"));
    QQuickItem* field = itemIn(debug, QStringLiteral("saveArchivesField"));
    debug->requestActivate();
    ASSERT_TRUE(QTest::qWaitForWindowActive(debug));
    click(itemIn(debug, QStringLiteral("booksTab")));
    ASSERT_TRUE(settle([&] { return box->isVisible(); }));
    EXPECT_FALSE(box->property("checked").toBool());
    EXPECT_FALSE(field->isEnabled());
    click(box);
    ASSERT_TRUE(field->isEnabled());
    typeInto(field, QStringLiteral("/tmp/archives"));
    EXPECT_EQ(settings.debugSaveBookArchivesDir(), QStringLiteral("/tmp/archives"));
    click(box);
    EXPECT_EQ(field->property("text").toString(), QString());
    EXPECT_EQ(settings.debugSaveBookArchivesDir(), QString());
    debug->close();
    qunsetenv("TARNOLIX_DEBUG_SCRIPT");
}

// The settings opened while the account is refreshed wait for the refresh
// before they check for library updates; an update found there goes to the
// main window's update dialog.
TEST_F(MainWindowTest, TheSettingsWaitForTheAccountRefresh)
{
    delayNextRequest(QStringLiteral("/user"), 2000);
    ASSERT_TRUE(openRoot());
    ASSERT_TRUE(signIn());
    ASSERT_NE(app().initializer(), nullptr) << "the refresh runs";
    app().user()->setSubscribeLevel(QString());
    QQuickWindow* settings = openSettingsByMenu();
    ASSERT_NE(settings, nullptr);
    QQmlComponent fake(&qml().engine(), fixtureUrl(QStringLiteral("FakeDatabaseUpdater.qml")));
    QObject* updater = fake.create();
    ASSERT_NE(updater, nullptr);
    settings->setProperty("databaseUpdater", QVariant::fromValue(updater));
    QQuickItem* button = itemIn(settings, QStringLiteral("databaseUpdateButton"));
    EXPECT_EQ(itemIn(settings, QStringLiteral("accessLevel"))->property("text").toString(), QStringLiteral("Подождите..."));
    EXPECT_EQ(button->property("text").toString(), QStringLiteral("Подождите..."));
    EXPECT_TRUE(settings->property("waitingForProfile").toBool());
    EXPECT_FALSE(screenshotOf(settings, QStringLiteral("window-settings-waiting")).isEmpty());
    click(button);
    EXPECT_EQ(updater->property("checks").toInt(), 0);

    ASSERT_TRUE(settle([&] { return app().initializer() == nullptr; }, 10000));
    EXPECT_EQ(updater->property("checks").toInt(), 1) << "checked once the refresh ended";
    EXPECT_EQ(itemIn(settings, QStringLiteral("accessLevel"))->property("text").toString(), QStringLiteral("full"));

    // What the check found, on the button; a click acts on it.
    const struct
    {
        bool active;
        int status;
        bool exists;
        const char* text;
    } states[] = {{true, 2, false, "Проверка..."}, {false, 6, false, "Обновлений нет"},
                  {false, 7, false, "Ошибка"},      {false, 8, false, "Ошибка"},
                  {false, 0, false, "ERROR"},       {false, 6, true, "Есть обновления"}};
    for (const auto& s : states) {
        SCOPED_TRACE(s.text);
        updater->setProperty("isActive", s.active);
        updater->setProperty("status", s.status);
        updater->setProperty("isUpdateExists", s.exists);
        EXPECT_EQ(button->property("text").toString(), QString::fromUtf8(s.text));
    }
    updater->setProperty("status", 7);
    click(button);
    EXPECT_EQ(updater->property("checks").toInt(), 2) << "a failed check is retried";
    updater->setProperty("status", 6);
    updater->setProperty("isUpdateExists", true);
    QObject* selector = object(QStringLiteral("updateDialogSelector"));
    selector->setProperty("showUpdate", false);
    click(button);
    EXPECT_FALSE(settings->isVisible()) << "the settings close";
    EXPECT_TRUE(selector->property("showUpdate").toBool()) << "the main window shows the update dialog";
    ASSERT_TRUE(settle([&] { return object(QStringLiteral("settingsLoader"))->property("item").isNull() ||
                                    object(QStringLiteral("settingsLoader"))->property("item").value<QObject*>() == nullptr; }));
    delete updater;
}

} // namespace
