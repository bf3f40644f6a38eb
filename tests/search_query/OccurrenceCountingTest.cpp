// Occurrences counted while hits are collected, against a count over the
// analysed text of every hit.
#include "search/index/ScopeQueries.h"
#include "search/index/ScoreDocEx.h"
#include "search/index/StringReader.h"
#include "search/query/CountingQueries.h"
#include "search/query/QueryFactory.h"
#include "search/query/QueryParser.h"
#include "search/query/ResultCollector.h"
#include "tests/search_index/TokenStreamText.h"
#include "tests/search_query/HitIndex.h"

#include <SpanTermQuery.h>

#include <gtest/gtest.h>

#include <cmath>
#include <map>

using namespace tarnolix;
using Lucene::newLucene;
using tarnolix::test::HitIndex;

namespace {

std::string utf8(const Lucene::String& text)
{
    return Lucene::StringUtils::toUTF8(text);
}

// One required part of a query: a term when `words` has one entry, else an
// exact phrase, on `field`.
struct Part
{
    std::wstring field;
    std::vector<std::wstring> words;
};

// How often `part` occurs in `text` as the index analyses it.
int bruteForceCount(const Lucene::AnalyzerPtr& analyzer, const std::wstring& text, const Part& part)
{
    std::vector<std::wstring> positions;
    for (const test::Token& token :
         test::tokens(analyzer->tokenStream(part.field, newLucene<StringReader>(text)))) {
        for (int32_t gap = 1; gap < token.increment; ++gap)
            positions.emplace_back();
        positions.push_back(token.term);
    }
    int count = 0;
    for (std::size_t start = 0; start + part.words.size() <= positions.size(); ++start) {
        bool match = true;
        for (std::size_t i = 0; i < part.words.size() && match; ++i)
            match = positions[start + i] == part.words[i];
        count += match ? 1 : 0;
    }
    return count;
}

struct Counted
{
    std::map<int32_t, float> perHit;
    double total = 0;
};

Counted countWhileCollecting(const HitIndex& index, const Lucene::QueryPtr& query)
{
    const auto collector = newLucene<ResultCollector>(true, index.reader->maxDoc());
    index.searcher->search(query, Lucene::FilterPtr(), collector);
    Counted counted;
    counted.total = collector->totalOccurrences();
    const Lucene::TopDocsPtr top = collector->topDocs();
    for (const Lucene::ScoreDocPtr& scoreDoc : top->scoreDocs)
        counted.perHit[scoreDoc->doc] = boost::static_pointer_cast<ScoreDocEx>(scoreDoc)->occurrences;
    return counted;
}

// Segments in which a scorer left standing at the end of one segment would
// sit on a hit's number in the next.
const test::Segments kSegments = {
    {{L"1", L"Rama and Sita went with rama"}, {L"1", L"rama rama rama"}},
    {{L"2", L"krishna"}, {L"2", L"rama sita rama sita krishna"}},
    {{L"3", L"sita rama"}, {L"3", L"Ráma Sita and rama sita, RAMA"}, {L"4", L"sita sita"}},
};

} // namespace

