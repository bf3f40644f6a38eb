// Occurrence counts of the query being typed: what is counted, the phrase
// total against the words' positions, the active library, and that only the
// newest request's answer is taken.
#include "search/searchers/FTSearchRecords.h"
#include "search/searchers/NumberOccurrencesHelper.h"
#include "search/searchers/SearchSettingsCreator.h"
#include "tests/pages/FakePageServices.h"
#include "tests/search_run/SearchLibrary.h"
#include "tests/support/MessageLog.h"
#include "tests/support/TestSupport.h"

#include <LuceneHeaders.h>
#include <QueryWrapperFilter.h>

#include <QJsonDocument>
#include <QSignalSpy>
#include <QSqlQuery>

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace tarnolix;
using namespace tarnolix::test;
using C = TarnolixConstants;

namespace {

struct Count
{
    int total;
    std::vector<std::pair<QString, int>> terms;
};

QVariant expected(const Count& count)
{
    QVariantList terms;
    for (const auto& [term, freq] : count.terms)
        terms.append(QVariantMap{{QStringLiteral("term"), term}, {QStringLiteral("freq"), freq}});
    return QVariantMap{{QStringLiteral("totalFreq"), count.total}, {QStringLiteral("terms"), terms}};
}

std::string describe(const QVariant& result)
{
    if (!result.isValid())
        return "invalid";
    return QJsonDocument::fromVariant(result).toJson(QJsonDocument::Compact).toStdString();
}

// A helper bound to a full-text creator over the English library.
class Counting
{
public:
    Counting()
    {
        creator.setLanguage(C::English);
        creator.setSearchType(C::FullText);
        creator.setSearchAreaTranslate(true);
        helper.setSearchSettingsCreator(&creator);
    }

    // Types `query` and waits for the worker's answer to be taken or dropped.
    QVariant countFor(const QString& query)
    {
        QSignalSpy active(&helper, &NumberOccurrencesHelper::activeChanged);
        creator.setQuery(query);
        EXPECT_TRUE(waitUntil([&] { return active.count() >= 2 && !helper.active(); }, 30000)) << query.toStdString();
        return helper.getResult();
    }

    FakePageServices services;
    SearchSettingsCreator creator;
    NumberOccurrencesHelper helper;
};

using NumberOccurrencesTest = SearchLibraryTest;

} // namespace

// alpha 7 (1 in book 2), beta 5, gamma 2; see the library's paragraphs.
TEST_F(NumberOccurrencesTest, CountsOnlyQueriesOfPlainWordsOfThreeLettersOrMore)
{
    struct Row
    {
        const char* query;
        QVariant result;
    };
    const QVariant invalid;
    const Row rows[] = {
        {"ab", invalid},
        {"x y", invalid},
        {"x y z", expected({0, {{"x", 0}, {"y", 0}, {"z", 0}}})},
        {"alpha", expected({7, {{"alpha", 7}}})},
        {"ALPHA alpha", expected({7, {{"alpha", 7}}})},
        {"gamma beta", expected({2, {{"gamma", 2}, {"beta", 5}}})},
        {"\"alpha beta\"", invalid},
        {"alph*", invalid},
        {"al?ha", invalid},
        {"alpha~", invalid},
        {"\"alpha beta\"@3", invalid},
        {"\"alpha beta\"/3", invalid},
        {"beta", expected({5, {{"beta", 5}}})},
    };
    Counting counting;
    for (const Row& row : rows) {
        const QVariant result = counting.countFor(QString::fromUtf8(row.query));
        EXPECT_EQ(describe(result), describe(row.result)) << row.query;
    }
}

TEST_F(NumberOccurrencesTest, CountsInsideTheScopeAndLogsItsTimes)
{
    Counting counting;
    counting.creator.setSearchInBook(1);
    MessageLog log;
    EXPECT_EQ(describe(counting.countFor(QStringLiteral("alpha"))), describe(expected({6, {{"alpha", 6}}})));
    EXPECT_TRUE(log.texts(QtInfoMsg).contains(QStringLiteral("NumberOccurrences for: alpha")));
    const QStringList times = log.texts(QtInfoMsg).filter(QStringLiteral("NumberOccurrences time: "));
    ASSERT_EQ(times.size(), 1);
    EXPECT_TRUE(times.front().contains(QStringLiteral("milliseconds(searchDuration=")));
}

