#include "search/index/GlossaryIndex.h"

#include "core/Exception.h"
#include "tests/search_index/FaultyDirectory.h"
#include "tests/search_index/IndexTestLibrary.h"
#include "tests/support/MessageLog.h"

#include <gtest/gtest.h>

using namespace tarnolix;
using tarnolix::test::IndexTestLibrary;
using tarnolix::test::MessageLog;
using tarnolix::test::thrownText;

namespace {

std::shared_ptr<GlossaryWord> word(int id, QStringList strings, std::vector<GlossaryWordWhere> where)
{
    auto result = std::make_shared<GlossaryWord>();
    result->id = id;
    result->words = std::move(strings);
    result->where = std::move(where);
    return result;
}

// Its files cannot be created while the faults say so.
class FaultyGlossaryIndex : public GlossaryIndex
{
public:
    Lucene::DirectoryPtr directory() override
    {
        return Lucene::newLucene<test::FaultyDirectory>(GlossaryIndex::directory(), faults);
    }
    const std::shared_ptr<test::DirectoryFaults> faults = std::make_shared<test::DirectoryFaults>();
};

class GlossaryIndexTest : public ::testing::Test
{
protected:
    Lucene::IndexReaderPtr committedReader()
    {
        return Lucene::IndexReader::open(Lucene::FSDirectory::open(library.locations->index3Path().toStdWString()),
                                         true);
    }

    // A complete run over `words`, as the library updater makes it.
    void rebuild(GlossaryIndex& index, const std::vector<std::shared_ptr<GlossaryWord>>& words)
    {
        index.beginIndexing();
        index.deleteAll();
        index.addWord(words);
        index.finishIndexing();
    }

