// The worker of an index writer, on the test's own thread: each timer tick
// is delivered by hand, so every step of a run can be looked at, and the
// retry intervals are read rather than waited for.
#include "search/index/IndexWriterThread.h"

#include "search/index/IndexWriterHost.h"
#include "tests/search_index/FaultyDirectory.h"
#include "tests/search_index/IndexTestLibrary.h"
#include "tests/search_index_writer/FakeIndexWriterHost.h"
#include "tests/support/MessageLog.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTimerEvent>

#include <gtest/gtest.h>

using namespace tarnolix;
using tarnolix::test::FakeIndexWriterHost;
using tarnolix::test::IndexTestLibrary;
using tarnolix::test::MessageLog;

namespace {

using Rows = std::vector<std::pair<int, int>>;
using Books = std::map<int, int>;
constexpr auto kEnglish = TarnolixConstants::English;

// The worker of language 1, over a directory that can be made to fail.
class TestWorker : public IndexWriterThreadImpl
{
public:
    explicit TestWorker(IndexWriterHost* host) : IndexWriterThreadImpl(kEnglish, host) {}

    Lucene::DirectoryPtr directory() override
    {
        return Lucene::newLucene<test::FaultyDirectory>(IndexWriterThreadImpl::directory(), faults);
    }

    const std::shared_ptr<test::DirectoryFaults> faults = std::make_shared<test::DirectoryFaults>();
};

// Calls `action` on the first log message equal to `text`, from the thread
// that logs it.
class OnMessage
{
public:
    OnMessage(QString text, std::function<void()> action)
        : m_text(std::move(text))
        , m_action(std::move(action))
    {
        s_active = this;
        m_previous = qInstallMessageHandler(&OnMessage::handle);
    }
    ~OnMessage()
    {
        qInstallMessageHandler(m_previous);
        s_active = nullptr;
    }

private:
    static void handle(QtMsgType type, const QMessageLogContext& context, const QString& text)
    {
        OnMessage* self = s_active;
        if (self->m_previous)
            self->m_previous(type, context, text);
        if (text == self->m_text && self->m_action) {
            auto action = std::move(self->m_action);
            self->m_action = nullptr;
            action();
        }
    }

    static inline OnMessage* s_active = nullptr;
    QString m_text;
    std::function<void()> m_action;
    QtMessageHandler m_previous = nullptr;
};

class IndexWriterWorkerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        library.addBook(5, {kEnglish}, {QStringLiteral("Five one"), QStringLiteral("Five two")});
        library.addBook(6, {kEnglish}, {QStringLiteral("Six one"), QStringLiteral("Six two"), QStringLiteral("Six three")});
        library.addBook(7, {kEnglish, TarnolixConstants::Russian}, {QStringLiteral("Seven")});
        library.addBook(9, {kEnglish}, {QStringLiteral("Nine")});
        // An empty index, as a previous start left it.
        const auto writer = Lucene::newLucene<Lucene::IndexWriter>(
            Lucene::FSDirectory::open(library.locations->indexPath(1).toStdWString()),
            Lucene::newLucene<Lucene::WhitespaceAnalyzer>(), true, Lucene::IndexWriter::MaxFieldLengthUNLIMITED);
        writer->close();
    }

    // A started worker; the index is there (empty, or as a previous test step left it).
    std::unique_ptr<TestWorker> startedWorker()
    {
        auto worker = std::make_unique<TestWorker>(&host);
        worker->init();
        return worker;
    }

    void queue(const Rows& rows)
    {
        for (const auto& [id, action] : rows)
            library.db().upsertBFIList(kEnglish, {id}, quint8(action));
    }
    Rows rows() { return library.db().selectBFI(kEnglish); }
    Books committed() { return IndexTestLibrary::committedBooks(library.locations->indexPath(1)); }

    // One timer tick of the run.
    static void tick(IndexWriterThreadImpl& worker)
    {
        ASSERT_TRUE(worker.isActive());
        QTimerEvent event(worker.indexTimerId());
        QCoreApplication::sendEvent(&worker, &event);
    }
    // Ticks until the run ends; the number of ticks.
    static int runUntilIdle(IndexWriterThreadImpl& worker)
    {
        int ticks = 0;
        while (worker.isActive() && ticks < 200) {
            tick(worker);
            ++ticks;
        }
        EXPECT_FALSE(worker.isActive());
        return ticks;
    }
    // Delivers what was posted to `receiver` by queued connections, and
    // nothing else (no timer runs a step meanwhile).
    static void deliver(QObject* receiver) { QCoreApplication::sendPostedEvents(receiver, QEvent::MetaCall); }

    // An index holding books 5 and 9 as committed by a complete run.
    void indexFiveAndNine()
    {
        queue({{5, 1}, {9, 1}});
        auto worker = startedWorker();
        runUntilIdle(*worker);
        ASSERT_EQ(committed(), (Books{{5, 2}, {9, 1}}));
        ASSERT_TRUE(rows().empty());
    }

    IndexTestLibrary library;
    FakeIndexWriterHost host;
};