TEST(OccurrenceCounting, TermsAndExactPhrasesCountAsTheTextDoes)
{
    HitIndex index(kSegments);
    ASSERT_EQ(index.segmentCount(), 3);
    std::vector<std::wstring> texts;
    for (const auto& segment : kSegments) {
        for (const auto& document : segment)
            texts.push_back(document.text);
    }

    struct Row
    {
        const wchar_t* query;
        std::vector<Part> parts;
    };
    const Row rows[] = {
        {L"rama", {{L"A", {L"rama"}}}},
        {L"rama sita", {{L"A", {L"rama"}}, {L"A", {L"sita"}}}},
        {L"sita rama krishna", {{L"A", {L"sita"}}, {L"A", {L"rama"}}, {L"A", {L"krishna"}}}},
        {L"\"rama sita\"", {{L"E", {L"rama", L"sita"}}}},
        {L"\"sita rama\" sita", {{L"E", {L"sita", L"rama"}}, {L"A", {L"sita"}}}},
        {L"\"rama sita\" krishna", {{L"E", {L"rama", L"sita"}}, {L"A", {L"krishna"}}}},
    };
    for (const Row& row : rows) {
        // As the occurrence counter and the exact search parse: every clause
        // required, plain words stay terms.
        const auto parser = newLucene<QueryParser>(Lucene::LuceneVersion::LUCENE_CURRENT, L"A", index.analyzer);
        parser->setDefaultOperator(QueryParser::Operator::AND);
        const Lucene::QueryPtr parsed = parser->parse(row.query);

        std::map<int32_t, float> expected;
        double expectedTotal = 0;
        for (int32_t doc = 0; doc < int32_t(texts.size()); ++doc) {
            int count = 0;
            bool all = true;
            for (const Part& part : row.parts) {
                const int partCount = bruteForceCount(index.analyzer, texts[std::size_t(doc)], part);
                all = all && partCount > 0;
                count += partCount;
            }
            if (all) {
                expected[doc] = float(count);
                expectedTotal += count;
            }
        }
        ASSERT_FALSE(expected.empty()) << utf8(row.query);

        // Alone, and inside a scope query as the searches run it.
        for (const Lucene::QueryPtr& query : std::vector<Lucene::QueryPtr>{parsed, restrictQueryToScope({}, parsed)}) {
            const Counted counted = countWhileCollecting(index, query);
            EXPECT_EQ(counted.perHit, expected) << utf8(query->toString());
            EXPECT_EQ(counted.total, expectedTotal) << utf8(query->toString());

            // With room for no hit the collector only counts: the same total,
            // no hit kept.
            const auto countOnly = newLucene<ResultCollector>(true, 0);
            index.searcher->search(query, Lucene::FilterPtr(), countOnly);
            EXPECT_EQ(countOnly->totalOccurrences(), expectedTotal) << utf8(query->toString());
            EXPECT_EQ(countOnly->hitCount(), int32_t(expected.size())) << utf8(query->toString());
            EXPECT_EQ(countOnly->topDocs()->scoreDocs.size(), 0);
            EXPECT_EQ(countOnly->bookCount(), 0u);
        }
    }
}

TEST(OccurrenceCounting, ASloppyPhraseAddsItsFrequencyRoundedUp)
{
    // With slop 2 a match one word apart scores 1/2, two words apart 1/3.
    HitIndex index({{{L"1", L"rama x sita"}, {L"2", L"rama x y sita"}},
                    {{L"3", L"rama sita"}, {L"4", L"rama x sita p q r s t rama x sita"}},
                    {{L"5", L"rama x sita p q r s t rama x sita p q r s t rama x sita"}}});
    const auto parser = newLucene<QueryParser>(Lucene::LuceneVersion::LUCENE_CURRENT, L"E", index.analyzer);
    const Counted counted = countWhileCollecting(index, parser->parse(L"\"rama sita\"~2"));
    // 0.5, 0.33, 1, 0.5 + 0.5 and 3 * 0.5.
    EXPECT_EQ(counted.perHit, (std::map<int32_t, float>{{0, 1.f}, {1, 1.f}, {2, 1.f}, {3, 1.f}, {4, 2.f}}));
    EXPECT_EQ(counted.total, 6.0);
}

TEST(OccurrenceCounting, OnlyCountingScorersOnContentFieldsOrWithoutTermsCount)
{
    HitIndex index({{{L"5", L"rama sita rama"}, {L"6", L"rama"}}, {{L"5", L"sita rama"}}});
    const auto term = [](const wchar_t* field, const wchar_t* text) {
        return makeTermQuery(newLucene<Lucene::Term>(field, text));
    };
    const auto phrase = [](const wchar_t* field) {
        const Lucene::PhraseQueryPtr query = makePhraseQuery();
        query->add(newLucene<Lucene::Term>(field, L"rama"));
        query->add(newLucene<Lucene::Term>(field, L"sita"));
        return query;
    };
    const auto both = [](const Lucene::QueryPtr& first, const Lucene::QueryPtr& second) {
        const auto query = newLucene<Lucene::BooleanQuery>();
        query->add(first, Lucene::BooleanClause::MUST);
        query->add(second, Lucene::BooleanClause::MUST);
        return query;
    };

    struct Row
    {
        std::string name;
        Lucene::QueryPtr query;
        std::map<int32_t, float> expected;
    };
    const Row rows[] = {
        // Term scorers on fields that name no content add nothing.
        {"bid", both(term(L"A", L"rama"), term(L"bid", L"5")), {{0, 2.f}, {2, 1.f}}},
        {"s", both(term(L"A", L"rama"), term(L"s", L"1.1")), {{0, 2.f}}},
        {"notes term", both(term(L"A", L"sita"), term(L"notes", L"rama")), {{0, 1.f}, {2, 1.f}}},
        // A phrase scorer is no term scorer: counted on any field.
        {"notes phrase", phrase(L"notes"), {{0, 1.f}}},
        // The stock kinds report nothing.
        {"stock", newLucene<Lucene::TermQuery>(newLucene<Lucene::Term>(L"A", L"rama")), {{0, 0.f}, {1, 0.f}, {2, 0.f}}},
    };
    for (const Row& row : rows) {
        const Counted counted = countWhileCollecting(index, row.query);
        EXPECT_EQ(counted.perHit, row.expected) << row.name;
    }

    // A collector that does not count leaves everything at 0.
    const auto quiet = newLucene<ResultCollector>(false, index.reader->maxDoc());
    index.searcher->search(term(L"A", L"rama"), Lucene::FilterPtr(), quiet);
    EXPECT_EQ(quiet->totalOccurrences(), 0.0);
    const Lucene::TopDocsPtr top = quiet->topDocs();
    for (const Lucene::ScoreDocPtr& scoreDoc : top->scoreDocs)
        EXPECT_EQ(boost::static_pointer_cast<ScoreDocEx>(scoreDoc)->occurrences, 0.f);
}

