// The catalogue filter on a real second thread with its own connection.
#include "core/Exception.h"
#include "models/FilterSearchThread.h"
#include "models/ModelServices.h"
#include "tests/models/GlossaryLibrary.h"
#include "tests/support/MessageLog.h"

#include <QCursor>
#include <QGuiApplication>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <optional>

using namespace tarnolix::test;
using C = TarnolixConstants;
using F = FilterSearchThread;

namespace {

// The favorites service's filter: keeps the text it was given; can fail, or
// wait until the test lets it go on.
class FakeFavorites final : public FavoritesFilter
{
public:
    void search(const QString& text) override
    {
        ranOn = QThread::currentThread();
        std::unique_lock<std::mutex> lock(m_mutex);
        m_waiting.wait(lock, [this] { return !m_blocked; });
        if (fail)
            throw Exception("favorites broken");
        m_result = text;
    }
    void resetSearch() override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_result.reset();
    }
    std::optional<QString> searchResult()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_result;
    }
    void block(bool blocked)
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_blocked = blocked;
        }
        m_waiting.notify_all();
    }

    std::atomic<bool> fail{false};
    std::atomic<QThread*> ranOn{nullptr};

private:
    std::mutex m_mutex;
    std::condition_variable m_waiting;
    bool m_blocked = false;
    std::optional<QString> m_result;
};

// A second thread as the application makes it: started at once, with its
// own library connection opened when it starts (or none, or a closed one).
class FakeSecondThread final : public ModelServices
{
public:
    enum class Connection { Open, Missing, Closed };

    explicit FakeSecondThread(Connection connection)
    {
        QObject::connect(&thread, &QThread::started, [this, connection] {
            if (connection == Connection::Open)
                m_db = databasePool()->database(std::this_thread::get_id(), true, 1000);
            else if (connection == Connection::Closed)
                m_db = std::make_shared<TarnolixDB>();
        });
        thread.start();
        ModelServices::setCurrent(this);
    }
    ~FakeSecondThread() override
    {
        thread.quit();
        thread.wait();
    }

    QThread* secondThread() override { return &thread; }
    std::shared_ptr<TarnolixDB> secondThreadDatabase() override { return m_db; }
    FavoritesFilter* favoritesFilter() override { return withFavorites ? &favorites : nullptr; }
    void postShowError(const QString& message) override { postShowError(QString(), message); }
    void postShowError(const QString& title, const QString& message) override
    {
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [this, title, message] { errors << title + "|" + message; },
            Qt::QueuedConnection);
    }

    QThread thread;
    FakeFavorites favorites;
    bool withFavorites = true;
    QStringList errors; // GUI thread only

private:
    std::shared_ptr<TarnolixDB> m_db;
};

// CatalogSearch as "type:id" rows, read on the GUI thread's connection.
QString catalogSearch(TarnolixDB& db)
{
    QSqlQuery q(db.sqlDatabase());
    q.exec(QStringLiteral("SELECT type, id FROM CatalogSearch ORDER BY type, id"));
    QStringList rows;
    while (q.next())
        rows << q.value(0).toString() + ':' + q.value(1).toString();
    return rows.join(' ');
}

class FilterThread : public GlossaryLibrary
{
protected:
    void TearDown() override
    {
        filter.reset();
        second.reset();
        QCoreApplication::processEvents();
        GlossaryLibrary::TearDown();
    }

    void start(FakeSecondThread::Connection connection = FakeSecondThread::Connection::Open)
    {
        second = std::make_unique<FakeSecondThread>(connection);
        filter = std::make_unique<F>();
        filter->setLanguage(C::Russian);
        finished = std::make_unique<QSignalSpy>(filter.get(), &F::searchFinished);
        failed = std::make_unique<QSignalSpy>(filter.get(), &F::searchError);
    }

    // Waits until the filter has answered `count` requests in all.
    bool answered(int count)
    {
        return waitUntil([&] { return finished->count() + failed->count() >= count; });
    }
    QStringList texts(const QSignalSpy& spy) const
    {
        QStringList all;
        for (const auto& arguments : spy)
            all << arguments.at(0).toString();
        return all;
    }

