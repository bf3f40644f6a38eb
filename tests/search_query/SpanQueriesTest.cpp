#include "search/query/QueryParser.h"
#include "search/query/SpanQueries.h"
#include "tests/search_query/HitIndex.h"
#include "tests/support/MessageLog.h"

#include <gtest/gtest.h>

#include <QRegularExpression>

#include <algorithm>
#include <numeric>
#include <stdexcept>

using namespace tarnolix;
using Lucene::newLucene;
using tarnolix::test::HitIndex;
using tarnolix::test::MessageLog;

namespace {

std::string utf8(const Lucene::String& text)
{
    return Lucene::StringUtils::toUTF8(text);
}

enum class Caller { ExactSearch, Search, Counter };

// The parser as each caller sets it up, reporting to `spans`.
QueryParserPtr parserFor(Caller caller, const HitIndex& index, const std::shared_ptr<SpanQueries>& spans)
{
    const auto parser = newLucene<QueryParser>(Lucene::LuceneVersion::LUCENE_CURRENT, L"A", index.analyzer);
    parser->setLeadingWildcardAllowed(true);
    parser->setQueryCollector(spans);
    if (caller != Caller::Counter) {
        parser->setDefaultOperator(QueryParser::Operator::AND);
        parser->setMergeTermsIntoPhrases(true);
        parser->setAnalyzedPrefixTerms(caller == Caller::Search);
    }
    return parser;
}

std::shared_ptr<SpanQueries> expanded(Caller caller, const HitIndex& index, const wchar_t* text,
                                      const SearchScope& scope = {})
{
    const auto spans = std::make_shared<SpanQueries>();
    parserFor(caller, index, spans)->parse(text);
    spans->init(scope, index.reader);
    return spans;
}

std::vector<std::string> termTexts(const SpanQueries& spans)
{
    std::vector<std::string> texts;
    for (const Lucene::TermPtr& term : spans.allTerms())
        texts.push_back(utf8(term->toString()));
    return texts;
}

std::vector<std::string> fieldNames(const SpanQueries& spans)
{
    std::vector<std::string> names;
    for (const Lucene::String& field : spans.fields())
        names.push_back(utf8(field));
    return names;
}

const test::Segments kLibrary = {
    {{L"1", L"rama sita krishna"}, {L"2", L"radha rama"}},
    {{L"3", L"sita rama x rama sita"}, {L"4", L"krishna"}},
};

} // namespace

TEST(SpanQueries, FastFreqOnlyWhereTheScorersGiveTheCount)
{
    HitIndex index(kLibrary);
    struct Row
    {
        Caller caller;
        const wchar_t* text;
        SearchScope scope;
        bool fastFreq;
    };
    SearchScope category;
    category.categories = {4};
    SearchScope book;
    book.books = {1};
    SearchScope section;
    section.sections = QStringList{QStringLiteral("1.1")};
    SearchScope oneBook;
    oneBook.searchInBook = 1;
    const Row rows[] = {
        // Plain words stay terms in an exact search (whose text the run
        // quotes) and for the counter.
        {Caller::ExactSearch, L"\"rama sita\"", {}, true},
        {Caller::ExactSearch, L"rama sita", {}, true},
        {Caller::Counter, L"rama", {}, true},
        {Caller::Counter, L"+rama +sita", {}, true},
        {Caller::ExactSearch, L"rama sita", oneBook, true},
        // The plain search makes words prefixes.
        {Caller::Search, L"rama", {}, false},
        {Caller::Counter, L"rama*", {}, false},
        {Caller::Counter, L"r?ma", {}, false},
        {Caller::Counter, L"rama sita", {}, false},
        {Caller::Counter, L"+rama -sita", {}, false},
        {Caller::Counter, L"\"rama sita\"@2", {}, false},
        {Caller::Counter, L"\"rama sita\"/2", {}, false},
        {Caller::ExactSearch, L"\"rama sita\"", category, false},
        {Caller::ExactSearch, L"\"rama sita\"", book, false},
        {Caller::ExactSearch, L"\"rama sita\"", section, false},
    };
    const QRegularExpression line(QStringLiteral("^SpanQueries::init: \\d+ms\\. elapsed\\. fast freq (\\w+)$"));
    for (const Row& row : rows) {
        MessageLog log;
        const auto spans = expanded(row.caller, index, row.text, row.scope);
        EXPECT_EQ(spans->fastFreq(), row.fastFreq) << utf8(row.text);
        const QStringList infos = log.texts(QtInfoMsg);
        ASSERT_EQ(infos.size(), 1) << utf8(row.text);
        const QRegularExpressionMatch match = line.match(infos.first());
        ASSERT_TRUE(match.hasMatch()) << infos.first().toStdString();
        EXPECT_EQ(match.captured(1), row.fastFreq ? "enabled" : "disabled");
    }
}

