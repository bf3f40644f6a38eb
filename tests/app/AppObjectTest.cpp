// The application object's own behaviour outside the runtime's opening:
// current tab and colour mode, zoom, the authorised flag across threads,
// reader notices and the invokables' failures.
#include "app/Tarnolix.h"
#include "database/TarnolixDB.h"
#include "tabs/TabStatus.h"
#include "tests/app/Fakes.h"
#include "tests/support/AppTestSupport.h"
#include "tests/support/MessageLog.h"
#include "tests/support/TestSupport.h"

#include <QClipboard>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QScreen>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QThread>
#include <QUrlQuery>

#include <gtest/gtest.h>

#include <memory>
#include <thread>

namespace {

using tarnolix::test::app;
using tarnolix::test::MessageLog;
using tarnolix::test::waitUntil;

TEST(AppObjectTest, ColorModeIsLightUnlessTheCurrentTabIsInBookMode)
{
    Settings& settings = *app().settings();
    settings.setColorMode(TarnolixConstants::Dark);
    EXPECT_EQ(app().currentColorMode(), TarnolixConstants::Light);

    QSignalSpy tabChanged(&app(), &Tarnolix::curTabStatusChanged);
    QSignalSpy modeChanged(&app(), &Tarnolix::currentColorModeChanged);
    auto tab = std::make_unique<TabStatus>();
    app().setCurTabStatus(tab.get());
    ASSERT_EQ(tabChanged.count(), 1);
    EXPECT_EQ(tabChanged.at(0).at(0).value<QObject*>(), nullptr);
    EXPECT_EQ(tabChanged.at(0).at(1).value<QObject*>(), tab.get());
    EXPECT_EQ(app().currentColorMode(), TarnolixConstants::Light);
    EXPECT_EQ(modeChanged.count(), 0);

    tab->setBookMode(true);
    EXPECT_TRUE(app().curTabBookMode());
    EXPECT_EQ(app().currentColorMode(), TarnolixConstants::Dark);
    EXPECT_EQ(modeChanged.count(), 1);
    settings.setColorMode(TarnolixConstants::Mixed);
    EXPECT_EQ(app().currentColorMode(), TarnolixConstants::Mixed);

    // A tab already in book mode brings its mode along; closing it ends it.
    auto second = std::make_unique<TabStatus>();
    app().setCurTabStatus(second.get());
    EXPECT_EQ(app().currentColorMode(), TarnolixConstants::Light);
    second->setBookMode(true);
    tab->setBookMode(false); // no longer current: ignored
    EXPECT_EQ(app().currentColorMode(), TarnolixConstants::Mixed);
    tabChanged.clear();
    second.reset();
    EXPECT_EQ(app().curTabStatus(), nullptr);
    ASSERT_EQ(tabChanged.count(), 1);
    EXPECT_EQ(tabChanged.at(0).at(1).value<QObject*>(), nullptr);
    EXPECT_FALSE(app().curTabBookMode());
    EXPECT_EQ(app().currentColorMode(), TarnolixConstants::Light);
    settings.setColorMode(TarnolixConstants::Dark);
}

TEST(AppObjectTest, ZoomIsTheSettingTimesTheMainWindowsDefaultScale)
{
    Settings& settings = *app().settings();
    MessageLog log;
    ASSERT_EQ(app().mainWindowDPCalculate(), nullptr);
    settings.setZoomFactor(1.5);
    EXPECT_EQ(app().webviewZoomFactor(), 1.0); // no scale object: unchanged
    EXPECT_TRUE(log.contains(QtCriticalMsg, QStringLiteral("m_mainWindowDPCalculate=0")));

    // The screen's scale counts, the reader's default scale does not.
    QSignalSpy zoomChanged(&app(), &Tarnolix::webviewZoomFactorChanged);
    settings.setDefaultScale(2.0);
    auto scale = std::make_unique<DPCalculate>();
    scale->setScreenName(QStringLiteral("no such screen")); // screen scale 1.0
    app().setMainWindowDPCalculate(scale.get());
    EXPECT_DOUBLE_EQ(app().webviewZoomFactor(), 1.5);
    QScreen* screen = QGuiApplication::primaryScreen();
    const double screenScale = screen->logicalDotsPerInch() / 96.0;
    scale->setScreenName(screen->name());
    EXPECT_DOUBLE_EQ(app().webviewZoomFactor(), 1.5 * screenScale);
    settings.setZoomFactor(1.0);
    EXPECT_DOUBLE_EQ(app().webviewZoomFactor(), screenScale);
    settings.setEnableHighDpiScaling(false);
    EXPECT_DOUBLE_EQ(app().webviewZoomFactor(), 1.0);
    const int changes = zoomChanged.count();
    settings.setDefaultScale(1.0); // the screen scale is the same: no signal
    EXPECT_EQ(zoomChanged.count(), changes);
    settings.setEnableHighDpiScaling(true);

    QSignalSpy scaleChanged(&app(), &Tarnolix::mainWindowDPCalculateChanged);
    scale.reset();
    EXPECT_EQ(app().mainWindowDPCalculate(), nullptr);
    EXPECT_EQ(scaleChanged.count(), 1);
}

TEST(AppObjectTest, TabControlIsForgottenWhenDestroyed)
{
    QSignalSpy changed(&app(), &Tarnolix::tabControlChanged);
    auto control = std::make_unique<QObject>();
    app().setTabControl(control.get());
    EXPECT_EQ(app().tabControl(), control.get());
    control.reset();
    EXPECT_EQ(app().tabControl(), nullptr);
    EXPECT_EQ(changed.count(), 2);
}

TEST(AppObjectTest, IsAuthorizedSetFromAWorkerArrivesQueuedOnTheGuiThread)
{
    ASSERT_FALSE(app().isAuthorized());
    QThread* deliveredOn = nullptr;
    QList<bool> values;
    QObject context;
    QObject::connect(&app(), &Tarnolix::isAuthorizedChanged, &context, [&](bool value) {
        deliveredOn = QThread::currentThread();
        values.append(value);
    });
    std::thread([] { app().setIsAuthorized(true); }).join();
    EXPECT_FALSE(app().isAuthorized()); // not yet: it waits for the GUI thread
    EXPECT_TRUE(values.isEmpty());
    ASSERT_TRUE(waitUntil([&] { return !values.isEmpty(); }));
    EXPECT_EQ(values, QList<bool>{true});
    EXPECT_EQ(deliveredOn, app().thread());
    EXPECT_TRUE(app().isAuthorized());

    app().setIsAuthorized(true); // unchanged: no signal
    app().setIsAuthorized(false);
    EXPECT_EQ(values, (QList<bool>{true, false}));
}

// Each notice: its log level and text, and its signal with the title.
TEST(AppObjectTest, NoticesAreLoggedAndSignalled)
{
    using Notice = void (Tarnolix::*)(const QString&, const QString&);
    using Short = void (Tarnolix::*)(const QString&);
    struct Case
    {
        const char* name;
        Short shortForm;
        Notice longForm;
        void (Tarnolix::*signal)(const QString&, const QString&);
        QtMsgType level;
        QString shortLog;
        QString longLog;
    };
    const Case cases[] = {
        {"error", &Tarnolix::showError, &Tarnolix::showError, &Tarnolix::errorMessage, QtCriticalMsg,
         "showError: Msg: Книга не найдена!", "showError: Title: Ошибка; Msg: Книга не найдена!"},
        {"warning", &Tarnolix::showWarning, &Tarnolix::showWarning, &Tarnolix::warningMessage, QtWarningMsg,
         "showWarning: Msg: Книга не найдена!", "showWarning: Title: Ошибка; Msg: Книга не найдена!"},
        {"information", &Tarnolix::showInformation, &Tarnolix::showInformation, &Tarnolix::informationMessage,
         QtInfoMsg, "showInformation: Msg: Книга не найдена!",
         "showInformation: Title: Ошибка; Msg: Книга не найдена!"},
        {"message", &Tarnolix::showMessage, &Tarnolix::showMessage, &Tarnolix::message, QtInfoMsg,
         "showMessage: Msg: Книга не найдена!", "showMessage: Title: Ошибка; Msg: Книга не найдена!"},
    };
    const QString msg = QStringLiteral("Книга не найдена!");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QSignalSpy spy(&app(), c.signal);
        MessageLog log;
        (app().*c.shortForm)(msg);
        (app().*c.longForm)(QStringLiteral("Ошибка"), msg);
        EXPECT_EQ(log.texts(c.level), (QStringList{c.shortLog, c.longLog}));
        ASSERT_EQ(spy.count(), 2);
        EXPECT_EQ(spy.at(0), (QList<QVariant>{QString(), msg}));
        EXPECT_EQ(spy.at(1), (QList<QVariant>{QStringLiteral("Ошибка"), msg}));
    }
}