    std::unique_ptr<FakeSecondThread> second;
    std::unique_ptr<F> filter;
    std::unique_ptr<QSignalSpy> finished;
    std::unique_ptr<QSignalSpy> failed;
    MessageLog log;
};

} // namespace

TEST_F(FilterThread, EachModeWritesItsFilterWhereItsModelReadsIt)
{
    start();
    struct Case
    {
        int mode;
        const char* text;
        const char* catalogSearch;
    };
    const Case cases[] = {
        {F::BooksOnly, "бхагава", "1:101 1:106"},
        {F::Categories, "ПУРА", "1:106 2:12"},
        {F::Authors, "вья", "3:1"},
        {F::Glossaries, "ved", "3:1"},
        {F::GlossariesNames, "agni", "3:1"},
        {F::AllFavorites, "note", "3:1"},
        {99, "unknown", "3:1"},
    };
    int asked = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        filter->search(QString::fromUtf8(c.text), c.mode);
        ASSERT_TRUE(answered(++asked));
        EXPECT_EQ(texts(*finished).constLast(), QString::fromUtf8(c.text));
        EXPECT_EQ(catalogSearch(*db), QString::fromLatin1(c.catalogSearch));
        if (c.mode == F::Glossaries) {
            EXPECT_EQ(idsOf(manager->searchResult()->categories), QStringList{"1"});
            EXPECT_EQ(idsOf(manager->searchResult()->glossaries), QStringList({"4", "7"}));
        }
        if (c.mode == F::GlossariesNames) {
            EXPECT_EQ(idsOf(manager->searchResult()->glossaries), QStringList{"3"});
        }
    }
    EXPECT_EQ(second->favorites.searchResult(), QStringLiteral("note"));
    EXPECT_EQ(second->favorites.ranOn.load(), &second->thread);
    EXPECT_EQ(failed->count(), 0);
    EXPECT_TRUE(second->errors.isEmpty());
}

TEST_F(FilterThread, QuickRequestsAreAnsweredInOrderEachWithItsOwnText)
{
    start();
    filter->search(QStringLiteral("ab"), F::BooksOnly);
    filter->search(QStringLiteral("abc"), F::Glossaries);
    filter->search(QStringLiteral("abcd"), F::BooksOnly);
    ASSERT_TRUE(answered(3));
    EXPECT_EQ(texts(*finished), QStringList({"ab", "abc", "abcd"}));
}

TEST_F(FilterThread, AFailingFilterAnswersWithItsSearchError)
{
    start();
    struct Case
    {
        bool withFavorites;
        const char* error;
    };
    const Case cases[] = {
        {true, "Ошибка при поиске|favorites broken"},
        {false, "Ошибка при поиске|The favorites service is not available"},
    };
    second->favorites.fail = true;
    int asked = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.error);
        second->errors.clear();
        second->withFavorites = c.withFavorites;
        filter->search(QStringLiteral("x%1").arg(asked), F::AllFavorites);
        ASSERT_TRUE(answered(++asked));
        EXPECT_EQ(texts(*failed).constLast(), QStringLiteral("x%1").arg(asked - 1));
        ASSERT_TRUE(waitUntil([&] { return !second->errors.isEmpty(); }));
        EXPECT_EQ(second->errors, QStringList{QString::fromUtf8(c.error)});
    }
    EXPECT_EQ(finished->count(), 0);
}

TEST_F(FilterThread, AResetDropsEveryFilterResult)
{
    start();
    filter->search(QStringLiteral("ved"), F::Glossaries);
    filter->search(QStringLiteral("note"), F::AllFavorites);
    filter->search(QStringLiteral("вья"), F::Authors);
    ASSERT_TRUE(answered(3));
    ASSERT_NE(manager->searchResult(), nullptr);
    ASSERT_TRUE(second->favorites.searchResult());
    ASSERT_FALSE(catalogSearch(*db).isEmpty());

    filter->reset();
    EXPECT_TRUE(waitUntil([&] {
        return !manager->searchResult() && !second->favorites.searchResult() && catalogSearch(*db).isEmpty();
    }));
    EXPECT_TRUE(second->errors.isEmpty());
}