// An optional clause's scorer moves only when a hit is scored, so it can
// stop on a document number of its segment that is a hit's number in the
// next one.
TEST(OccurrenceCounting, NoScorerOfAnEarlierSegmentCountsInALaterOne)
{
    HitIndex index({{{L"1", L"rama"}, {L"1", L"krishna"}, {L"1", L"sita"}},
                    {{L"2", L"sita"}, {L"2", L"radha"}, {L"2", L"rama"}}});
    const auto query = newLucene<Lucene::BooleanQuery>();
    query->add(makeTermQuery(newLucene<Lucene::Term>(L"A", L"rama")), Lucene::BooleanClause::MUST);
    query->add(makeTermQuery(newLucene<Lucene::Term>(L"A", L"sita")), Lucene::BooleanClause::SHOULD);
    const Counted counted = countWhileCollecting(index, query);
    EXPECT_EQ(counted.perHit, (std::map<int32_t, float>{{0, 1.f}, {5, 1.f}}));
    EXPECT_EQ(counted.total, 2.0);
}

// The counting kinds read, compare, clone and rewrite as the stock kinds do.
TEST(OccurrenceCounting, CountingQueriesStayStockQueriesToEveryoneElse)
{
    const Lucene::TermPtr rama = newLucene<Lucene::Term>(L"A", L"rama");
    const Lucene::TermPtr sita = newLucene<Lucene::Term>(L"A", L"sita");

    const Lucene::TermQueryPtr term = makeTermQuery(rama);
    const auto stockTerm = newLucene<Lucene::TermQuery>(rama);
    EXPECT_EQ(term->toString(), stockTerm->toString());
    EXPECT_TRUE(term->equals(stockTerm));
    EXPECT_TRUE(stockTerm->equals(term));
    EXPECT_TRUE(boost::dynamic_pointer_cast<CountingTermQuery>(term->clone()));

    const Lucene::PhraseQueryPtr phrase = makePhraseQuery();
    phrase->add(rama);
    phrase->add(sita);
    phrase->setSlop(3);
    const auto phraseCopy = boost::dynamic_pointer_cast<CountingPhraseQuery>(phrase->clone());
    ASSERT_TRUE(phraseCopy);
    EXPECT_EQ(utf8(phraseCopy->toString()), "A:\"rama sita\"~3");
    EXPECT_TRUE(phraseCopy->equals(phrase));

    auto clauses = Lucene::Collection<Lucene::SpanQueryPtr>::newInstance();
    clauses.add(newLucene<Lucene::SpanTermQuery>(rama));
    clauses.add(newLucene<Lucene::SpanTermQuery>(sita));
    const Lucene::SpanNearQueryPtr near = makeSpanNearQuery(clauses, 2, true);
    near->setBoost(2);
    const auto nearCopy = boost::dynamic_pointer_cast<CountingSpanNearQuery>(near->clone());
    ASSERT_TRUE(nearCopy);
    EXPECT_EQ(nearCopy->toString(), near->toString());
    EXPECT_TRUE(nearCopy->equals(near));
    EXPECT_EQ(utf8(near->toString()), "spanNear([A:rama, A:sita], 2, 1)^2.0");

    // A span-near query counts as its scorer's frequency says: a fraction
    // per match, rounded up per hit.
    HitIndex index({{{L"1", L"rama sita"}, {L"2", L"sita rama"}}, {{L"3", L"rama x x sita"}}});
    const Counted counted = countWhileCollecting(index, near);
    EXPECT_EQ(counted.perHit, (std::map<int32_t, float>{{0, 1.f}, {2, 1.f}}));
}
