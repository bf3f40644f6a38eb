#include "search/index/SearchIndex.h"

#include "core/Exception.h"
#include "core/ProgramConstants.h"
#include "search/index/BookDocuments.h"
#include "tests/support/MessageLog.h"
#include "tests/support/TestSupport.h"

#include <ConcurrentMergeScheduler.h>

#include <QDir>
#include <QThread>

#include <gtest/gtest.h>

using namespace tarnolix;
using tarnolix::test::MessageLog;

namespace {

class TestIndex : public SearchIndex
{
public:
    explicit TestIndex(QString path) : m_path(std::move(path)) { initAnalyzers(); }
    ~TestIndex() override = default;

    QString indexPath() const override { return m_path; }
    bool isPreparedLibrary() const override { return prepared; }
    bool optimizeError() override { return mark; }
    void setOptimizeError(bool error) override { mark = error; }

    using SearchIndex::indexWriter;

    void add(int bookId)
    {
        const auto document = Lucene::newLucene<Lucene::Document>();
        document->add(Lucene::newLucene<Lucene::Field>(IndexField::bid, std::to_wstring(bookId),
                                                       Lucene::Field::STORE_YES,
                                                       Lucene::Field::INDEX_NOT_ANALYZED));
        indexWriter()->addDocument(document);
    }

    bool prepared = false;
    bool mark = false;

private:
    const QString m_path;
};

template <class F>
QString thrownText(F&& call)
{
    try {
        call();
    } catch (const std::exception& error) {
        return QString::fromUtf8(error.what());
    }
    return QStringLiteral("<nothing thrown>");
}

class SearchIndexTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        dir = test::makeTempDir();
        path = dir->filePath(QStringLiteral("Data/Index_2"));
        QDir().mkpath(path);
    }

    // The committed documents, as a newly opened reader sees them.
    int committedDocs()
    {
        const auto directory = Lucene::FSDirectory::open(path.toStdWString());
        if (!Lucene::IndexReader::indexExists(directory))
            return -1;
        const Lucene::IndexReaderPtr reader = Lucene::IndexReader::open(directory, true);
        const int count = reader->numDocs();
        reader->close();
        return count;
    }

    // An index with `count` committed documents.
    void makeIndex(int count)
    {
        TestIndex index(path);
        index.open(true, SearchIndex::Create);
        for (int i = 0; i < count; ++i)
            index.add(i + 1);
        index.commit();
    }

    std::unique_ptr<QTemporaryDir> dir;
    QString path;
};

TEST_F(SearchIndexTest, EachModeOpensWhatItsTableSays)
{
    makeIndex(2);
    TestIndex index(path);

    index.open(true, SearchIndex::ReadOnly);
    EXPECT_EQ(index.mode(), SearchIndex::ReadOnly);
    EXPECT_EQ(index.getReader()->numDocs(), 2);
    EXPECT_EQ(index.getReader()->getClassName(), L"ReadOnlyDirectoryReader");
    EXPECT_EQ(thrownText([&] { index.indexWriter(); }), "Index writer: Not open for write!");

    index.open(true, SearchIndex::ReadWrite);
    EXPECT_EQ(index.mode(), SearchIndex::ReadWrite);
    EXPECT_EQ(index.getReader()->getClassName(), L"DirectoryReader");

    index.mark = true;
    index.open(true, SearchIndex::Write);
    EXPECT_EQ(index.mode(), SearchIndex::Write);
    EXPECT_EQ(index.indexWriter()->maxDoc(), 2);
    EXPECT_TRUE(index.mark) << "only a new index clears the optimize mark";

    index.open(true, SearchIndex::Create);
    EXPECT_EQ(index.mode(), SearchIndex::Create);
    EXPECT_EQ(index.indexWriter()->maxDoc(), 0);
    EXPECT_FALSE(index.mark);
    EXPECT_EQ(committedDocs(), 2) << "the old documents stay until the new index is committed";
    index.commit();
    EXPECT_EQ(committedDocs(), 0);
}