TEST_F(IndexWriterWorkerTest, IndexesTheQueueBookByBookAndCommitsOnceAtTheEnd)
{
    queue({{9, 1}});
    {
        auto worker = startedWorker();
        runUntilIdle(*worker);
    }
    ASSERT_EQ(committed(), (Books{{9, 1}}));

    queue({{5, 1}, {9, 2}});
    MessageLog log;
    auto worker = startedWorker();
    EXPECT_TRUE(log.contains(QtInfoMsg, QStringLiteral("bookForIndexingCount: 2. Start indexing...")));
    QSignalSpy progress(worker.get(), &IndexWriterThreadImpl::progress);
    QSignalSpy active(worker.get(), &IndexWriterThreadImpl::activeChanged);
    ASSERT_TRUE(worker->isActive());
    EXPECT_EQ(worker->timerInterval(), 0);

    tick(*worker);
    EXPECT_EQ(committed(), (Books{{9, 1}})) << "nothing is published book by book";
    EXPECT_EQ(worker->getReader()->numDocs(), 3) << "the writer's own reader sees book 5 already";
    tick(*worker);
    EXPECT_EQ(rows(), (Rows{{5, 1}, {9, 2}})) << "rows stay until the commit";
    tick(*worker);
    EXPECT_FALSE(worker->isActive());

    EXPECT_EQ(committed(), (Books{{5, 2}})) << "book 5 indexed, book 9 deleted";
    EXPECT_TRUE(rows().empty());
    ASSERT_EQ(progress.count(), 2);
    EXPECT_EQ(progress.at(0), (QVariantList{1, 2}));
    EXPECT_EQ(progress.at(1), (QVariantList{2, 2}));
    EXPECT_EQ(active.count(), 1);
    EXPECT_EQ(active.at(0), QVariantList{false});
    const QStringList infos = log.texts(QtInfoMsg).filter(QStringLiteral("progress"));
    EXPECT_EQ(infos, (QStringList{"Index writer: progress: 1/2", "Index writer: progress: 2/2"}));
}

TEST_F(IndexWriterWorkerTest, BooksQueuedDuringARunJoinItAfterTheBookInHand)
{
    queue({{5, 1}, {6, 1}});
    auto worker = startedWorker();
    QSignalSpy progress(worker.get(), &IndexWriterThreadImpl::progress);
    tick(*worker);

    queue({{7, 1}});
    emit library.events->booksForIndexingChanged();
    deliver(worker.get());
    EXPECT_TRUE(worker->isActive()) << "a change during a run does not restart it";
    tick(*worker);
    tick(*worker);
    runUntilIdle(*worker);

    QList<QVariantList> seen;
    for (const QVariantList& signal : progress)
        seen << signal;
    EXPECT_EQ(seen, (QList<QVariantList>{{1, 2}, {2, 3}, {3, 3}}));
    EXPECT_EQ(committed(), (Books{{5, 2}, {6, 3}, {7, 1}}));
    EXPECT_TRUE(rows().empty());
}

TEST_F(IndexWriterWorkerTest, ANewActionForTheBookInHandIsNotLost)
{
    indexFiveAndNine();
    queue({{5, 1}, {9, 1}});
    auto worker = startedWorker();
    tick(*worker); // book 5

    // Book 9 is to be deleted after all; the news arrives before its turn.
    queue({{9, 2}});
    emit library.events->booksForIndexingChanged();
    deliver(worker.get());
    runUntilIdle(*worker);

    EXPECT_EQ(committed(), (Books{{5, 2}})) << "book 9 was indexed, then deleted as its row said";
    EXPECT_TRUE(rows().empty());
}

