// Our parser against the stock Lucene++ QueryParser with the same analyzer
// and the classic options (default operator, leading wildcards): on texts in
// which no token begins with "@", "/" or NUL, every syntax and term error
// must have the same text, and every query the same form, except where ours
// differs by design:
//   - a quoted phrase without suffix searches the exact-match field, so
//     queries are compared only when every phrase has a "~" suffix;
//   - a fuzzy similarity of 1.0 is our own similarity error, where the stock
//     parser lets FuzzyQuery's IllegalArgumentException out.
// Texts with NUL are left out: the stock StringReader copies with wcsncpy,
// which turns everything after a NUL into NULs.

#include "search/index/Analyzers.h"
#include "search/query/QueryParser.h"

#include "QueryGenerator.h"
#include "QueryLexing.h"

#include <QueryParser.h>

#include <gtest/gtest.h>

using namespace tarnolix;
using tarnolix::test::printable;

namespace {

struct Outcome
{
    enum Kind { Query, ParseError, OtherError } kind = Query;
    std::wstring text;
};

template <class Parser>
Outcome outcome(const boost::shared_ptr<Parser>& parser, const std::wstring& text)
{
    try {
        return {Outcome::Query, parser->parse(text)->toString()};
    } catch (const Lucene::QueryParserError& e) {
        return {Outcome::ParseError, e.getError()};
    } catch (const Lucene::LuceneException& e) {
        return {Outcome::OtherError, e.getError()};
    }
}

// Whether every quoted phrase of the text carries a "~" suffix.
bool phrasesHaveSlop(const std::wstring& text)
{
    const test::Lexed lexed = test::lexAll<QueryParserTokenManager>(text);
    for (std::size_t i = 0; i < lexed.tokens.size(); ++i) {
        if (lexed.tokens[i].kind == QueryParserConstants::QUOTED
            && (i + 1 == lexed.tokens.size() || lexed.tokens[i + 1].kind != QueryParserConstants::FUZZY_SLOP))
            return false;
    }
    return true;
}

class QueryParserOracle : public ::testing::TestWithParam<bool>
{
protected:
    // Both parsers made fresh for every text, with the classic options of
    // the run: OR and no leading wildcards, or AND with them.
    void expectSameAsStock(const std::wstring& text)
    {
        const bool andOperator = GetParam();
        const auto ours = Lucene::newLucene<QueryParser>(Lucene::LuceneVersion::LUCENE_30, L"A", m_analyzer);
        const auto stock = Lucene::newLucene<Lucene::QueryParser>(Lucene::LuceneVersion::LUCENE_30, L"A", m_analyzer);
        if (andOperator) {
            ours->setDefaultOperator(QueryParser::Operator::AND);
            ours->setLeadingWildcardAllowed(true);
            stock->setDefaultOperator(Lucene::QueryParser::AND_OPERATOR);
            stock->setAllowLeadingWildcard(true);
        }
        const Outcome mine = outcome(ours, text);
        const Outcome theirs = outcome(stock, text);
        const std::string context = "text \"" + printable(text) + '"';
        if (theirs.kind == Outcome::OtherError && theirs.text == L"minimumSimilarity >= 1") {
            EXPECT_EQ(mine.kind, Outcome::ParseError) << context;
            EXPECT_EQ(mine.text, L"Cannot parse '" + text
                          + L"': Minimum similarity for a FuzzyQuery has to be between 0.0 and 1.0")
                << context;
            ++m_similarityErrors;
            return;
        }
        ASSERT_EQ(mine.kind, theirs.kind) << context << "\nours:  " << printable(mine.text)
                                          << "\nstock: " << printable(theirs.text);
        if (mine.kind != Outcome::Query) {
            EXPECT_EQ(printable(mine.text), printable(theirs.text)) << context;
            ++m_errors;
        } else if (phrasesHaveSlop(text)) {
            EXPECT_EQ(printable(mine.text), printable(theirs.text)) << context;
            ++m_queries;
        }
    }

    const boost::shared_ptr<EnglishAnalyzer> m_analyzer
        = Lucene::newLucene<EnglishAnalyzer>(Lucene::LuceneVersion::LUCENE_30);
    int m_errors = 0;
    int m_queries = 0;
    int m_similarityErrors = 0;
};

TEST_P(QueryParserOracle, EdgesOfTheGrammar)
{
    static const wchar_t* const texts[] = {
        L"", L" ", L"a", L"the", L"title:(a", L"(a", L"a)", L"a:", L":a", L"*:", L"*:*", L"a:b:c", L"a^", L"a^2",
        L"a^2.5", L"a^2^3", L"(a b)^2", L"(a)^", L"a~", L"a~0.3", L"a~1.5", L"a~2^3~0.2", L"a~^2", L"\"a b\"~3",
        L"\"a b\"~", L"\"a b\"~3^2", L"\"a b\"^2~3", L"\"a", L"\"\"~1", L"[a TO b]", L"{a TO b}", L"[a b]", L"[a TO",
        L"[a TO b", L"[\"a b\" TO \"c\"]", L"{a TO b]", L"[2001-01-02 TO 2002-03-04]", L"a AND", L"AND a",
        L"a AND OR b", L"a OR NOT b", L"+-a", L"-+a", L"!a", L"a && b || !c", L"a -b +c", L"NOT", L"+", L"a +",
        L"a*", L"*a", L"?a", L"a*b?c", L"*", L"**", L"\\", L"a\\", L"\\u0041b", L"\\u00", L"\\u00g1", L"a\\:b:c",
        L"a b c d e f g h", L"((a))", L"((a) b) -(c)", L"a^ 2", L"x:\"a b\"~2", L"a TO b", L"TO",
    };
    for (const wchar_t* text : texts)
        expectSameAsStock(text);
    EXPECT_GT(m_queries, 20);
}

TEST_P(QueryParserOracle, SeededRandomQueries)
{
    test::QueryGenerator generator(GetParam() ? 97531 : 13579);
    for (int i = 0; i < 20000 && !HasFailure(); ++i) {
        const std::wstring text = generator.query();
        if (text.find(L'\0') == std::wstring::npos)
            expectSameAsStock(text);
    }
    // The run must have compared plenty of each.
    EXPECT_GT(m_errors, 5000);
    EXPECT_GT(m_queries, 1000);
    EXPECT_GT(m_similarityErrors, 100);
}

INSTANTIATE_TEST_SUITE_P(Operators, QueryParserOracle, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) { return info.param ? "And" : "Or"; });

} // namespace