TEST(SpanQueries, ExpandsTermsPrefixesAndWildcardsIntoIndexTerms)
{
    HitIndex index(kLibrary);
    struct Row
    {
        const wchar_t* text;
        std::vector<std::string> terms;
        std::vector<std::string> fields;
    };
    const Row rows[] = {
        // A term stands as often as the query names it.
        {L"rama sita rama", {"A:rama", "A:sita", "A:rama"}, {"A"}},
        {L"ra*", {"A:radha", "A:rama"}, {"A"}},
        {L"r*a", {"A:radha", "A:rama"}, {"A"}},
        {L"s?ta", {"A:sita"}, {"A"}},
        {L"absent*", {}, {}},
        // Phrases name their field only.
        {L"\"rama sita\"", {}, {"E"}},
        {L"krishna \"rama sita\"", {"A:krishna"}, {"A", "E"}},
    };
    for (const Row& row : rows) {
        const auto spans = expanded(Caller::Counter, index, row.text);
        EXPECT_EQ(termTexts(*spans), row.terms) << utf8(row.text);
        EXPECT_EQ(fieldNames(*spans), row.fields) << utf8(row.text);
    }
    const auto twice = expanded(Caller::Counter, index, L"rama rama");
    EXPECT_EQ(twice->terms().at(L"A").size(), 1u);

    // A wildcard query without "*" or "?" (the parser makes none) adds at
    // most its own term.
    for (const auto& [text, expected] : std::vector<std::pair<const wchar_t*, std::vector<std::string>>>{
             {L"rama", {"A:rama"}}, {L"ram", {}}}) {
        SpanQueries spans;
        spans.collectWildcard(newLucene<Lucene::WildcardQuery>(newLucene<Lucene::Term>(L"A", text)));
        spans.init({}, index.reader);
        EXPECT_EQ(termTexts(spans), expected) << utf8(text);
    }
}

TEST(SpanQueries, QueriesNotExpandedAreNamedInWarnings)
{
    HitIndex index(kLibrary);
    MessageLog log;
    const auto spans = std::make_shared<SpanQueries>();
    const auto parser = parserFor(Caller::Counter, index, spans);
    parser->parse(L"[a TO z]");
    spans->init({}, index.reader);
    EXPECT_EQ(log.texts(QtWarningMsg), QStringList{QStringLiteral("termRangeQueries is not empty!!!")});
    EXPECT_TRUE(spans->allTerms().empty());
    EXPECT_TRUE(spans->terms().empty());
    EXPECT_TRUE(spans->fields().empty());

    log.clear();
    const auto all = std::make_shared<SpanQueries>();
    parserFor(Caller::Counter, index, all)->parse(L"*:* [a TO z] rama~0.6");
    all->collectMultiPhrase(newLucene<Lucene::MultiPhraseQuery>());
    all->init({}, index.reader);
    EXPECT_EQ(log.texts(QtWarningMsg), (QStringList{QStringLiteral("multiPhraseQueries is not empty!!!"),
                                                    QStringLiteral("matchAllDocsQueries is not empty!!!"),
                                                    QStringLiteral("termRangeQueries is not empty!!!")}));
    // Fuzzy terms are kept but not expanded.
    EXPECT_EQ(all->fuzzyQueries().size(), 1u);
    EXPECT_TRUE(all->allTerms().empty());
}

TEST(SpanQueries, ProximityMatchesArePositionsByIndexWideDocument)
{
    HitIndex index(kLibrary);
    const auto spans = expanded(Caller::Counter, index, L"\"rama sita\"@0");
    // Document 2 (the first of the second segment) matches twice.
    const auto matches = spans->findSpans(2);
    ASSERT_TRUE(matches);
    EXPECT_EQ(*matches, (SpanQueries::SpanList{{0, 2}, {3, 5}}));
    const auto first = spans->findSpans(0);
    ASSERT_TRUE(first);
    EXPECT_EQ(*first, (SpanQueries::SpanList{{0, 2}}));
    EXPECT_FALSE(spans->findSpans(1));
    EXPECT_FALSE(spans->findSpans(3));
    EXPECT_FALSE(spans->findSpans(99));
    EXPECT_EQ(fieldNames(*spans), std::vector<std::string>{"A"});

    const auto ordered = expanded(Caller::Counter, index, L"\"sita rama\"/0");
    EXPECT_EQ(*ordered->findSpans(2), (SpanQueries::SpanList{{0, 2}}));
    EXPECT_FALSE(ordered->findSpans(0));
}