TEST_F(NumberOccurrencesTest, OnlyTheNewestRequestsAnswerIsTaken)
{
    Counting counting;
    QList<QVariant> taken;
    QObject::connect(&counting.helper, &NumberOccurrencesHelper::finished,
                     [&] { taken.append(counting.helper.getResult()); });
    // Three requests before the worker's answers can be delivered.
    counting.creator.setQuery(QStringLiteral("alpha"));
    counting.creator.setQuery(QStringLiteral("beta"));
    counting.creator.setQuery(QStringLiteral("gamma"));
    const QVariant gamma = expected({2, {{"gamma", 2}}});
    ASSERT_TRUE(waitUntil([&] { return !taken.isEmpty(); }, 30000));
    waitUntil([&] { return false; }, 300);
    ASSERT_EQ(taken.size(), 1);
    EXPECT_EQ(describe(taken.front()), describe(gamma));

    // Answers that come late: an older id, or the current id with other settings.
    const SearchSettingsConstPtr current = counting.helper.currentSettings();
    const int id = int(counting.helper.requestId());
    const QVariant other = expected({1, {{"zeta", 1}}});
    counting.helper.threadCompleted(current, id - 1, other);
    counting.helper.threadCompleted(settingsFor(QStringLiteral("gamma")), id, other);
    EXPECT_EQ(taken.size(), 1);
    counting.helper.threadCompleted(current, id, other);
    EXPECT_EQ(taken.size(), 2);
    EXPECT_EQ(describe(counting.helper.getResult()), describe(other));
}

TEST_F(NumberOccurrencesTest, AnEqualResultIsNotAnnouncedAndAResetClearsTheCounts)
{
    Counting counting;
    QSignalSpy finished(&counting.helper, &NumberOccurrencesHelper::finished);
    counting.countFor(QStringLiteral("beta"));
    EXPECT_EQ(finished.count(), 1);
    counting.countFor(QStringLiteral("Beta"));
    EXPECT_EQ(finished.count(), 1);

    // Another search type: the request is dropped and the counts cleared.
    counting.creator.setSearchType(C::GlossarySearch);
    EXPECT_FALSE(counting.countFor(QStringLiteral("alpha")).isValid());
    EXPECT_EQ(finished.count(), 2);

    counting.creator.setSearchType(C::FullText);
    EXPECT_TRUE(counting.countFor(QStringLiteral("beta")).isValid());
    // A catalogue filter without a catalogue: no valid scope.
    counting.creator.setSearchFilter(true);
    EXPECT_FALSE(counting.countFor(QStringLiteral("alpha")).isValid());
}

TEST_F(NumberOccurrencesTest, AClosedIndexIsAnErrorNotACrash)
{
    Counting counting;
    EXPECT_TRUE(counting.countFor(QStringLiteral("beta")).isValid());
    setIndexWriterThreadLookup({});
    MessageLog log;
    EXPECT_FALSE(counting.countFor(QStringLiteral("alpha")).isValid());
    EXPECT_TRUE(log.texts(QtWarningMsg)
                    .contains(QStringLiteral("NumberOccurrencesHelper::thread: Error: Index writer thread is closed")));
}

// Book 2 (one "alpha") leaves the library: its edition row goes.
class NumberOccurrencesLibraryTest : public SearchLibraryTest
{
};

TEST_F(NumberOccurrencesLibraryTest, ABookOutsideTheLibraryAddsToNoCount)
{
    QSqlQuery remove(s_library->library.db().sqlDatabase());
    ASSERT_TRUE(remove.exec(QStringLiteral("DELETE FROM BookInfo1 WHERE id=2")));
    Counting counting;
    EXPECT_EQ(describe(counting.countFor(QStringLiteral("alpha"))), describe(expected({6, {{"alpha", 6}}})));
    EXPECT_EQ(describe(counting.countFor(QStringLiteral("alpha beta"))),
              describe(expected({3, {{"alpha", 6}, {"beta", 3}}})));
}