TEST_F(SearchIndexTest, WriteModeCreatesAMissingIndex)
{
    path = dir->filePath(QStringLiteral("Data/Index_1"));
    TestIndex index(path);
    index.open(true, SearchIndex::Write);
    index.add(5);
    index.commit();
    EXPECT_EQ(committedDocs(), 1);
}

TEST_F(SearchIndexTest, InvalidModeLeavesTheIndexClosed)
{
    TestIndex index(path);
    for (const int mode : {0, 5, -1}) {
        index.open(true, SearchIndex::Write);
        EXPECT_EQ(thrownText([&] { index.open(true, mode); }), "Invalid open mode") << mode;
        EXPECT_EQ(index.mode(), SearchIndex::Closed) << mode;
    }
    // The writer's lock went with it: another holder can write.
    TestIndex other(path);
    other.open(true, SearchIndex::Write);
    EXPECT_EQ(other.mode(), SearchIndex::Write);
}

TEST_F(SearchIndexTest, PreparedLibraryRefusesWritingBeforeClosingAnything)
{
    makeIndex(1);
    TestIndex index(path);
    index.prepared = true;
    index.open(true, SearchIndex::ReadOnly);
    const Lucene::IndexReaderPtr reader = index.getReader();
    for (const int mode : {int(SearchIndex::ReadWrite), int(SearchIndex::Write), int(SearchIndex::Create), 7}) {
        EXPECT_EQ(thrownText([&] { index.open(true, mode); }), "Prepared library indexes are read-only") << mode;
        EXPECT_EQ(index.mode(), SearchIndex::ReadOnly) << mode;
    }
    EXPECT_EQ(index.getReader().get(), reader.get());
    EXPECT_EQ(thrownText([&] { index.optimize(); }), "Prepared library indexes are read-only");
    EXPECT_EQ(index.mode(), SearchIndex::ReadOnly);
}

TEST_F(SearchIndexTest, GetReaderOnAClosedIndexOpensItReadOnlyOnce)
{
    makeIndex(3);
    TestIndex index(path);
    MessageLog log;
    const Lucene::IndexReaderPtr first = index.getReader();
    EXPECT_EQ(index.mode(), SearchIndex::ReadOnly);
    EXPECT_EQ(first->numDocs(), 3);
    const Lucene::IndexReaderPtr second = index.getReader();
    EXPECT_EQ(second.get(), first.get());
    EXPECT_EQ(log.texts(QtWarningMsg), QStringList{"getReader: Try open for read..."});
}

TEST_F(SearchIndexTest, GetReaderOfAMissingIndexFailsWithTheIndexClosed)
{
    TestIndex index(dir->filePath(QStringLiteral("Data/Index_3")));
    EXPECT_THROW(index.getReader(), Lucene::LuceneException);
    EXPECT_EQ(index.mode(), SearchIndex::Closed);
}

TEST_F(SearchIndexTest, WritersReaderSeesNewDocumentsAfterReset)
{
    TestIndex index(path);
    index.open(true, SearchIndex::Create);
    index.add(1);
    const Lucene::IndexReaderPtr first = index.getReader();
    EXPECT_EQ(first->numDocs(), 1) << "the near-real-time reader sees what is not committed";
    index.add(2);
    EXPECT_EQ(index.getReader().get(), first.get());
    EXPECT_EQ(index.getReader()->numDocs(), 1);

    index.resetReader();
    const Lucene::IndexReaderPtr fresh = index.getReader();
    EXPECT_NE(fresh.get(), first.get());
    EXPECT_EQ(fresh->numDocs(), 2);
    EXPECT_EQ(first->numDocs(), 1) << "a dropped reader still serves its holder";
    EXPECT_EQ(committedDocs(), 0);
}

TEST_F(SearchIndexTest, WriterSettings)
{
    TestIndex index(path);
    for (const int mode : {int(SearchIndex::Write), int(SearchIndex::Create)}) {
        index.open(true, mode);
        const Lucene::IndexWriterPtr writer = index.indexWriter();
        EXPECT_EQ(writer->getRAMBufferSizeMB(), 128.0);
        EXPECT_EQ(writer->getMergeFactor(), 20);
        const auto scheduler =
            boost::dynamic_pointer_cast<Lucene::ConcurrentMergeScheduler>(writer->getMergeScheduler());
        ASSERT_TRUE(scheduler);
        EXPECT_EQ(scheduler->getMaxThreadCount(), std::max(1, QThread::idealThreadCount() / 2));
    }
}