TEST_F(FilterThread, WithoutAConnectionEveryRequestFailsAndNothingIsDropped)
{
    struct Case
    {
        FakeSecondThread::Connection connection;
        const char* why;
    };
    const Case cases[] = {
        {FakeSecondThread::Connection::Missing, "db in SecondThread was null"},
        {FakeSecondThread::Connection::Closed, "db in SecondThread was not open"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        log.clear();
        manager->search(QStringLiteral("ved"));
        found(TarnolixDB::CatalogSearchBook, {101});
        start(c.connection);
        second->favorites.search(QStringLiteral("kept"));
        ASSERT_TRUE(waitUntil([&] { return second->errors.size() == 1; }));
        EXPECT_EQ(second->errors[0], QStringLiteral("|Не удалось открыть базу данных! Поиск может не работать!"));
        EXPECT_TRUE(log.contains(QtWarningMsg, QStringLiteral("FilterSearchThread: Open database error: ") + c.why));

        filter->reset();
        ASSERT_TRUE(waitUntil([&] { return second->errors.size() == 2; }));
        EXPECT_EQ(second->errors[1], QStringLiteral("|База данных не открыта!"));
        EXPECT_NE(manager->searchResult(), nullptr);
        EXPECT_EQ(second->favorites.searchResult(), QStringLiteral("kept"));
        EXPECT_EQ(catalogSearch(*db), QStringLiteral("1:101"));

        filter->search(QStringLiteral("x"), F::Glossaries);
        ASSERT_TRUE(answered(1));
        EXPECT_EQ(texts(*failed), QStringList{"x"});
        ASSERT_TRUE(waitUntil([&] { return second->errors.size() == 3; }));
        EXPECT_EQ(second->errors[2], QStringLiteral("Ошибка при поиске|База данных не открыта!"));

        filter.reset();
        second.reset();
        db->clearCatalogSearch();
    }
}

TEST_F(FilterThread, LanguageChangesAreAnnouncedOncePerChange)
{
    start();
    QSignalSpy changed(filter.get(), &F::languageChanged);
    filter->setLanguage(C::Russian);
    EXPECT_EQ(changed.count(), 0) << "already Russian";
    filter->setLanguage(C::English);
    filter->setLanguage(C::English);
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(filter->language(), C::English);
    EXPECT_EQ(filter->property("language").value<C::Language>(), C::English);
}

TEST_F(FilterThread, TheBusyCursorIsShownAndTakenDownOnTheGuiThread)
{
    start();
    second->favorites.block(true);
    filter->search(QStringLiteral("slow"), F::AllFavorites);
    EXPECT_TRUE(waitUntil([] {
        return QGuiApplication::overrideCursor() && QGuiApplication::overrideCursor()->shape() == Qt::BusyCursor;
    })) << "shown while the filter runs";
    second->favorites.block(false);
    ASSERT_TRUE(answered(1));
    EXPECT_TRUE(waitUntil([] { return QGuiApplication::overrideCursor() == nullptr; }));

    // A cursor the window shows already is left as it is.
    QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    filter->search(QStringLiteral("quick"), F::AllFavorites);
    ASSERT_TRUE(answered(2));
    QCoreApplication::processEvents();
    ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
    QGuiApplication::restoreOverrideCursor();
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST_F(FilterThread, WithoutASecondThreadTheFilterRunsOnTheCallersThreadStillQueued)
{
    ASSERT_EQ(ModelServices::current(), nullptr);
    filter = std::make_unique<F>();
    filter->setLanguage(C::Russian);
    QSignalSpy answered(filter.get(), &F::searchFinished);
    filter->search(QStringLiteral("вья"), F::Authors);
    EXPECT_EQ(answered.count(), 0) << "queued, never run inside the call";
    ASSERT_TRUE(waitUntil([&] { return answered.count() == 1; }));
    EXPECT_EQ(catalogSearch(*db), QStringLiteral("3:1"));
}