// Walking the proximity matches of chosen documents only gives each of them
// the lists of the whole walk, across segments and long gaps, and nothing to
// the others.
TEST(SpanQueries, ProximityMatchesOfChosenDocumentsEqualThoseOfTheWholeWalk)
{
    tarnolix::test::Segments segments(3);
    for (int i = 0; i < 180; ++i) {
        std::wstring text = L"krishna";
        if (i % 3 == 0)
            text = L"rama sita";
        if (i % 10 == 0)
            text = L"sita and rama went, rama sita rama";
        segments[std::size_t(i / 60)].push_back({std::to_wstring(i % 7 + 1), text});
    }
    HitIndex index(segments);
    const int32_t maxDoc = index.reader->maxDoc();

    std::vector<int32_t> all(static_cast<std::size_t>(maxDoc), 0);
    std::iota(all.begin(), all.end(), 0);
    std::vector<int32_t> everySeventh, lastSegment, sparse;
    for (int32_t doc = 0; doc < maxDoc; ++doc) {
        if (doc % 7 == 0)
            everySeventh.push_back(doc);
        if (doc >= 120)
            lastSegment.push_back(doc);
    }
    sparse = {1, 30, 59, 60, 150, 179};

    for (const wchar_t* query : {L"\"rama sita\"@0", L"\"rama sita\"/0", L"\"sita rama\"@2"}) {
        const auto whole = expanded(Caller::Counter, index, query);
        for (const auto& [name, docs] : std::vector<std::pair<std::string, std::vector<int32_t>>>{
                 {"none", {}}, {"all", all}, {"every seventh", everySeventh}, {"last segment", lastSegment},
                 {"sparse", sparse}}) {
            const auto chosen = std::make_shared<SpanQueries>();
            parserFor(Caller::Counter, index, chosen)->parse(query);
            chosen->initWithoutSpans({}, index.reader);
            EXPECT_FALSE(chosen->findSpans(0)) << utf8(query) << " " << name;
            chosen->collectSpans(index.reader, docs);
            EXPECT_EQ(fieldNames(*chosen), fieldNames(*whole));
            int found = 0;
            for (int32_t doc = 0; doc < maxDoc; ++doc) {
                const auto expected = whole->findSpans(doc);
                const auto got = chosen->findSpans(doc);
                if (!std::binary_search(docs.begin(), docs.end(), doc) || !expected) {
                    EXPECT_FALSE(got) << utf8(query) << " " << name << " doc " << doc;
                    continue;
                }
                ASSERT_TRUE(got) << utf8(query) << " " << name << " doc " << doc;
                EXPECT_EQ(*got, *expected) << utf8(query) << " " << name << " doc " << doc;
                ++found;
            }
            if (name != "none") {
                EXPECT_GT(found, 0) << utf8(query) << " " << name;
            }
        }
    }
}

// A lone "*" or a one-letter prefix walks the whole vocabulary: the walk
// can be stopped, and each expansion takes a bounded number of terms.
TEST(SpanQueries, ExpansionsAreCappedAndStoppable)
{
    // Words of letters only: waaa, waab, ...
    const auto word = [](int i) {
        return std::wstring{L'w', wchar_t(L'a' + i / 676), wchar_t(L'a' + i / 26 % 26), wchar_t(L'a' + i % 26)};
    };
    std::wstring words;
    for (int i = 0; i < 300; ++i)
        words += L' ' + word(i);
    HitIndex index({{{L"1", words}, {L"2", L"rama wx"}}});

    {
        MessageLog log;
        const auto spans = std::make_shared<SpanQueries>();
        spans->setExpansionLimit(100);
        parserFor(Caller::Counter, index, spans)->parse(L"w* rama");
        spans->init({}, index.reader);
        // The plain term first, then the prefix's first hundred.
        ASSERT_EQ(spans->allTerms().size(), 101u);
        EXPECT_EQ(utf8(spans->allTerms()[0]->text()), "rama");
        EXPECT_EQ(spans->allTerms()[100]->text(), word(99));
        EXPECT_EQ(log.texts(QtWarningMsg),
                  QStringList{QStringLiteral("SpanQueries::init: A:w* expands to more than 100 terms; only "
                                             "their occurrences are counted!!!")});
    }
    {
        MessageLog log;
        const auto spans = expanded(Caller::Counter, index, L"*");
        EXPECT_EQ(spans->expansionLimit(), SpanQueries::DefaultExpansionLimit);
        EXPECT_EQ(spans->allTerms().size(), 302u) << "every term, the cap not reached";
        EXPECT_TRUE(log.texts(QtWarningMsg).isEmpty());
    }
    {
        int checks = 0;
        const auto spans = std::make_shared<SpanQueries>();
        parserFor(Caller::Counter, index, spans)->parse(L"w*");
        spans->init({}, index.reader, [&checks] { ++checks; });
        EXPECT_GE(checks, 2) << "checked during the walk, not only before it";

        const auto stopped = std::make_shared<SpanQueries>();
        parserFor(Caller::Counter, index, stopped)->parse(L"w*");
        int calls = 0;
        EXPECT_THROW(stopped->init({}, index.reader,
                                   [&calls] {
                                       if (++calls == 2)
                                           throw std::runtime_error("stop");
                                   }),
                     std::runtime_error);
        EXPECT_LT(stopped->allTerms().size(), 300u);
    }
}