TEST_F(IndexWriterWorkerTest, AnUnknownActionIsRetriedEverySecondThenSkippedKeepingItsRow)
{
    indexFiveAndNine();
    queue({{6, 1}, {8, 3}});
    auto worker = startedWorker();
    MessageLog log;
    tick(*worker); // book 6, later rolled back by the failure of book 8
    for (int attempt = 1; attempt <= 11; ++attempt) {
        tick(*worker);
        EXPECT_EQ(worker->timerInterval(), 1000) << attempt;
        EXPECT_EQ(committed(), (Books{{5, 2}, {9, 1}})) << attempt;
    }
    const QStringList warnings = log.texts(QtWarningMsg);
    EXPECT_EQ(warnings.count(QStringLiteral("Process book 8 error: Unknown action: 3. Will try again...")), 10);
    EXPECT_EQ(warnings.count(QStringLiteral("Process book 8 error: Unknown action: 3. Book was skipped...")), 1);
    EXPECT_TRUE(log.contains(QtDebugMsg, QStringLiteral("Book 8 process skipped")));

    runUntilIdle(*worker);
    EXPECT_EQ(committed(), (Books{{5, 2}, {6, 3}, {9, 1}})) << "book 6, rolled back with the failures, came again";
    EXPECT_EQ(rows(), (Rows{{8, 3}})) << "the skipped book keeps its row for a later run";
}

TEST_F(IndexWriterWorkerTest, AFailingBookRollsBackTheRunAndItsBooksAreIndexedAgain)
{
    indexFiveAndNine();
    library.db().execSql(QStringLiteral("DELETE FROM BookBase WHERE id=6"));
    queue({{5, 2}, {6, 1}});
    auto worker = startedWorker();
    QSignalSpy progress(worker.get(), &IndexWriterThreadImpl::progress);
    MessageLog log;
    tick(*worker); // book 5 deleted
    tick(*worker); // book 6 cannot be read
    EXPECT_TRUE(log.contains(QtWarningMsg, QStringLiteral("Process book 6 error: ")));
    EXPECT_EQ(worker->mode(), SearchIndex::Closed);
    EXPECT_EQ(committed(), (Books{{5, 2}, {9, 1}}));
    ASSERT_GE(progress.count(), 2);
    EXPECT_EQ(progress.last(), (QVariantList{0, 2})) << "book 5 is back in the queue";

    BookBase base;
    base.id = 6;
    base.languages = {kEnglish};
    library.db().insertBookBase(base);
    runUntilIdle(*worker);
    EXPECT_EQ(committed(), (Books{{6, 3}, {9, 1}}));
    EXPECT_TRUE(rows().empty());
}

TEST_F(IndexWriterWorkerTest, WithoutAuthorisationARunStopsUnpublishedAndAuthorisationRestartsIt)
{
    indexFiveAndNine();
    queue({{6, 1}, {9, 2}});
    auto worker = startedWorker();
    tick(*worker);
    host.authorized = false;
    tick(*worker);
    EXPECT_FALSE(worker->isActive());
    EXPECT_EQ(committed(), (Books{{5, 2}, {9, 1}}));
    EXPECT_EQ(rows().size(), 2u);
    EXPECT_EQ(worker->getReader()->numDocs(), 3) << "the index serves its committed books";

    host.authorized = true;
    emit host.isAuthorizedChanged(true);
    deliver(worker.get());
    ASSERT_TRUE(worker->isActive());
    runUntilIdle(*worker);
    EXPECT_EQ(committed(), (Books{{5, 2}, {6, 3}}));
    EXPECT_TRUE(rows().empty());

    // Unauthorised from the start: the run stops at its first step.
    host.authorized = false;
    queue({{7, 1}});
    worker->startIndexBooks();
    tick(*worker);
    EXPECT_FALSE(worker->isActive());
    EXPECT_EQ(rows().size(), 1u);
}

TEST_F(IndexWriterWorkerTest, WhileTheUpdateCompleterExistsARunOnlyWaits)
{
    indexFiveAndNine();
    queue({{6, 1}});
    host.completer = true;
    MessageLog log;
    auto worker = startedWorker();
    EXPECT_FALSE(worker->isActive());
    EXPECT_TRUE(log.contains(QtDebugMsg, QStringLiteral("IndexWriterThreadImpl: wait UpdateCompleter finished")));

    emit host.updateCompleterChanged(); // still there
    deliver(worker.get());
    EXPECT_FALSE(worker->isActive());

    host.completer = false;
    emit host.updateCompleterChanged();
    deliver(worker.get());
    ASSERT_TRUE(worker->isActive());
    tick(*worker); // book 6

    // A completer that appears stops the run: nothing of it is published.
    host.completer = true;
    worker->startIndexBooks();
    EXPECT_TRUE(log.contains(QtCriticalMsg, QStringLiteral("startIndexBooks: Already active")));
    EXPECT_FALSE(worker->isActive());
    EXPECT_EQ(committed(), (Books{{5, 2}, {9, 1}}));
    EXPECT_EQ(rows(), (Rows{{6, 1}}));
}