TEST(AppObjectTest, ErrorsFromWorkersAreShownOnTheGuiThread)
{
    QSignalSpy errors(&app(), &Tarnolix::errorMessage);
    std::thread([] {
        app().postShowError(QStringLiteral("a"));
        app().postShowErrorWithTitle(QStringLiteral("t"), QStringLiteral("b"));
    }).join();
    EXPECT_EQ(errors.count(), 0);
    ASSERT_TRUE(waitUntil([&] { return errors.count() == 2; }));
    EXPECT_EQ(errors.at(0), (QList<QVariant>{QString(), QStringLiteral("a")}));
    EXPECT_EQ(errors.at(1), (QList<QVariant>{QStringLiteral("t"), QStringLiteral("b")}));
}

TEST(AppObjectTest, InvokablesWithoutALibraryShowTheErrorAndReturnNeutralValues)
{
    ASSERT_FALSE(app().runtimeReady());
    QSignalSpy errors(&app(), &Tarnolix::errorMessage);
    MessageLog log;
    EXPECT_EQ(app().getBookSlug(5), QString());
    EXPECT_FALSE(app().isNeedUpdateDatabase());
    app().addHistoryQuery(QStringLiteral("dharma"));
    EXPECT_TRUE(log.contains(QtWarningMsg, QStringLiteral("getBookSlug: ")));
    EXPECT_TRUE(log.contains(QtWarningMsg, QStringLiteral("isNeedUpdateDatabase: ")));
    EXPECT_TRUE(log.contains(QtWarningMsg, QStringLiteral("addHistoryQuery: ")));
    ASSERT_EQ(errors.count(), 3);
    EXPECT_EQ(errors.at(1).at(1).toString(), QStringLiteral("ERROR 0x58962426"));
}