TEST_F(SearchIndexTest, UncommittedChangesAreDiscardedByEveryClose)
{
    makeIndex(1);
    struct Case
    {
        const char* name;
        std::function<void(std::unique_ptr<TestIndex>&)> discard;
    };
    const Case cases[] = {
        {"close", [](std::unique_ptr<TestIndex>& index) { index->close(true); }},
        {"reopen for writing", [](std::unique_ptr<TestIndex>& index) { index->open(true, SearchIndex::Write); }},
        {"reopen for reading", [](std::unique_ptr<TestIndex>& index) { index->open(true, SearchIndex::ReadOnly); }},
        {"destructor", [](std::unique_ptr<TestIndex>& index) { index.reset(); }},
        {"closeIfNotUsed", [](std::unique_ptr<TestIndex>& index) {
             index->closeIfNotUsed();
             index->close(true);
         }},
    };
    for (const Case& each : cases) {
        auto index = std::make_unique<TestIndex>(path);
        index->open(true, SearchIndex::Write);
        index->add(2);
        index->indexWriter()->deleteDocuments(bookIdTerm(1));
        EXPECT_EQ(index->getReader()->numDocs(), 1) << each.name;
        each.discard(index);
        EXPECT_EQ(committedDocs(), 1) << each.name;

        TestIndex again(path);
        again.open(true, SearchIndex::ReadOnly);
        const Lucene::IndexReaderPtr reader = again.getReader();
        EXPECT_EQ(reader->docFreq(bookIdTerm(1)), 1) << each.name;
        EXPECT_EQ(reader->docFreq(bookIdTerm(2)), 0) << each.name;
    }

    TestIndex index(path);
    index.open(true, SearchIndex::Write);
    index.add(2);
    index.commit();
    index.close(true);
    EXPECT_EQ(committedDocs(), 2);
}

TEST_F(SearchIndexTest, CommitNeedsAWriter)
{
    makeIndex(1);
    TestIndex index(path);
    EXPECT_EQ(thrownText([&] { index.commit(); }), "Index writer: Not open for write!");
    index.open(true, SearchIndex::ReadOnly);
    EXPECT_EQ(thrownText([&] { index.commit(); }), "Index writer: Not open for write!");
}

TEST_F(SearchIndexTest, OptimizeMergesAndAFailureSetsTheMark)
{
    TestIndex index(path);
    index.open(true, SearchIndex::Create);
    for (int i = 1; i <= 3; ++i) {
        index.add(i);
        index.commit(); // a segment each
    }
    MessageLog log;
    index.optimize();
    index.commit();
    EXPECT_EQ(log.texts(QtInfoMsg), (QStringList{"Optimize index...", "Index optimize finished"}));
    index.resetReader();
    EXPECT_EQ(index.getReader()->getSequentialSubReaders().size(), 1);
    EXPECT_FALSE(index.mark);

    log.clear();
    index.open(true, SearchIndex::ReadOnly);
    index.optimize();
    EXPECT_EQ(log.texts(QtWarningMsg), QStringList{"Index optimize error: Index writer: Not open for write!"});
    EXPECT_EQ(index.mode(), SearchIndex::Closed);
    EXPECT_TRUE(index.mark);

    log.clear();
    index.open(true, SearchIndex::Write);
    index.optimize();
    EXPECT_EQ(log.texts(QtWarningMsg), QStringList{"Index optimize skipped"});
    EXPECT_EQ(index.mode(), SearchIndex::Write) << "a skipped optimisation leaves the writer alone";

    index.open(true, SearchIndex::Create);
    EXPECT_FALSE(index.mark);
}

