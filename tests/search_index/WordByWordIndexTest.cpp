#include "search/index/WordByWordIndex.h"

#include "core/Exception.h"
#include "tests/search_index/FaultyDirectory.h"
#include "tests/search_index/IndexTestLibrary.h"
#include "tests/support/MessageLog.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

using namespace tarnolix;
using tarnolix::test::IndexTestLibrary;
using tarnolix::test::MessageLog;
using tarnolix::test::thrownText;
using Language = TarnolixConstants::Language;

namespace {

std::shared_ptr<WordByWordDataForIndex> edition(int bookId, Language language, WordByWordDataForIndex::PairsBySection pairs,
                                                std::vector<int> categories = {})
{
    auto base = std::make_shared<BookBase>();
    base->id = bookId;
    base->categories = std::move(categories);
    auto data = std::make_shared<WordByWordDataForIndex>(language);
    data->setBook(base);
    data->pairs = std::move(pairs);
    return data;
}

// Its files cannot be created while the faults say so.
class FaultyWordByWordIndex : public WordByWordIndex
{
public:
    Lucene::DirectoryPtr directory() override
    {
        return Lucene::newLucene<test::FaultyDirectory>(WordByWordIndex::directory(), faults);
    }
    const std::shared_ptr<test::DirectoryFaults> faults = std::make_shared<test::DirectoryFaults>();
};

class WordByWordIndexTest : public ::testing::Test
{
protected:
    Lucene::IndexReaderPtr committedReader()
    {
        return Lucene::IndexReader::open(Lucene::FSDirectory::open(library.locations->index2Path().toStdWString()),
                                         true);
    }

    // "L/bid/s" of every committed document, in index order.
    QStringList committedEditions()
    {
        QStringList editions;
        const Lucene::IndexReaderPtr reader = committedReader();
        for (int32_t doc = 0; doc < reader->maxDoc(); ++doc) {
            if (reader->isDeleted(doc))
                continue;
            const Lucene::DocumentPtr document = reader->document(doc);
            editions << QString::fromStdWString(document->get(L"L") + L"/" + document->get(L"bid") + L"/" +
                                                document->get(L"s"));
        }
        reader->close();
        return editions;
    }