    IndexTestLibrary library;
};

TEST_F(GlossaryIndexTest, EachWordBecomesOneDocumentWithItsPlaces)
{
    GlossaryIndex index;
    index.open();
    MessageLog log;
    index.beginIndexing();
    index.deleteAll();
    index.addWord({word(1, {QStringLiteral("Dharma"), QStringLiteral("дхарма")}, {{4, {10, 11}}, {9, {12}}}),
                   word(2, {QStringLiteral("karma")}, {})});
    index.addWord({word(3, {QStringLiteral("yoga")}, {{7, {}}})});
    index.finishIndexing();
    EXPECT_TRUE(log.contains(QtInfoMsg, QStringLiteral("GlossaryIndex::finishIndexing: Ok!")));

    const Lucene::IndexReaderPtr reader = committedReader();
    ASSERT_EQ(reader->numDocs(), 3);
    using Fields = std::map<std::wstring, std::wstring>;
    EXPECT_EQ(test::storedFields(reader->document(0)), (Fields{{L"id", L"1"}, {L"c", L"4 9"}, {L"gls", L"10 11 12"}}));
    EXPECT_EQ(test::storedFields(reader->document(1)), (Fields{{L"id", L"2"}}))
        << "a word without places has neither c nor gls";
    EXPECT_EQ(test::storedFields(reader->document(2)), (Fields{{L"id", L"3"}, {L"c", L"7"}}))
        << "the fields come back for the next word; a place without glossaries adds none";

    // The content field holds every string of the word, analysed.
    EXPECT_EQ(test::hitCount(reader, L"E", {L"dharma"}), 1);
    EXPECT_EQ(test::hitCount(reader, L"E", {L"дхарма"}), 1);
    EXPECT_EQ(test::hitCount(reader, L"E", {L"dharma", L"дхарма"}), 1);
    EXPECT_EQ(test::hitCount(reader, L"id", {L"2"}), 1);
    EXPECT_EQ(test::hitCount(reader, L"c", {L"9"}), 1);
    EXPECT_EQ(test::hitCount(reader, L"gls", {L"11"}), 1);
    reader->close();
}

TEST_F(GlossaryIndexTest, ARunIsVisibleOnlyOnceFinishedAndAnUnfinishedOneLeavesTheOldGlossary)
{
    {
        GlossaryIndex index;
        index.open();
        rebuild(index, {word(1, {QStringLiteral("a")}, {}), word(2, {QStringLiteral("b")}, {})});
    }
    {
        GlossaryIndex index;
        index.open();
        index.beginIndexing();
        index.deleteAll();
        index.addWord({word(3, {QStringLiteral("c")}, {})});
        EXPECT_EQ(committedReader()->numDocs(), 2) << "nothing is published before finishIndexing";
        EXPECT_EQ(index.getReader()->numDocs(), 1) << "the writer's own reader sees the run";
        // The updater fails here: the index goes without finishing the run.
    }
    EXPECT_EQ(committedReader()->numDocs(), 2);

    GlossaryIndex index;
    index.open();
    rebuild(index, {word(5, {QStringLiteral("e")}, {})});
    const Lucene::IndexReaderPtr reader = committedReader();
    ASSERT_EQ(reader->numDocs(), 1) << "deleteAll replaces the old glossary";
    EXPECT_EQ(reader->document(0)->get(L"id"), L"5");
}

TEST_F(GlossaryIndexTest, OpeningCreatesAMissingIndex)
{
    struct Case
    {
        const char* name;
        std::function<void(const QString& path)> prepare;
        const char* log;
    };
    const Case cases[] = {
        {"no directory", [](const QString&) {}, "GlossaryIndex created with directory"},
        {"empty directory", [](const QString& path) { QDir().mkpath(path); }, "GlossaryIndex created"},
    };
    for (const Case& c : cases) {
        const QString path = library.locations->index3Path();
        QDir(path).removeRecursively();
        c.prepare(path);
        MessageLog log;
        GlossaryIndex index;
        index.open();
        EXPECT_EQ(log.texts(QtDebugMsg).filter(QStringLiteral("GlossaryIndex")), QStringList{c.log}) << c.name;
        EXPECT_EQ(committedReader()->numDocs(), 0) << c.name << ": an empty index is there for readers";
    }

    MessageLog log;
    GlossaryIndex index;
    index.open();
    EXPECT_EQ(log.texts(QtDebugMsg).filter(QStringLiteral("GlossaryIndex")), QStringList{"GlossaryIndex opened"});
    EXPECT_EQ(index.mode(), SearchIndex::ReadOnly);
}

TEST_F(GlossaryIndexTest, PreparedLibraryIndexIsOnlyRead)
{
    library.locations->setPreparedLibrary(true);
    GlossaryIndex index;
    EXPECT_THROW(index.open(), Lucene::NoSuchDirectoryException) << "a prepared index is never created";
    EXPECT_FALSE(QDir(library.locations->index3Path()).exists());

    library.locations->setPreparedLibrary(false);
    index.open();
    library.locations->setPreparedLibrary(true);
    index.beginIndexing();
    EXPECT_EQ(thrownText([&] { index.addWord({word(1, {QStringLiteral("a")}, {})}); }),
              "Prepared library indexes are read-only");
    EXPECT_EQ(index.mode(), SearchIndex::Create) << "refused before anything is closed";
}

TEST_F(GlossaryIndexTest, AddingOutsideARunFailsAndFinishingWithoutAWriterIsSkipped)
{
    {
        GlossaryIndex index;
        index.open();
        EXPECT_EQ(thrownText([&] { index.addWord({word(1, {QStringLiteral("a")}, {})}); }), "not initialized");
        rebuild(index, {word(2, {QStringLiteral("b")}, {})});
        EXPECT_EQ(thrownText([&] { index.addWord({word(3, {QStringLiteral("c")}, {})}); }), "not initialized")
            << "the run is over";
    }

    MessageLog log;
    GlossaryIndex idle;
    idle.open();
    idle.beginIndexing();
    idle.finishIndexing();
    EXPECT_EQ(log.texts(QtInfoMsg),
              (QStringList{"GlossaryIndex::finishIndexing", "GlossaryIndex::finishIndexing: Skipped!"}));
    EXPECT_EQ(committedReader()->numDocs(), 1);
}

TEST_F(GlossaryIndexTest, AFailedOptimisationCommitsNothingAndIsNotThrown)
{
    FaultyGlossaryIndex index;
    index.open();
    rebuild(index, {word(1, {QStringLiteral("a")}, {})});

    index.beginIndexing();
    index.deleteAll();
    index.addWord({word(2, {QStringLiteral("b")}, {}), word(3, {QStringLiteral("c")}, {})});
    index.faults->failingWrites = -1;
    MessageLog log;
    index.finishIndexing();
    EXPECT_GT(index.faults->failures.load(), 0);
    EXPECT_TRUE(log.contains(QtWarningMsg, QStringLiteral("Index optimize error")));
    EXPECT_EQ(log.texts(QtCriticalMsg), QStringList{"GlossaryIndex::finishIndexing: Indexing completion error: "
                                                    "Index writer: Not open for write!"})
        << "the released writer is not committed through";
    EXPECT_TRUE(index.optimizeError());
    EXPECT_EQ(index.mode(), SearchIndex::Closed);

    index.faults->failingWrites = 0;
    const Lucene::IndexReaderPtr reader = committedReader();
    ASSERT_EQ(reader->numDocs(), 1) << "the previous glossary stays";
    EXPECT_EQ(reader->document(0)->get(L"id"), L"1");
}

} // namespace
