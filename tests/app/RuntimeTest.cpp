// Opening and closing the account runtime of the real application object.
#include "app/SecondThread.h"
#include "app/Tarnolix.h"
#include "app/WindowsEventFilter.h"
#include "core/Exception.h"
#include "database/BookTextCipher.h"
#include "database/DatabasePool.h"
#include "database/LibrarySettingsKeys.h"
#include "database/TarnolixDB.h"
#include "models/ModelServices.h"
#include "search/index/IndexWriterThread.h"
#include "tests/app/Fakes.h"
#include "tests/support/AppTestSupport.h"
#include "tests/support/TestSupport.h"

#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QMimeData>
#include <QNetworkAccessManager>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QThread>

#include <gtest/gtest.h>

#include <stdexcept>
#include <thread>

namespace {

using tarnolix::test::app;
using tarnolix::test::logoutAndWait;
using tarnolix::test::openAccountRuntime;
using tarnolix::test::waitUntil;

const QString kReader = QStringLiteral("reader@tarnolix.invalid");
const QString kOther = QStringLiteral("other@tarnolix.invalid");

QString exceptionText(const std::function<void()>& call)
{
    try {
        call();
    } catch (const std::exception& e) {
        return QString::fromUtf8(e.what());
    }
    return QString();
}

// Every test starts and ends with the runtime closed.
class RuntimeTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_FALSE(app().runtimeReady()); }
    void TearDown() override
    {
        if (app().runtimeReady()) {
            EXPECT_TRUE(logoutAndWait());
        }
    }

    static TarnolixDB& db() { return *app().guiDatabase(); }
};

TEST_F(RuntimeTest, RefusesToOpenWithoutAnAccountLibrary)
{
    ASSERT_FALSE(app().locationInfo()->isAccountSelected());
    EXPECT_EQ(exceptionText([] { app().tarnolixStartup(std::this_thread::get_id()); }),
              QStringLiteral("Select an authenticated account library before opening workers"));
    EXPECT_FALSE(app().runtimeReady());
    EXPECT_EQ(app().databasePool(), nullptr);
}

TEST_F(RuntimeTest, OpensOnceAndASecondOpeningLeavesTheFirstIntact)
{
    QSignalSpy initialized(&app(), &Tarnolix::runtimeInitialized);
    ASSERT_TRUE(openAccountRuntime(kReader));
    EXPECT_EQ(initialized.count(), 1);
    EXPECT_TRUE(app().runtimeReady());
    EXPECT_TRUE(app().locationInfo()->arePathsFrozen());
    DatabasePool* pool = app().databasePool();
    ASSERT_NE(pool, nullptr);
    EXPECT_EQ(databasePool(), pool);
    EXPECT_EQ(currentDatabase(), app().guiDatabase());
    EXPECT_EQ(&bookTextCipher(), &app().cipherKeyPair());
    EXPECT_EQ(app().cipherKeyPair().iv().size(), 16);
    ASSERT_NE(app().indexingProgressInfo(), nullptr);
    ASSERT_NE(app().debugHelper(), nullptr);
    EXPECT_THROW(app().indexWriterThread(0), std::out_of_range);
    EXPECT_THROW(app().indexWriterThread(4), std::out_of_range);
    for (unsigned language = 1; language <= 3; ++language) {
        tarnolix::IndexWriterThread* writer = app().indexWriterThread(language);
        EXPECT_EQ(writer->languageId(), language);
        ASSERT_NE(writer->writerThread(), nullptr);
        EXPECT_EQ(writer->writerThread()->objectName(), QStringLiteral("IndexWriterThread%1").arg(language));
        EXPECT_TRUE(writer->writerThread()->isRunning());
    }

    EXPECT_EQ(exceptionText([] { app().tarnolixStartup(std::this_thread::get_id()); }),
              QStringLiteral("Runtime initialization is one-shot"));
    EXPECT_EQ(initialized.count(), 1);
    EXPECT_TRUE(app().runtimeReady());
    EXPECT_EQ(app().databasePool(), pool);
    db().setSetting(QStringLiteral("probe"), 5);
    EXPECT_EQ(db().getSetting(QStringLiteral("probe")).toInt(), 5);
}