    IndexTestLibrary library;
};

TEST_F(WordByWordIndexTest, APairBecomesOneDocument)
{
    WordByWordIndex index;
    index.open();
    index.beginIndexing();
    index.index({edition(42, TarnolixConstants::English, {{QStringLiteral("1.1"), {{"dharma", "duty"}}}}, {3, 17})});
    index.finishIndexing();

    const Lucene::IndexReaderPtr reader = committedReader();
    ASSERT_EQ(reader->numDocs(), 1);
    using Fields = std::map<std::wstring, std::wstring>;
    EXPECT_EQ(test::storedFields(reader->document(0)), (Fields{{L"L", L"en"},
                                                               {L"bid", L"42"},
                                                               {L"s", L"1.1"},
                                                               {L"c", L"3 17"},
                                                               {L"wwso", L"dharma"},
                                                               {L"wwst", L"duty"}}));
    EXPECT_EQ(test::hitCount(reader, L"cts1Awwo", {L"dharma"}), 1);
    EXPECT_EQ(test::hitCount(reader, L"cts1Ewwo", {L"lucenematch", L"dharma", L"lucenematch"}), 1)
        << "the exact-match field wraps the original in marker words";
    EXPECT_EQ(test::hitCount(reader, L"cts1Awwt", {L"duty"}), 1);
    EXPECT_EQ(test::hitCount(reader, L"cts1Awwo", {L"duty"}), 0);
    EXPECT_EQ(test::hitCount(reader, L"wwso", {L"dharma"}), 0) << "stored only";
    EXPECT_EQ(test::hitCount(reader, L"c", {L"17"}), 1);
    reader->close();
}

TEST_F(WordByWordIndexTest, ReindexingAnEditionReplacesOnlyThatEdition)
{
    WordByWordIndex index;
    index.open();
    index.beginIndexing();
    index.index({edition(42, TarnolixConstants::English, {{QStringLiteral("1.1"), {{"dharma", "duty"}}}}),
                 edition(42, TarnolixConstants::Russian,
                         {{QStringLiteral("1.1"), {{"dharma", "долг"}, {"ksetre", "на поле"}}}}),
                 edition(7, TarnolixConstants::Russian, {{QStringLiteral("2.1"), {{"yoga", "йога"}}}})});
    index.finishIndexing();
    ASSERT_EQ(committedEditions().size(), 4);

    index.beginIndexing();
    index.index({edition(42, TarnolixConstants::Russian, {{QStringLiteral("1.2"), {{"atma", "душа"}}}})});
    index.finishIndexing();
    QStringList editions = committedEditions();
    editions.sort();
    EXPECT_EQ(editions, (QStringList{"en/42/1.1", "ru/42/1.2", "ru/7/2.1"}));
    EXPECT_EQ(index.contentFields().size(), 3u) << "a second run adds no field names";
    std::vector<std::wstring> names;
    for (const FTFieldName& name : index.contentFields())
        names.push_back(name.toString());
    EXPECT_EQ(names, (std::vector<std::wstring>{L"cts1Awwo", L"cts1Ewwo", L"cts1Awwt"}));
}

// A batch of many editions in both languages: every edition keeps its own
// analysis and its pairs' order, and an edition given twice its last.
TEST_F(WordByWordIndexTest, ABatchOfManyEditionsIsIndexedWhole)
{
    constexpr int kBooks = 12;
    constexpr int kPairs = 40;
    std::vector<std::shared_ptr<WordByWordDataForIndex>> batch;
    for (int book = 1; book <= kBooks; ++book) {
        for (const Language language : {TarnolixConstants::English, TarnolixConstants::Russian}) {
            WordByWordDataForIndex::PairsBySection pairs;
            for (const QString& code : {QStringLiteral("1.1"), QStringLiteral("1.2")}) {
                for (int i = 0; i < kPairs; ++i)
                    pairs[code].emplace_back(QStringLiteral("w%1").arg(i), QStringLiteral("книги"));
            }
            batch.push_back(edition(book, language, pairs));
        }
    }
    // Book 1 in English again, shorter: it replaces the first.
    batch.push_back(edition(1, TarnolixConstants::English, {{QStringLiteral("9.9"), {{"atma", "книги"}}}}));

    // "section/original" of each edition's documents, in the order given.
    std::map<QString, QStringList> expected;
    for (const auto& data : batch) {
        QStringList& documents = expected[languageToString(data->language) + QLatin1Char('/')
                                          + QString::number(data->book->id)];
        documents.clear();
        for (auto section = data->pairs.cbegin(); section != data->pairs.cend(); ++section) {
            for (const auto& pair : section.value())
                documents << section.key() + QLatin1Char('/') + pair.first;
        }
    }

    WordByWordIndex index;
    index.open();
    index.beginIndexing();
    index.index(batch);
    index.finishIndexing();

    // Each edition's documents come in its own order.
    std::map<QString, QStringList> indexed;
    const Lucene::IndexReaderPtr reader = committedReader();
    for (int32_t doc = 0; doc < reader->maxDoc(); ++doc) {
        if (reader->isDeleted(doc))
            continue;
        const Lucene::DocumentPtr document = reader->document(doc);
        indexed[QString::fromStdWString(document->get(L"L") + L"/" + document->get(L"bid"))]
            << QString::fromStdWString(document->get(L"s") + L"/" + document->get(L"wwso"));
    }
    EXPECT_EQ(indexed, expected);

    // The Russian chain stems, the English one does not.
    EXPECT_EQ(test::hitCount(reader, L"cts1Awwt", {L"книг"}), kBooks * 2 * kPairs);
    EXPECT_EQ(test::hitCount(reader, L"cts1Awwt", {L"книги"}), (kBooks - 1) * 2 * kPairs + 1);
    reader->close();
}

TEST_F(WordByWordIndexTest, DeletingBooksRemovesEveryEditionOfThem)
{
    WordByWordIndex index;
    index.open();
    index.beginIndexing();
    index.index({edition(1, TarnolixConstants::English, {{QStringLiteral("1.1"), {{"a", "b"}}}}),
                 edition(1, TarnolixConstants::Russian, {{QStringLiteral("1.1"), {{"a", "б"}}}}),
                 edition(2, TarnolixConstants::English, {{QStringLiteral("2.1"), {{"c", "d"}}}}),
                 edition(3, TarnolixConstants::English, {{QStringLiteral("3.1"), {{"e", "f"}}}})});
    index.finishIndexing();

    index.close(true);
    MessageLog log;
    index.deleteBooks({});
    EXPECT_EQ(index.mode(), SearchIndex::Write) << "an empty list still opens the writer";
    index.deleteBooks({1, 3});
    EXPECT_EQ(log.texts(QtInfoMsg).count(QStringLiteral("WordByWordIndex::deleteBooks: Ok!")), 2);
    EXPECT_EQ(committedEditions().size(), 4) << "published when the run finishes";
    index.finishIndexing();
    EXPECT_EQ(committedEditions(), QStringList{"en/2/2.1"});
}

TEST_F(WordByWordIndexTest, Refusals)
{
    WordByWordIndex index;
    index.open();
    const auto data = edition(1, TarnolixConstants::English, {{QStringLiteral("1.1"), {{"a", "b"}}}});
    EXPECT_EQ(thrownText([&] { index.index({data}); }), "not initialized");

    index.beginIndexing();
    auto bookless = std::make_shared<WordByWordDataForIndex>(TarnolixConstants::English);
    EXPECT_EQ(thrownText([&] { index.index({bookless}); }), "WordByWordIndex::index: the book is not set");

    library.locations->setPreparedLibrary(true);
    EXPECT_EQ(thrownText([&] { index.index({data}); }), "Prepared library indexes are read-only");
    EXPECT_EQ(thrownText([&] { index.deleteBooks({1}); }), "Prepared library indexes are read-only");
    library.locations->setPreparedLibrary(false);

    MessageLog log;
    index.finishIndexing();
    EXPECT_TRUE(log.contains(QtInfoMsg, QStringLiteral("WordByWordIndex::finishIndexing: Ok!")));
    EXPECT_EQ(thrownText([&] { index.index({data}); }), "not initialized") << "the run is over";
}

TEST_F(WordByWordIndexTest, AFailedDeletionClosesTheIndexAndIsPassedOn)
{
    WordByWordIndex holder;
    holder.open(); // a new index: its writer stays open and holds the lock
    ASSERT_TRUE(holder.isWriterOpen());
    WordByWordIndex index;
    index.open();

    MessageLog log;
    EXPECT_THROW(index.deleteBooks({5}), Lucene::LockObtainFailedException);
    EXPECT_EQ(index.mode(), SearchIndex::Closed);
    EXPECT_TRUE(log.contains(QtInfoMsg, QStringLiteral("WordByWordIndex::deleteBooks: Lock obtain timed out")));
}

// A batch whose documents cannot be written (a full disk) fails, closing
// the index returns at once with the batch rolled back, and the next run
// indexes as before.
TEST_F(WordByWordIndexTest, AFailedBatchRollsBackAndTheNextRunWorks)
{
    const auto pairs = [](const QString& word) {
        return WordByWordDataForIndex::PairsBySection{{QStringLiteral("1.1"), {{word, QStringLiteral("книги")}}}};
    };
    FaultyWordByWordIndex index;
    index.open();
    index.beginIndexing();
    index.index({edition(1, TarnolixConstants::English, pairs(QStringLiteral("atma")))});
    index.finishIndexing();
    ASSERT_EQ(committedEditions(), QStringList{QStringLiteral("en/1/1.1")});

    std::vector<std::shared_ptr<WordByWordDataForIndex>> batch;
    for (int book = 2; book <= 13; ++book) {
        batch.push_back(edition(book, TarnolixConstants::English, pairs(QStringLiteral("yoga"))));
        batch.push_back(edition(book, TarnolixConstants::Russian, pairs(QStringLiteral("dharma"))));
    }
    index.beginIndexing();
    index.faults->failingWrites = -1;
    EXPECT_THROW(index.index(batch), std::exception);
    EXPECT_GT(index.faults->failures.load(), 0) << "the documents' files were refused";
    index.faults->failingWrites = 0;
    index.close(true);
    EXPECT_EQ(index.mode(), SearchIndex::Closed);
    EXPECT_EQ(committedEditions(), QStringList{QStringLiteral("en/1/1.1")}) << "nothing of the failed batch is kept";

    index.open();
    index.beginIndexing();
    index.index({edition(2, TarnolixConstants::Russian, pairs(QStringLiteral("dharma")))});
    index.finishIndexing();
    EXPECT_EQ(committedEditions(), (QStringList{QStringLiteral("en/1/1.1"), QStringLiteral("ru/2/1.1")}));
}

// A process killed while it created the index leaves a cut segments file
// and nothing else: the next open creates the index again. Beside segment
// data the same damage is not papered over.
TEST_F(WordByWordIndexTest, AnIndexWhoseCreationWasCutIsCreatedAgain)
{
    const QString path = library.locations->index2Path();
    ASSERT_TRUE(QDir().mkpath(path));
    const auto write = [&](const QString& name, const QByteArray& data) {
        QFile file(path + QLatin1Char('/') + name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(data);
    };
    write(QStringLiteral("segments_1"), QByteArray("\xff\xff\xff\xfd\x00\x00", 6));
    {
        WordByWordIndex index;
        index.open();
        index.beginIndexing();
        index.index({edition(1, TarnolixConstants::English,
                             {{QStringLiteral("1.1"), {{QStringLiteral("atma"), QStringLiteral("книги")}}}})});
        index.finishIndexing();
        EXPECT_EQ(committedEditions(), QStringList{QStringLiteral("en/1/1.1")});
    }

    for (const QString& name : QDir(path).entryList(QDir::Files))
        QFile::remove(path + QLatin1Char('/') + name);
    write(QStringLiteral("segments_1"), QByteArray("\xff\xff\xff\xfd\x00\x00", 6));
    write(QStringLiteral("_0.cfs"), QByteArray("data"));
    WordByWordIndex index;
    EXPECT_THROW(index.open(), std::exception);
    EXPECT_TRUE(QFile::exists(path + QStringLiteral("/_0.cfs")));
}

} // namespace