namespace {

// Documents of filler words holding "apple" and "pear" once each.
struct Placement
{
    int apple;
    int pear;
    int book;
};

Lucene::IndexReaderPtr placementIndex(const std::vector<Placement>& placements)
{
    const auto directory = Lucene::newLucene<Lucene::RAMDirectory>();
    const auto writer = Lucene::newLucene<Lucene::IndexWriter>(
        directory, Lucene::newLucene<Lucene::WhitespaceAnalyzer>(), true, Lucene::IndexWriter::MaxFieldLengthUNLIMITED);
    for (const Placement& p : placements) {
        std::vector<std::wstring> words(std::size_t(std::max(p.apple, p.pear) + 3), L"filler");
        words[std::size_t(p.apple)] = L"apple";
        words[std::size_t(p.pear)] = L"pear";
        std::wstring text;
        for (const std::wstring& word : words)
            text += word + L" ";
        const auto document = Lucene::newLucene<Lucene::Document>();
        document->add(Lucene::newLucene<Lucene::Field>(L"bid", std::to_wstring(p.book), Lucene::Field::STORE_YES,
                                                       Lucene::Field::INDEX_NOT_ANALYZED));
        document->add(
            Lucene::newLucene<Lucene::Field>(L"E", text, Lucene::Field::STORE_NO, Lucene::Field::INDEX_ANALYZED));
        writer->addDocument(document);
    }
    writer->close();
    return Lucene::IndexReader::open(directory, true);
}

QVariant countOn(const Lucene::IndexReaderPtr& reader, const QString& query, const Lucene::FilterPtr& library = {})
{
    FTSearchSettings settings(C::English);
    settings.setQuery(query);
    return countQueryOccurrences(settings, reader, Lucene::newLucene<Lucene::WhitespaceAnalyzer>(), library, [] {});
}

} // namespace

TEST(NumberOccurrencesTotal, TwoWordsCountWhereTheyStandWithinTwentyPositions)
{
    // Gaps in both orders around the edge of the slop.
    const std::vector<Placement> placements = {
        {0, 1, 1},   {0, 11, 1},  {0, 21, 1},  {0, 22, 1}, {3, 40, 1}, {10, 4, 1},
        {25, 5, 1},  {25, 6, 1},  {30, 10, 1}, {5, 5 + 21, 2}, {1, 2, 2},
    };
    const Lucene::IndexReaderPtr reader = placementIndex(placements);
    // Brute force: the phrase edit distance of two terms is how far the
    // second stands from the place right after the first.
    auto within = [](int first, int second) { return std::abs(second - (first + 1)) <= 20; };
    auto total = [&](bool appleFirst, int onlyBook) {
        int sum = 0;
        for (const Placement& p : placements) {
            if (onlyBook && p.book != onlyBook)
                continue;
            sum += appleFirst ? within(p.apple, p.pear) : within(p.pear, p.apple);
        }
        return sum;
    };
    const int all = int(placements.size());
    const int inBook1 = all - 2;
    EXPECT_EQ(describe(countOn(reader, QStringLiteral("apple pear"))),
              describe(expected({total(true, 0), {{"apple", all}, {"pear", all}}})));
    EXPECT_EQ(describe(countOn(reader, QStringLiteral("pear apple"))),
              describe(expected({total(false, 0), {{"pear", all}, {"apple", all}}})));
    // Only book 1 in the library.
    const Lucene::FilterPtr book1 = Lucene::newLucene<Lucene::QueryWrapperFilter>(
        Lucene::newLucene<Lucene::TermQuery>(Lucene::newLucene<Lucene::Term>(L"bid", L"1")));
    EXPECT_EQ(describe(countOn(reader, QStringLiteral("apple pear"), book1)),
              describe(expected({total(true, 1), {{"apple", inBook1}, {"pear", inBook1}}})));
}

TEST(NumberOccurrencesTotal, LettersAreCountedInUtf16Units)
{
    const Lucene::IndexReaderPtr reader = placementIndex({{0, 1, 1}});
    // U+1D538 takes two units: with "b" that makes three.
    EXPECT_TRUE(countOn(reader, QString::fromUtf8("\xF0\x9D\x94\xB8 b")).isValid());
    EXPECT_FALSE(countOn(reader, QString::fromUtf8("\xC3\xA9 b")).isValid());
}