TEST_F(SearchIndexTest, CloseIfNotUsedRespectsOutsideHolders)
{
    makeIndex(2);
    TestIndex index(path);
    Lucene::IndexReaderPtr held = index.getReader();
    index.closeIfNotUsed();
    EXPECT_EQ(index.mode(), SearchIndex::ReadOnly);
    EXPECT_EQ(index.getReader().get(), held.get());
    held.reset();
    index.closeIfNotUsed();
    EXPECT_EQ(index.mode(), SearchIndex::Closed);

    // Open for writing, only the reader goes, and only when nobody holds it:
    // the writer's run goes on.
    index.open(true, SearchIndex::Write);
    index.add(3);
    held = index.getReader();
    index.closeIfNotUsed();
    EXPECT_EQ(index.getReader().get(), held.get());
    held.reset();
    index.closeIfNotUsed();
    EXPECT_EQ(index.mode(), SearchIndex::Write);
    index.add(4);
    EXPECT_EQ(index.getReader()->numDocs(), 4);
    index.commit();
    EXPECT_EQ(committedDocs(), 4);
}

TEST_F(SearchIndexTest, AHeldReaderOutlivesCloseAndClosesWithItsLastHolder)
{
    makeIndex(2);
    for (const int mode : {int(SearchIndex::ReadOnly), int(SearchIndex::Write)}) {
        TestIndex index(path);
        index.open(true, mode);
        Lucene::IndexReaderPtr first = index.getReader();
        Lucene::IndexReaderPtr second = index.getReader();
        const auto reader = boost::static_pointer_cast<Lucene::IndexReader>(first->shared_from_this());
        EXPECT_EQ(reader->getRefCount(), 3) << mode;

        index.open(true, SearchIndex::ReadOnly); // closes the index's own
        EXPECT_NE(index.getReader().get(), first.get());
        EXPECT_EQ(reader->getRefCount(), 2) << mode;
        {
            const auto searcher = Lucene::newLucene<Lucene::IndexSearcher>(first);
            const auto hits = searcher->search(Lucene::newLucene<Lucene::TermQuery>(bookIdTerm(2)), 10);
            EXPECT_EQ(hits->totalHits, 1) << mode;
        }

        first.reset();
        EXPECT_EQ(second->numDocs(), 2) << mode;
        second.reset();
        EXPECT_EQ(reader->getRefCount(), 0) << mode << ": closed with its last holder";
    }
}

bool hasTagPositions(const Lucene::AnalyzerPtr& analyzer)
{
    if (const auto english = boost::dynamic_pointer_cast<EnglishAnalyzer>(analyzer))
        return english->hasHTMLTagsPositions();
    return boost::dynamic_pointer_cast<RussianAnalyzer>(analyzer)->hasHTMLTagsPositions();
}

TEST_F(SearchIndexTest, AnalyzersByLanguage)
{
    TestIndex index(path);
    for (const int language : {0, 1, 2, 3}) {
        const Lucene::AnalyzerPtr html = index.getHtmlAnalyzer(language, L"<p>a</p>");
        EXPECT_EQ(html->getClassName(), language == 2 ? L"RussianAnalyzer" : L"EnglishAnalyzer");
        EXPECT_TRUE(hasTagPositions(html));
        const Lucene::AnalyzerPtr plain = index.getAnalyzer(language);
        EXPECT_EQ(plain.get(), html.get());
        EXPECT_FALSE(hasTagPositions(plain));
    }
}

TEST_F(SearchIndexTest, PreparingMakesTheDataDirectoryOnly)
{
    const QString data = dir->filePath(QStringLiteral("Other/Data"));
    TestIndex index(data + QStringLiteral("/Index_1"));
    index.prepareIndexDirectory();
    EXPECT_TRUE(QDir(data).exists());
    EXPECT_FALSE(QDir(data + QStringLiteral("/Index_1")).exists());
    // So the missing index still takes the callers' rebuild path.
    EXPECT_THROW(index.open(true, SearchIndex::ReadOnly), Lucene::NoSuchDirectoryException);
    EXPECT_EQ(index.mode(), SearchIndex::Closed);
}

} // namespace