TEST_F(IndexWriterWorkerTest, WhileALibraryUpdateRunsAnEmptyQueueIsPolled)
{
    host.updating = true;
    queue({{5, 1}});
    auto worker = startedWorker();
    tick(*worker);
    tick(*worker);
    EXPECT_EQ(worker->timerInterval(), 10000);
    EXPECT_TRUE(committed().count(5) == 0);

    host.updating = false;
    runUntilIdle(*worker);
    EXPECT_EQ(committed(), (Books{{5, 2}}));
}

TEST_F(IndexWriterWorkerTest, WithoutTheBookTextKeysTheRunWaits)
{
    host.keys = false;
    queue({{5, 1}});
    auto worker = startedWorker();
    tick(*worker);
    EXPECT_EQ(worker->timerInterval(), 100);
    EXPECT_EQ(rows().size(), 1u);
    host.keys = true;
    runUntilIdle(*worker);
    EXPECT_TRUE(rows().empty());
}

TEST_F(IndexWriterWorkerTest, AMissingIndexAtInitIsRebuiltWithEveryBookOfTheLanguage)
{
    struct Case
    {
        const char* name;
        bool keepDirectory;
        bool cutSegments = false; // a creation killed while it wrote its first commit
    };
    for (const Case c : {Case{"no directory", false}, Case{"no index files", true},
                         Case{"a cut creation", true, true}}) {
        const QString path = library.locations->indexPath(1);
        QDir(path).removeRecursively();
        if (c.keepDirectory)
            QDir().mkpath(path);
        if (c.cutSegments) {
            QFile segments(path + QStringLiteral("/segments_1"));
            ASSERT_TRUE(segments.open(QIODevice::WriteOnly));
            segments.write("cut");
        }
        library.db().execSql(QStringLiteral("DELETE FROM BFI1"));

        auto worker = startedWorker();
        EXPECT_TRUE(QDir(path).exists()) << c.name;
        EXPECT_EQ(committed(), Books{}) << c.name << ": an empty index at once";
        EXPECT_EQ(rows(), (Rows{{5, 1}, {6, 1}, {7, 1}, {9, 1}})) << c.name;
        runUntilIdle(*worker);
        EXPECT_EQ(committed(), (Books{{5, 2}, {6, 3}, {7, 1}, {9, 1}})) << c.name;
    }
}

TEST_F(IndexWriterWorkerTest, AnUnreadableIndexAtInitIsACriticalError)
{
    IndexTestLibrary::writeBrokenIndex(library.locations->indexPath(1));

    MessageLog log;
    TestWorker worker(&host);
    QSignalSpy critical(&worker, &IndexWriterThreadImpl::criticalError);
    worker.init();
    ASSERT_EQ(critical.count(), 1);
    EXPECT_TRUE(critical.at(0).at(0).toString().startsWith(QStringLiteral("init error: ")));
    EXPECT_TRUE(log.contains(QtWarningMsg, QStringLiteral("IndexWriterThreadImpl: Critical error: init error: ")));
    EXPECT_EQ(worker.mode(), SearchIndex::Closed);
}

TEST_F(IndexWriterWorkerTest, APreparedLibraryIndexIsOnlyOpenedForReading)
{
    indexFiveAndNine();
    library.locations->setPreparedLibrary(true);
    queue({{6, 1}});
    auto worker = startedWorker();
    EXPECT_EQ(worker->mode(), SearchIndex::ReadOnly);
    worker->startIndexBooks();
    emit library.events->booksForIndexingChanged();
    deliver(worker.get());
    EXPECT_FALSE(worker->isActive());

    QDir(library.locations->indexPath(1)).removeRecursively();
    TestWorker broken(&host);
    QSignalSpy critical(&broken, &IndexWriterThreadImpl::criticalError);
    broken.init();
    ASSERT_EQ(critical.count(), 1);
    EXPECT_EQ(critical.at(0).at(0).toString(), QStringLiteral("Prepared library index requires recovery"));
}