TEST_F(RuntimeTest, TheSecondThreadHasItsOwnConnection)
{
    ASSERT_TRUE(openAccountRuntime(kReader));
    SecondThread* second = app().secondThread();
    ASSERT_NE(second, nullptr);
    EXPECT_TRUE(second->workerThread()->isRunning());
    EXPECT_EQ(second->workerThread()->objectName(), QStringLiteral("TarnolixSecondThread"));
    // Its own, beside those of the three index writers.
    ASSERT_TRUE(waitUntil([] { return app().databasePool()->workerConnectionCount() == 4; }));

    std::shared_ptr<TarnolixDB> own;
    std::shared_ptr<TarnolixDB> current;
    bool hasNetwork = false;
    QThread* ranOn = nullptr;
    QMetaObject::invokeMethod(
        second,
        [&] {
            own = second->database();
            current = currentDatabase();
            hasNetwork = second->networkAccessManager() != nullptr;
            ranOn = QThread::currentThread();
        },
        Qt::BlockingQueuedConnection);
    EXPECT_EQ(ranOn, second->workerThread());
    ASSERT_NE(own, nullptr);
    EXPECT_TRUE(own->isOpen());
    EXPECT_EQ(own, current);
    EXPECT_NE(own, app().guiDatabase());
    EXPECT_FALSE(own->waitCursorOnTransaction());
    EXPECT_TRUE(hasNetwork);
}

TEST_F(RuntimeTest, ASecondThreadWithoutALibraryTellsTheReaderOnce)
{
    ASSERT_EQ(databasePool(), nullptr);
    QSignalSpy errors(&app(), &Tarnolix::errorMessage);
    {
        SecondThread second;
        second.start();
        ASSERT_TRUE(waitUntil([&] { return errors.count() > 0; }));
        bool hasNetwork = false;
        QMetaObject::invokeMethod(
            &second,
            [&] {
                EXPECT_EQ(second.database(), nullptr);
                hasNetwork = second.networkAccessManager() != nullptr;
            },
            Qt::BlockingQueuedConnection);
        EXPECT_TRUE(hasNetwork);
    }
    QCoreApplication::processEvents();
    ASSERT_EQ(errors.count(), 1);
    EXPECT_EQ(errors.at(0).at(1).toString(), QStringLiteral("Не удалось открыть базу данных! Поиск может не работать!"));
}

// The keys of the one-time upgrades, their current values, and what each
// resets when its stored value is lower.
TEST_F(RuntimeTest, OneTimeUpgradesRunOnceWhenTheirKeyIsBelowTheCurrentValue)
{
    Settings& settings = *app().settings();
    struct State
    {
        int status;
        QByteArray updateStatus;
        qint64 booksTime;
        bool indexesKept;
    };
    const QByteArray saved("saved status");
    // Arms the library as an interrupted update left it, with index folders
    // (a marker file that the index writers leave alone shows them kept).
    auto arm = [&] {
        db().setDatabaseStatus(2);
        db().setSetting(QLatin1String(LibrarySettingsKeys::DatabaseUpdateStatus), saved);
        db().setSetting(QLatin1String(LibrarySettingsKeys::BooksUpdateTime), 123);
        for (unsigned language = 1; language <= 3; ++language) {
            const QString dir = app().locationInfo()->indexPath(language);
            QDir().mkpath(dir);
            QFile file(dir + QStringLiteral("/kept.marker"));
            file.open(QIODevice::WriteOnly);
        }
    };
    auto state = [&] {
        bool kept = true;
        for (unsigned language = 1; language <= 3; ++language)
            kept = kept && QFile::exists(app().locationInfo()->indexPath(language) + QStringLiteral("/kept.marker"));
        return State{db().databaseStatus(),
                     db().getSetting(QLatin1String(LibrarySettingsKeys::DatabaseUpdateStatus)).toByteArray(),
                     db().getSetting(QLatin1String(LibrarySettingsKeys::BooksUpdateTime)).toLongLong(), kept};
    };

    struct Case
    {
        const char* name;
        int reloadBooks;
        int reindex;
        int updateBooks;
        State expected;
    };
    const Case cases[] = {
        {"RELOADBOOKS 21", 21, 14, 3, {0, QByteArray(""), 0, true}},
        {"REINDEX 13", 22, 13, 3, {2, saved, 123, false}},
        {"UPDATEBOOKS 2", 22, 14, 2, {0, QByteArray(""), 123, true}},
        {"all current", 22, 14, 3, {2, saved, 123, true}},
    };
    ASSERT_TRUE(openAccountRuntime(kReader));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        arm();
        ASSERT_TRUE(logoutAndWait());
        settings.setValue(QStringLiteral("RELOADBOOKS"), c.reloadBooks);
        settings.setValue(QStringLiteral("REINDEX"), c.reindex);
        settings.setValue(QStringLiteral("UPDATEBOOKS"), c.updateBooks);
        ASSERT_TRUE(openAccountRuntime(kReader));
        const State after = state();
        EXPECT_EQ(after.status, c.expected.status);
        EXPECT_EQ(after.updateStatus, c.expected.updateStatus);
        // Stored as an empty value, not as NULL.
        QSqlQuery type = db().execSql(QStringLiteral("SELECT typeof(value) FROM Settings WHERE key=?"),
                                      QVariantList{QLatin1String(LibrarySettingsKeys::DatabaseUpdateStatus)});
        ASSERT_TRUE(type.next());
        EXPECT_NE(type.value(0).toString(), QStringLiteral("null"));
        EXPECT_EQ(after.booksTime, c.expected.booksTime);
        EXPECT_EQ(after.indexesKept, c.expected.indexesKept);
        EXPECT_EQ(settings.value(QStringLiteral("RELOADBOOKS")).toInt(), 22);
        EXPECT_EQ(settings.value(QStringLiteral("REINDEX")).toInt(), 14);
        EXPECT_EQ(settings.value(QStringLiteral("UPDATEBOOKS")).toInt(), 3);

        // The second time nothing runs.
        arm();
        ASSERT_TRUE(logoutAndWait());
        ASSERT_TRUE(openAccountRuntime(kReader));
        const State again = state();
        EXPECT_EQ(again.status, 2);
        EXPECT_EQ(again.updateStatus, saved);
        EXPECT_EQ(again.booksTime, 123);
        EXPECT_TRUE(again.indexesKept);
    }
}