TEST(AppObjectTest, LibraryInvokablesUseTheGuiConnection)
{
    ASSERT_TRUE(tarnolix::test::openAccountRuntime(QStringLiteral("reader@tarnolix.invalid")));
    TarnolixDB& db = *app().guiDatabase();
    db.setDatabaseStatus(2);
    EXPECT_FALSE(app().isNeedUpdateDatabase());
    db.setDatabaseStatus(1);
    EXPECT_TRUE(app().isNeedUpdateDatabase());

    app().addHistoryQuery(QStringLiteral("dharma"));
    app().addHistoryQuery(QStringLiteral("dharma"));
    QSqlQuery history = db.execSql(QStringLiteral("SELECT query FROM QueriesHistory ORDER BY rowId DESC"));
    QStringList queries;
    while (history.next())
        queries.append(history.value(0).toString());
    EXPECT_EQ(queries, (QStringList{QStringLiteral("dharma"), QStringLiteral("dharma")}));

    QSignalSpy errors(&app(), &Tarnolix::errorMessage);
    EXPECT_EQ(app().getBookSlug(404), QString()); // no such book: shown
    EXPECT_EQ(errors.count(), 1);
    EXPECT_TRUE(tarnolix::test::logoutAndWait());
}

TEST(AppObjectTest, TheOnlineTranslatorGetsTheTextAsItIs)
{
    UrlCatcher browser;
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &browser, "open");
    QDesktopServices::setUrlHandler(QStringLiteral("http"), &browser, "open");
    const QString text = QStringLiteral("dharma + karma & 100% #1 धर्म дхарма");
    app().translateUsingOnlineTranslator(text);
    qputenv("TARNOLIX_TRANSLATOR_URL", "http://127.0.0.1:9/translate");
    app().translateUsingOnlineTranslator(QStringLiteral("yoga"));
    qunsetenv("TARNOLIX_TRANSLATOR_URL");
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    QDesktopServices::unsetUrlHandler(QStringLiteral("http"));

    ASSERT_EQ(browser.urls.size(), 2);
    const QUrl first = browser.urls.at(0);
    EXPECT_EQ(first.adjusted(QUrl::RemoveQuery), QUrl(QStringLiteral("https://translate.tarnolix.invalid/")));
    const QUrlQuery query(first);
    EXPECT_EQ(query.queryItems(QUrl::FullyDecoded),
              (QList<QPair<QString, QString>>{{"sl", "auto"}, {"tl", "ru"}, {"text", text}}));
    EXPECT_FALSE(first.toEncoded().contains('+')); // a "+" would read as a space
    EXPECT_EQ(browser.urls.at(1).adjusted(QUrl::RemoveQuery), QUrl(QStringLiteral("http://127.0.0.1:9/translate")));
}

TEST(AppObjectTest, SmallInvokables)
{
    EXPECT_EQ(app().sVersion(), QStringLiteral("2.1.27"));
    EXPECT_FALSE(app().storeBuild());
    EXPECT_FALSE(app().preparedLibraryEnabled());

    MessageLog log;
    EXPECT_EQ(app().getCursorPosition(QStringLiteral("no such screen")), QPoint(0, 0));
    EXPECT_TRUE(log.contains(QtWarningMsg, QStringLiteral("getCursorPosition: Screen 'no such screen' not found")));

    app().setClipboardText(QStringLiteral("<p>Бхагавад-гита <b>2.13</b></p>"), true);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("Бхагавад-гита 2.13"));
    app().setClipboardText(QStringLiteral("<b>as is</b>"));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("<b>as is</b>"));
}

} // namespace