TEST_F(IndexWriterWorkerTest, AStopBetweenSectionsAbandonsTheBookAndTheRun)
{
    indexFiveAndNine();
    queue({{5, 2}, {6, 1}});
    auto worker = startedWorker();
    MessageLog log;
    tick(*worker); // book 5 deleted
    {
        OnMessage stopAt(QStringLiteral("Indexing bookId=6"), [&] { worker->closeThread(); });
        tick(*worker);
    }
    EXPECT_TRUE(log.contains(QtWarningMsg, QStringLiteral("Indexing rejected")));
    EXPECT_FALSE(worker->isActive());
    EXPECT_EQ(committed(), (Books{{5, 2}, {9, 1}})) << "neither the deletion of 5 nor any of 6 is published";
    EXPECT_EQ(rows().size(), 2u);

    // A closing thread starts nothing more.
    worker->startIndexBooks();
    tick(*worker);
    EXPECT_FALSE(worker->isActive());
    EXPECT_EQ(rows().size(), 2u);
}

TEST_F(IndexWriterWorkerTest, DeletingAllLibraryDataEmptiesTheIndexForGood)
{
    indexFiveAndNine();
    queue({{6, 1}});
    auto worker = startedWorker();
    tick(*worker);
    MessageLog log;
    emit library.events->dbAllDataDeleted();
    deliver(worker.get());
    EXPECT_TRUE(log.contains(QtWarningMsg, QStringLiteral("IndexWriterThreadImpl::dbAllDataDeleted")));
    EXPECT_FALSE(worker->isActive());
    EXPECT_EQ(committed(), Books{}) << "emptied and committed; book 6 of the stopped run is not there";
    EXPECT_TRUE(host.errors().isEmpty());
}

TEST_F(IndexWriterWorkerTest, AFailedOptimisationLeavesTheRowsForTheNextPass)
{
    queue({{5, 1}});
    auto worker = startedWorker();
    tick(*worker);
    worker->faults->failingWrites = 1;
    MessageLog log;
    tick(*worker); // the flush
    EXPECT_TRUE(log.contains(QtWarningMsg, QStringLiteral("Index optimize error: ")));
    EXPECT_TRUE(log.contains(QtWarningMsg,
                             QStringLiteral("Indexing completion error: Index writer: Not open for write!")));
    EXPECT_EQ(rows(), (Rows{{5, 1}}));
    EXPECT_TRUE(worker->optimizeError());
    EXPECT_TRUE(worker->isActive());
    EXPECT_EQ(worker->timerInterval(), 1000);

    runUntilIdle(*worker);
    EXPECT_TRUE(log.contains(QtWarningMsg, QStringLiteral("Index optimize skipped")));
    EXPECT_EQ(committed(), (Books{{5, 2}}));
    EXPECT_TRUE(rows().empty());
}

TEST_F(IndexWriterWorkerTest, AFlushThatKeepsFailingBacksOffAndThenStops)
{
    indexFiveAndNine();
    queue({{6, 1}});
    auto worker = startedWorker();
    worker->faults->onlyNamesStartingWith = L"segments_";
    worker->faults->failingWrites = -1;
    MessageLog log;
    std::vector<int> delays;
    for (int tickCount = 0; worker->isActive() && tickCount < 100; ++tickCount) {
        tick(*worker);
        if (worker->timerInterval() > 0 && (delays.empty() || delays.back() != worker->timerInterval()))
            delays.push_back(worker->timerInterval());
    }
    EXPECT_EQ(delays, (std::vector<int>{1000, 2000, 4000, 8000}));
    EXPECT_FALSE(worker->isActive());
    EXPECT_EQ(log.texts(QtWarningMsg).filter(QStringLiteral("Indexing completion error")).size(), 5);
    EXPECT_TRUE(log.contains(QtWarningMsg, QStringLiteral("Indexing completion failed 5 times in a row")));
    EXPECT_EQ(rows(), (Rows{{6, 1}}));

    worker->faults->failingWrites = 0;
    EXPECT_EQ(committed(), (Books{{5, 2}, {9, 1}}));
    emit library.events->booksForIndexingChanged();
    deliver(worker.get());
    runUntilIdle(*worker);
    EXPECT_EQ(committed(), (Books{{5, 2}, {6, 3}, {9, 1}}));
    EXPECT_TRUE(rows().empty());
}

} // namespace