TEST_F(RuntimeTest, LogoutClosesInOrderOnceAndAnotherAccountOpens)
{
    ASSERT_TRUE(openAccountRuntime(kReader));
    const QString readerLibrary = app().locationInfo()->databasePath();
    app().setIsAuthorized(true);
    app().settings()->setValue(QStringLiteral("Login/Token"), QByteArray("enciphered"));
    app().settings()->setValue(QStringLiteral("User/email"), kReader);
    app().settings()->setValue(QStringLiteral("Login/LastLoginEmail"), kReader);

    QStringList order;
    bool runtimeClosedWhenLoginShown = false;
    auto record = [&order](const char* name) { return [&order, name] { order.append(QLatin1String(name)); }; };
    QObject context;
    QObject::connect(&app(), &Tarnolix::isAuthorizedChanged, &context, record("isAuthorizedChanged"));
    QObject::connect(&app(), &Tarnolix::accountRuntimeClosing, &context, record("accountRuntimeClosing"));
    QObject::connect(&app(), &Tarnolix::initializerChanged, &context, record("initializerChanged"));
    QObject::connect(&app(), &Tarnolix::updateCompleterChanged, &context, record("updateCompleterChanged"));
    QObject::connect(&app(), &Tarnolix::runtimeInitialized, &context, record("runtimeInitialized"));
    QObject::connect(&app(), &Tarnolix::startupChanged, &context, record("startupChanged"));
    QObject::connect(&app(), &Tarnolix::startupLoginRequired, &context, [&] {
        order.append(QStringLiteral("startupLoginRequired"));
        runtimeClosedWhenLoginShown = !app().runtimeReady() && !databasePool();
    });

    SecondThread* oldSecond = app().secondThread();
    app().logout();
    app().logout(); // still pending: does nothing
    EXPECT_EQ(order, (QStringList{"isAuthorizedChanged", "accountRuntimeClosing"}));
    EXPECT_FALSE(app().isAuthorized());
    EXPECT_TRUE(app().runtimeReady()); // QML unloads the main window first
    EXPECT_FALSE(app().settings()->contains(QStringLiteral("Login/Token")));
    EXPECT_FALSE(app().settings()->contains(QStringLiteral("User/email")));
    EXPECT_TRUE(app().settings()->contains(QStringLiteral("Login/LastLoginEmail")));

    ASSERT_TRUE(waitUntil([&] { return order.contains(QStringLiteral("startupLoginRequired")); }));
    EXPECT_EQ(order, (QStringList{"isAuthorizedChanged", "accountRuntimeClosing", "initializerChanged",
                                  "updateCompleterChanged", "runtimeInitialized", "startupChanged",
                                  "startupLoginRequired"}));
    EXPECT_TRUE(runtimeClosedWhenLoginShown);
    EXPECT_FALSE(app().locationInfo()->isAccountSelected());
    EXPECT_FALSE(app().locationInfo()->arePathsFrozen());
    EXPECT_EQ(app().debugHelper(), nullptr);
    EXPECT_EQ(app().indexingProgressInfo(), nullptr);
    EXPECT_TRUE(app().cipherKeyPair().key().isEmpty());
    ASSERT_NE(app().secondThread(), nullptr);
    EXPECT_NE(app().secondThread(), oldSecond);
    EXPECT_FALSE(app().secondThread()->workerThread()->isRunning());
    // Models made now keep their workers on the GUI thread: a worker on a
    // thread that does not run would hang every blocking call into it.
    ASSERT_NE(ModelServices::current(), nullptr);
    EXPECT_EQ(ModelServices::current()->secondThread(), nullptr);

    ASSERT_TRUE(openAccountRuntime(kOther));
    EXPECT_NE(app().locationInfo()->databasePath(), readerLibrary);
    EXPECT_TRUE(app().secondThread()->workerThread()->isRunning());
    EXPECT_EQ(ModelServices::current()->secondThread(), app().secondThread()->workerThread());
}

