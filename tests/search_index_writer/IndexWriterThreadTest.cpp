// The index writer on its own thread, as the application runs it.
#include "search/index/IndexWriterThread.h"

#include "tests/search_index/IndexTestLibrary.h"
#include "tests/search_index_writer/FakeIndexWriterHost.h"
#include "tests/support/MessageLog.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using namespace tarnolix;
using tarnolix::test::FakeIndexWriterHost;
using tarnolix::test::IndexTestLibrary;
using tarnolix::test::MessageLog;
using tarnolix::test::waitUntil;

namespace {

constexpr auto kEnglish = TarnolixConstants::English;

class IndexWriterThreadTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        IndexWriterHost::setCurrent(&host);
        library.addBook(5, {kEnglish}, {QStringLiteral("Five one"), QStringLiteral("Five two")});
        library.addBook(6, {kEnglish}, {QStringLiteral("Six one"), QStringLiteral("Six two"), QStringLiteral("Six three")});
    }
    void TearDown() override { IndexWriterHost::setCurrent(nullptr); }

    bool queueEmpty() { return library.db().countBFI(kEnglish) == 0; }

    IndexTestLibrary library;
    FakeIndexWriterHost host;
};

TEST_F(IndexWriterThreadTest, CreateRunsTheWorkerOnANamedThreadAndRelaysItsState)
{
    IndexWriterThread writer(1);
    EXPECT_EQ(writer.writerThread(), nullptr);
    EXPECT_FALSE(writer.property("active").toBool());
    QSignalSpy active(&writer, &IndexWriterThread::activeChanged);
    QSignalSpy progress(&writer, &IndexWriterThread::progressChanged);

    // A new library: the index is made and every book of the language queued.
    writer.create();
    ASSERT_NE(writer.writerThread(), nullptr);
    EXPECT_EQ(writer.writerThread()->objectName(), QStringLiteral("IndexWriterThread1"));
    EXPECT_EQ(writer.writerThread()->parent(), &writer);
    ASSERT_TRUE(waitUntil([&] { return active.count() == 2 && !writer.active(); }));
    EXPECT_TRUE(queueEmpty());
    EXPECT_EQ(writer.progress(), 2);
    EXPECT_EQ(writer.progressTotal(), 2);
    EXPECT_EQ(writer.property("progressTotal").toInt(), 2);
    EXPECT_GE(progress.count(), 2);
    EXPECT_EQ(writer.getReader()->numDocs(), 5);

    // A new book reaches the writer through the library's notice board.
    library.addBook(7, {kEnglish}, {QStringLiteral("Seven")});
    library.db().upsertBFIList(kEnglish, {7}, 1);
    library.events->emitBooksForIndexingChanged();
    ASSERT_TRUE(waitUntil([&] { return queueEmpty() && active.count() == 4; }));
    EXPECT_EQ(IndexTestLibrary::committedBooks(library.locations->indexPath(1)),
              (std::map<int, int>{{5, 2}, {6, 3}, {7, 1}}));

    // create again replaces thread and worker; close ends them.
    QThread* first = writer.writerThread();
    QSignalSpy firstFinished(first, &QThread::finished);
    writer.create();
    EXPECT_EQ(firstFinished.count(), 1);
    EXPECT_NE(writer.writerThread(), first);
    EXPECT_EQ(writer.getReader()->numDocs(), 6);
    writer.close(true);
    EXPECT_EQ(writer.writerThread(), nullptr);
    EXPECT_EQ(test::thrownText([&] { writer.getReader(); }), "Index writer thread is closed");
    writer.closeIfNotUsed();
}

TEST_F(IndexWriterThreadTest, ACriticalErrorEndsTheProgramWithItsCode)
{
    IndexTestLibrary::writeBrokenIndex(library.locations->indexPath(1));

    MessageLog log;
    IndexWriterThread writer(1);
    writer.create();
    QTimer::singleShot(30000, [] { QCoreApplication::exit(1); });
    EXPECT_EQ(QCoreApplication::exec(), -2127214983);
    EXPECT_TRUE(log.contains(QtWarningMsg, QStringLiteral("INDEX WRITER CRITICAL ERROR(0x81354679)")));
}

TEST_F(IndexWriterThreadTest, SearchersDuringTeardownGetAReaderOrAClearError)
{
    library.db().upsertBFIList(kEnglish, {5, 6}, 1);
    auto writer = std::make_unique<IndexWriterThread>(1);
    writer->create();
    ASSERT_TRUE(waitUntil([&] { return queueEmpty() && !writer->active(); }));
    const Lucene::IndexReaderPtr held = writer->getReader();

    std::atomic<bool> stop{false};
    std::atomic<int> readers{0};
    std::atomic<int> refusals{0};
    std::atomic<int> others{0};
    std::vector<std::thread> searchers;
    for (int i = 0; i < 3; ++i) {
        searchers.emplace_back([&] {
            while (!stop.load()) {
                try {
                    if (writer->getReader()->numDocs() == 5)
                        ++readers;
                    writer->closeIfNotUsed();
                } catch (const Exception& error) {
                    if (error.message() == QStringLiteral("Index writer thread is closed"))
                        ++refusals;
                    else
                        ++others;
                } catch (...) {
                    ++others;
                }
            }
        });
    }
    ASSERT_TRUE(waitUntil([&] { return readers.load() > 50; }));
    writer->close(false);
    ASSERT_TRUE(waitUntil([&] { return refusals.load() > 50; }));
    QThread* thread = writer->writerThread();
    ASSERT_TRUE(thread->wait(10000));
    stop = true;
    for (std::thread& searcher : searchers)
        searcher.join();
    writer.reset();

    EXPECT_EQ(others.load(), 0);
    EXPECT_EQ(held->numDocs(), 5) << "a reader taken before the end outlives the worker";
}

} // namespace