TEST_F(RuntimeTest, AFailedOpeningClosesWhatItOpened)
{
    const QString broken = QStringLiteral("broken@tarnolix.invalid");
    app().locationInfo()->selectAccountLibrary(broken);
    // A folder where the library file should be: the connection cannot open.
    const QString libraryPath = app().locationInfo()->databasePath();
    ASSERT_TRUE(QDir().mkpath(libraryPath));

    EXPECT_THROW(app().tarnolixStartup(std::this_thread::get_id()), std::exception);
    EXPECT_FALSE(app().runtimeReady());
    EXPECT_EQ(app().databasePool(), nullptr);
    EXPECT_EQ(databasePool(), nullptr);
    EXPECT_FALSE(app().locationInfo()->arePathsFrozen());
    EXPECT_FALSE(app().locationInfo()->isAccountSelected());
    EXPECT_NE(&bookTextCipher(), &app().cipherKeyPair());
    ASSERT_NE(app().secondThread(), nullptr);
    EXPECT_FALSE(app().secondThread()->workerThread()->isRunning());

    ASSERT_TRUE(QDir(libraryPath).removeRecursively());
    EXPECT_TRUE(openAccountRuntime(broken));
}

TEST_F(RuntimeTest, TheKeyboardLayoutFilterIsMadeOnlyWithoutOpenGLES)
{
    Settings& settings = *app().settings();
    ASSERT_TRUE(openAccountRuntime(kReader));
    ASSERT_NE(app().windowsEventFilter(), nullptr);
    long result = 0;
    EXPECT_FALSE(app().windowsEventFilter()->nativeEventFilter(QByteArrayLiteral("xcb_generic_event_t"), nullptr,
                                                               &result));
    ASSERT_TRUE(logoutAndWait());
    EXPECT_EQ(app().windowsEventFilter(), nullptr);

    settings.setUseOpenGLES(true);
    const bool opened = openAccountRuntime(kReader);
    settings.setUseOpenGLES(false);
    ASSERT_TRUE(opened);
    EXPECT_EQ(app().windowsEventFilter(), nullptr);
}

TEST_F(RuntimeTest, TheClipboardWatcherLivesWithTheRuntime)
{
    TabStatus tab;
    tab.setWebViewActiveFocus(true);
    app().setCurTabStatus(&tab);
    QClipboard* clipboard = QGuiApplication::clipboard();
    auto copyHtml = [clipboard] {
        auto* data = new QMimeData;
        data->setHtml(QStringLiteral("<i>tat tvam asi</i>"));
        data->setText(QStringLiteral("tat tvam asi"));
        clipboard->setMimeData(data);
    };

    ASSERT_TRUE(openAccountRuntime(kReader));
    copyHtml();
    EXPECT_FALSE(clipboard->mimeData()->hasHtml());
    EXPECT_EQ(clipboard->text(), QStringLiteral("tat tvam asi"));

    ASSERT_TRUE(logoutAndWait());
    app().setCurTabStatus(&tab);
    copyHtml();
    EXPECT_TRUE(clipboard->mimeData()->hasHtml());
    app().setCurTabStatus(nullptr);
}

} // namespace
