#include "search/index/Analyzers.h"
#include "search/query/QueryParser.h"

#include "tests/support/MessageLog.h"

#include <FuzzyQuery.h>
#include <PositionIncrementAttribute.h>
#include <TermAttribute.h>

#include <gtest/gtest.h>

#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <clocale>
#include <string>
#include <vector>

using namespace tarnolix;
using Lucene::newLucene;

namespace {

std::string utf8(const std::wstring& text)
{
    return Lucene::StringUtils::toUTF8(text);
}

boost::shared_ptr<EnglishAnalyzer> english()
{
    return newLucene<EnglishAnalyzer>(Lucene::LuceneVersion::LUCENE_30);
}

// Splits on spaces; "a|b" gives b at the position of a, as a synonym filter
// would, and "_" is a word the analysis drops.
class AlternativesStream : public Lucene::TokenStream
{
public:
    explicit AlternativesStream(const std::wstring& text)
    {
        m_term = addAttribute<Lucene::TermAttribute>();
        m_increment = addAttribute<Lucene::PositionIncrementAttribute>();
        int32_t gap = 1;
        std::size_t start = 0;
        while (start <= text.size()) {
            std::size_t end = text.find(L' ', start);
            if (end == std::wstring::npos)
                end = text.size();
            const std::wstring word = text.substr(start, end - start);
            if (word == L"_") {
                ++gap;
            } else if (!word.empty()) {
                std::size_t from = 0;
                for (;;) {
                    const std::size_t bar = word.find(L'|', from);
                    m_tokens.push_back({word.substr(from, bar == std::wstring::npos ? bar : bar - from),
                                        from == 0 ? gap : 0});
                    if (bar == std::wstring::npos)
                        break;
                    from = bar + 1;
                }
                gap = 1;
            }
            start = end + 1;
        }
    }

    bool incrementToken() override
    {
        if (m_next >= m_tokens.size())
            return false;
        clearAttributes();
        m_term->setTermBuffer(m_tokens[m_next].first);
        m_increment->setPositionIncrement(m_tokens[m_next].second);
        ++m_next;
        return true;
    }

private:
    Lucene::TermAttributePtr m_term;
    Lucene::PositionIncrementAttributePtr m_increment;
    std::vector<std::pair<std::wstring, int32_t>> m_tokens;
    std::size_t m_next = 0;
};

class AlternativesAnalyzer : public Lucene::Analyzer
{
public:
    Lucene::TokenStreamPtr tokenStream(const Lucene::String&, const Lucene::ReaderPtr& reader) override
    {
        std::wstring text;
        for (int32_t c = reader->read(); c != Lucene::Reader::READER_EOF; c = reader->read())
            text += wchar_t(c);
        return newLucene<AlternativesStream>(text);
    }
};

// Writes down every report, in order, by operation.
class RecordingCollector final : public QueryCollector
{
public:
    struct Report
    {
        std::string operation;
        Lucene::QueryPtr query;
    };

    void collectWildcard(const Lucene::WildcardQueryPtr& q) override { m_reports.push_back({"Wildcard", q}); }
    void collectMatchAll(const Lucene::MatchAllDocsQueryPtr& q) override { m_reports.push_back({"MatchAll", q}); }
    void collectRange(const Lucene::TermRangeQueryPtr& q) override { m_reports.push_back({"Range", q}); }
    void collectFuzzy(const Lucene::FuzzyQueryPtr& q) override { m_reports.push_back({"Fuzzy", q}); }
    void collectPrefix(const Lucene::PrefixQueryPtr& q) override { m_reports.push_back({"Prefix", q}); }
    void collectMultiPhrase(const Lucene::MultiPhraseQueryPtr& q) override
    {
        m_reports.push_back({"MultiPhrase", q});
    }
    void collectPhrase(const Lucene::PhraseQueryPtr& q) override { m_reports.push_back({"Phrase", q}); }
    void collectTerm(const Lucene::TermQueryPtr& q) override { m_reports.push_back({"Term", q}); }
    void collectBoolean(const Lucene::BooleanQueryPtr& q) override { m_reports.push_back({"Boolean", q}); }
    void collectSpanNear(const Lucene::SpanNearQueryPtr& q) override { m_reports.push_back({"SpanNear", q}); }

    // "Term A:rama; Boolean ..." with each query as it reads now.
    std::string summary() const
    {
        std::string out;
        for (const Report& r : m_reports)
            out += (out.empty() ? "" : "; ") + r.operation + " " + utf8(r.query->toString());
        return out;
    }
    const std::vector<Report>& reports() const { return m_reports; }

private:
    std::vector<Report> m_reports;
};

enum class Options { Defaults, FullText, FullTextExact, Counter };

QueryParserPtr makeParser(Options options, const Lucene::AnalyzerPtr& analyzer = english(),
                          const std::shared_ptr<QueryCollector>& collector = {})
{
    const QueryParserPtr parser = newLucene<QueryParser>(Lucene::LuceneVersion::LUCENE_30, L"A", analyzer);
    const auto theCollector = collector ? collector : std::make_shared<RecordingCollector>();
    switch (options) {
    case Options::Defaults:
        break;
    case Options::FullText:
    case Options::FullTextExact:
        parser->setDefaultOperator(QueryParser::Operator::AND);
        parser->setLeadingWildcardAllowed(true);
        parser->setMergeTermsIntoPhrases(true);
        parser->setAnalyzedPrefixTerms(options == Options::FullText);
        parser->setQueryCollector(theCollector);
        break;
    case Options::Counter:
        parser->setLeadingWildcardAllowed(true);
        parser->setQueryCollector(theCollector);
        break;
    }
    return parser;
}

// The query's text, or the error's text after "error: ".
std::string parsed(const QueryParserPtr& parser, const std::wstring& text)
{
    try {
        return utf8(parser->parse(text)->toString());
    } catch (const Lucene::LuceneException& e) {
        return "error: " + utf8(e.getError());
    }
}

std::string mergedTerms(const std::string& phrase, const std::string& unmerged)
{
    std::string out;
    for (const char* slop : {"", "~1", "~2", "~4", "~10", "~100"})
        out += phrase + slop + " ";
    return out + "(" + unmerged + ")";
}

struct Row
{
    const wchar_t* text;
    std::string expected;
};

void expectRows(const QueryParserPtr& parser, const std::vector<Row>& rows)
{
    for (const Row& row : rows)
        EXPECT_EQ(parsed(parser, row.text), row.expected) << "text: " << utf8(row.text);
}

TEST(QueryParser, DefaultsAndTheCallersOptionSets)
{
    const QueryParserPtr parser = newLucene<QueryParser>(Lucene::LuceneVersion::LUCENE_30, L"A", english());
    EXPECT_EQ(parser->getDefaultOperator(), QueryParser::Operator::OR);
    EXPECT_TRUE(parser->getLowercaseExpandedTerms());
    EXPECT_EQ(parser->getMultiTermRewriteMethod(), Lucene::MultiTermQuery::CONSTANT_SCORE_AUTO_REWRITE_DEFAULT());
    EXPECT_FALSE(parser->getLeadingWildcardAllowed());
    EXPECT_TRUE(parser->getEnablePositionIncrements());
    EXPECT_EQ(parser->getField(), L"A");
    EXPECT_EQ(parser->getPhraseSlop(), 0);
    EXPECT_EQ(parser->getFuzzyMinSim(), Lucene::FuzzyQuery::defaultMinSimilarity());
    EXPECT_EQ(parser->getFuzzyPrefixLength(), Lucene::FuzzyQuery::defaultPrefixLength);
    EXPECT_EQ(parser->getDateResolution(), Lucene::DateTools::RESOLUTION_NULL);
    EXPECT_FALSE(parser->getMergeTermsIntoPhrases());
    EXPECT_FALSE(parser->getAnalyzedPrefixTerms());
    EXPECT_FALSE(parser->getQueryCollector());
    EXPECT_FALSE(
        newLucene<QueryParser>(Lucene::LuceneVersion::LUCENE_24, L"A", english())->getEnablePositionIncrements());

    struct OptionRow
    {
        const wchar_t* text;
        std::string defaults, fullText, fullTextExact, counter;
    };
    const std::string leadingError
        = "error: Cannot parse '*ishna': '*' or '?' not allowed as first character in WildcardQuery";
    const OptionRow rows[] = {
        {L"Krishna", "A:krishna", "A:krishna*", "A:krishna", "A:krishna"},
        {L"*ishna", leadingError, "A:*ishna", "A:*ishna", "A:*ishna"},
        {L"Rama Sita", "A:rama A:sita", "+A:rama* +A:sita*",
         mergedTerms("A:\"rama sita\"", "+A:rama +A:sita"), "A:rama A:sita"},
        {L"Rama OR Sita", "A:rama A:sita", "A:rama* A:sita*", mergedTerms("A:\"rama sita\"", "A:rama A:sita"),
         "A:rama A:sita"},
        {L"\"Rama Sita\"", "E:\"rama sita\"", "E:\"rama sita\"", "E:\"rama sita\"", "E:\"rama sita\""},
    };
    for (const OptionRow& row : rows) {
        const std::string context = "text: " + utf8(row.text);
        EXPECT_EQ(parsed(makeParser(Options::Defaults), row.text), row.defaults) << context;
        EXPECT_EQ(parsed(makeParser(Options::FullText), row.text), row.fullText) << context;
        EXPECT_EQ(parsed(makeParser(Options::FullTextExact), row.text), row.fullTextExact) << context;
        EXPECT_EQ(parsed(makeParser(Options::Counter), row.text), row.counter) << context;
    }
}

TEST(QueryParser, StopWordsOnlyGiveAnEmptyQueryTheCollectorHears)
{
    for (const Options options : {Options::Defaults, Options::FullText, Options::FullTextExact, Options::Counter}) {
        const auto collector = std::make_shared<RecordingCollector>();
        const QueryParserPtr parser = makeParser(options, english(), collector);
        parser->setQueryCollector(collector);
        const Lucene::QueryPtr query = parser->parse(L"the AND (of OR a)");
        const auto empty = boost::dynamic_pointer_cast<Lucene::BooleanQuery>(query);
        ASSERT_TRUE(empty);
        EXPECT_TRUE(empty->getClauses().empty());
        EXPECT_FALSE(empty->isCoordDisabled());
        ASSERT_EQ(collector->reports().size(), 1u);
        EXPECT_EQ(collector->reports()[0].operation, "Boolean");
        EXPECT_EQ(collector->reports()[0].query, query);
    }
}

TEST(QueryParser, MergesPlainTermsIntoPhrasesOfGrowingSlop)
{
    test::MessageLog log;
    const QueryParserPtr parser = newLucene<QueryParser>(Lucene::LuceneVersion::LUCENE_30, L"A", english());
    parser->setMergeTermsIntoPhrases(true);
    expectRows(parser, {
        // One clause without modifier stays as it is.
        {L"rama", "A:rama"},
        {L"rama sita", mergedTerms("A:\"rama sita\"", "A:rama A:sita")},
        // Occurrences are not looked at: a prohibited term joins the phrases.
        {L"rama -sita", mergedTerms("A:\"rama sita\"", "A:rama -A:sita")},
        {L"-rama", mergedTerms("A:\"rama\"", "-A:rama")},
        // Stop words leave no clause and no phrase position.
        {L"the rama of sita", mergedTerms("A:\"rama sita\"", "A:rama A:sita")},
        // Anything but terms keeps the query as it is.
        {L"rama sita*", "A:rama A:sita*"},
        {L"rama \"sita devi\"", "A:rama E:\"sita devi\""},
        {L"rama sita~", "A:rama A:sita~0.5"},
        // A group is merged on its own first, and is no term then.
        {L"rama (sita devi)", "A:rama (" + mergedTerms("A:\"sita devi\"", "A:sita A:devi") + ")"},
        // Terms of several fields: per slop their phrases, all required, in
        // field-name order.
        {L"y:sita x:rama", "(+x:\"rama\" +y:\"sita\") (+x:\"rama\"~1 +y:\"sita\"~1) (+x:\"rama\"~2 +y:\"sita\"~2) "
                           "(+x:\"rama\"~4 +y:\"sita\"~4) (+x:\"rama\"~10 +y:\"sita\"~10) "
                           "(+x:\"rama\"~100 +y:\"sita\"~100) (y:sita x:rama)"},
    });
    EXPECT_TRUE(log.texts(QtWarningMsg).isEmpty());

    // A word's same-position alternatives are a group of terms: they join
    // the phrases one after another.
    const QueryParserPtr alternatives
        = newLucene<QueryParser>(Lucene::LuceneVersion::LUCENE_30, L"A", newLucene<AlternativesAnalyzer>());
    alternatives->setMergeTermsIntoPhrases(true);
    expectRows(alternatives, {
        {L"rama|raghava sita", mergedTerms("A:\"rama raghava sita\"", "(A:rama A:raghava) A:sita")},
        {L"rama|raghava \"sita devi\"~1", "(A:rama A:raghava) A:\"sita devi\"~1"},
    });

    // Seven optional clauses, the unmerged query itself last.
    const auto merged = boost::dynamic_pointer_cast<Lucene::BooleanQuery>(parser->parse(L"+rama +sita"));
    ASSERT_TRUE(merged);
    const auto clauses = merged->getClauses();
    ASSERT_EQ(clauses.size(), 7);
    for (const Lucene::BooleanClausePtr& clause : clauses)
        EXPECT_EQ(clause->getOccur(), Lucene::BooleanClause::SHOULD);
    EXPECT_EQ(utf8(clauses[6]->getQuery()->toString()), "+A:rama +A:sita");
}

// Grouped terms the merge accepts, and what only its walk meets.
class TermWalk : public QueryParser
{
public:
    using QueryParser::QueryParser;
    using QueryParser::termsByField;
    using QueryParser::TermsByField;
};

TEST(QueryParser, TheMergeWalkSkipsAndLogsOtherClauses)
{
    test::MessageLog log;
    const auto inner = newLucene<Lucene::BooleanQuery>();
    inner->add(newLucene<Lucene::TermQuery>(newLucene<Lucene::Term>(L"B", L"x")), Lucene::BooleanClause::SHOULD);
    inner->add(newLucene<Lucene::PrefixQuery>(newLucene<Lucene::Term>(L"A", L"p")), Lucene::BooleanClause::SHOULD);
    const auto outer = newLucene<Lucene::BooleanQuery>();
    outer->add(newLucene<Lucene::TermQuery>(newLucene<Lucene::Term>(L"A", L"a")), Lucene::BooleanClause::MUST);
    outer->add(inner, Lucene::BooleanClause::SHOULD);
    outer->add(newLucene<Lucene::TermQuery>(newLucene<Lucene::Term>(L"A", L"b")), Lucene::BooleanClause::MUST_NOT);

    const TermWalk::TermsByField terms = TermWalk::termsByField(outer);
    ASSERT_EQ(terms.size(), 2u);
    std::vector<std::string> texts;
    for (const auto& [field, list] : terms) {
        for (const Lucene::TermPtr& term : list)
            texts.push_back(utf8(field + L":" + term->text()));
    }
    EXPECT_EQ(texts, (std::vector<std::string>{"A:a", "A:b", "B:x"}));
    EXPECT_EQ(log.texts(QtWarningMsg), QStringList{QStringLiteral("ERROR 0x84685546")});
}

TEST(QueryParser, PhraseSuffixes)
{
    const QueryParserPtr parser = newLucene<QueryParser>(Lucene::LuceneVersion::LUCENE_30, L"A", english());
    expectRows(parser, {
        // No suffix: the exact-match field, whatever the clause's field.
        {L"\"Rama Sita\"", "E:\"rama sita\""},
        {L"sn:\"Rama Sita\"", "E:\"rama sita\""},
        {L"cts1Awwo:\"Rama Sita\"", "cts1Ewwo:\"rama sita\""},
        {L"C:\"Rama Sita\"", "G:\"rama sita\""},
        // "~": the clause's own field.
        {L"\"Rama Sita\"~0", "A:\"rama sita\""},
        {L"\"Rama Sita\"~3", "A:\"rama sita\"~3"},
        {L"\"Rama Sita\"~", "A:\"rama sita\""},
        {L"\"Rama Sita\"~2.5", "A:\"rama sita\"~2"},
        {L"\"Rama the Sita\"~3", "A:\"rama ? sita\"~3"},
        // "@" unordered, "/" ordered span-near queries (0 and 1 say which).
        {L"\"Rama Sita\"@3", "spanNear([A:rama, A:sita], 3, 0)"},
        {L"\"Rama Sita\"/3", "spanNear([A:rama, A:sita], 3, 1)"},
        {L"\"Rama Sita\"@", "spanNear([A:rama, A:sita], 0, 0)"},
        {L"\"Rama Sita\"/", "spanNear([A:rama, A:sita], 0, 1)"},
        {L"x:\"Rama Sita\"@1", "spanNear([x:rama, x:sita], 1, 0)"},
        // Positions are the span matching's own: the stop word leaves no gap.
        {L"\"Rama the Sita\"@3", "spanNear([A:rama, A:sita], 3, 0)"},
        {L"\"Rama Sita\"@3^2", "spanNear([A:rama, A:sita], 3, 0)^2.0"},
        // A fraction makes it a "~" suffix.
        {L"\"Rama Sita\"@2.5", "A:\"rama sita\"~2"},
        {L"\"Rama Sita\"/2.5", "A:\"rama sita\"~2"},
        // One token is a term, none no clause.
        {L"\"Rama\"@5", "A:rama"},
        {L"\"the\"@5", ""},
        {L"Sita \"the\"/5", "A:sita"},
        // A count beyond the int32 range stays at its largest value.
        {L"\"Rama Sita\"@99999999999", "spanNear([A:rama, A:sita], 2147483647, 0)"},
        {L"\"Rama Sita\"~4294967297", "A:\"rama sita\"~2147483647"},
    });

    // Before Lucene 2.9 phrase terms ignore the analyzer's gaps.
    const QueryParserPtr old = newLucene<QueryParser>(Lucene::LuceneVersion::LUCENE_24, L"A", english());
    EXPECT_EQ(parsed(old, L"\"Rama the Sita\"~3"), "A:\"rama sita\"~3");
}

TEST(QueryParser, AnalysedPrefixTerms)
{
    struct PrefixRow
    {
        const wchar_t* text;
        std::string orOperator, andOperator;
    };
    const PrefixRow rows[] = {
        {L"Krishna", "A:krishna*", "A:krishna*"},
        {L"Krishna*", "A:krishna*", "A:krishna*"},
        // A word the analyzer splits: one prefix per token.
        {L"rama-sita", "A:rama* A:sita*", "+A:rama* +A:sita*"},
        {L"rama-sita*", "A:rama* A:sita*", "+A:rama* +A:sita*"},
        {L"the", "", ""},
        {L"the*", "", ""},
        // Fuzzy and wildcard terms keep their own meaning.
        {L"rama~", "A:rama~0.5", "A:rama~0.5"},
        {L"ra?a", "A:ra?a", "A:ra?a"},
        {L"x:Sita", "x:sita*", "x:sita*"},
    };
    for (const PrefixRow& row : rows) {
        for (const bool andOperator : {false, true}) {
            const QueryParserPtr parser = newLucene<QueryParser>(Lucene::LuceneVersion::LUCENE_30, L"A", english());
            parser->setAnalyzedPrefixTerms(true);
            if (andOperator)
                parser->setDefaultOperator(QueryParser::Operator::AND);
            EXPECT_EQ(parsed(parser, row.text), andOperator ? row.andOperator : row.orOperator)
                << "text: " << utf8(row.text) << (andOperator ? " (AND)" : " (OR)");
        }
    }

    // The Russian analyzer stems: a prefix of the stem finds every ending.
    const QueryParserPtr russian = newLucene<QueryParser>(
        Lucene::LuceneVersion::LUCENE_30, L"A", newLucene<RussianAnalyzer>(Lucene::LuceneVersion::LUCENE_30));
    russian->setAnalyzedPrefixTerms(true);
    EXPECT_EQ(parsed(russian, L"Кришны"), parsed(russian, L"Кришна"));
    EXPECT_EQ(parsed(russian, L"Кришны"), parsed(russian, L"Кришны*"));
}

std::wstring manyTerms(int count)
{
    std::wstring text;
    for (int i = 0; i < count; ++i)
        text += L"w" + std::to_wstring(i) + L" ";
    return text;
}

// "Was expecting one of:" and the kinds' images, as syntax errors list them.
std::string expecting(const std::vector<std::string>& images)
{
    std::string out = "Was expecting one of:\n    ";
    for (const std::string& image : images)
        out += image + (image == "<EOF>" ? " " : " ...") + "\n    ";
    return out;
}

const std::vector<std::string> kClauseStart = {"\"(\"", "\"*\"", "<QUOTED>", "<TERM>", "<PREFIXTERM>",
                                               "<WILDTERM>", "\"[\"", "\"{\"", "<NUMBER>"};

std::vector<std::string> operator+(std::vector<std::string> a, const std::vector<std::string>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST(QueryParser, ErrorTexts)
{
    // At a clause's start, where the field-prefix lookahead lists <TERM>
    // and "*" a second time.
    using Images = std::vector<std::string>;
    const std::string atClause
        = expecting(Images{"<NOT>", "\"+\"", "\"-\""} + kClauseStart + Images{"<TERM>", "\"*\""});
    // After a term, or after a phrase (whose "@" and "/" are never listed).
    const Images operators = {"<AND>", "<OR>", "<NOT>", "\"+\"", "\"-\"", "\"(\""};
    const Images terms
        = {"<QUOTED>", "<TERM>", "<FUZZY_SLOP>", "<PREFIXTERM>", "<WILDTERM>", "\"[\"", "\"{\"", "<NUMBER>"};
    const std::string afterTerm = expecting(Images{"<EOF>"} + operators + Images{"\"*\"", "\"^\""} + terms);
    const std::string afterPhraseSuffix
        = expecting(Images{"<EOF>"} + operators + Images{"\"*\"", "\"^\""}
                    + Images{"<QUOTED>", "<TERM>", "<PREFIXTERM>", "<WILDTERM>", "\"[\"", "\"{\"", "<NUMBER>"});
    const std::string inGroup = expecting(operators + Images{"\")\"", "\"*\"", "\"^\""} + terms);
    const std::string similarity = "Minimum similarity for a FuzzyQuery has to be between 0.0 and 1.0";
    const QueryParserPtr parser = newLucene<QueryParser>(Lucene::LuceneVersion::LUCENE_30, L"A", english());
    expectRows(parser, {
        {L"", "error: Cannot parse '': Encountered \"<EOF>\" at line 1, column 0.\n" + atClause},
        // Our proximity tokens are shown when met out of place.
        {L"@3",
         "error: Cannot parse '@3': Encountered \" <FUZZY_SLOP2> \"@3 \"\" at line 1, column 0.\n" + atClause},
        {L"rama /3", "error: Cannot parse 'rama /3': Encountered \" <CLEAR_SLOP> \"/3 \"\" at line 1, column 5.\n"
                         + afterTerm},
        {L"\"rama\"@3@3", "error: Cannot parse '\"rama\"@3@3': Encountered \" <FUZZY_SLOP2> \"@3 \"\" at line 1, "
                            "column 8.\n" + afterPhraseSuffix},
        {L"title:(a", "error: Cannot parse 'title:(a': Encountered \"<EOF>\" at line 1, column 8.\n" + inGroup},
        {L"x:[a TO", "error: Cannot parse 'x:[a TO': Encountered \"<EOF>\" at line 1, column 7.\nWas expecting one of:"
                     "\n    <RANGEIN_QUOTED> ...\n    <RANGEIN_GOOP> ...\n    "},
        {L"rama^ 2", "error: Cannot parse 'rama^ 2': Lexical error at line 1, column 6.  Encountered:\" \" (32), "
                     "after : \"\""},
        // Term errors.
        {L"[a\\ TO b]", "error: Cannot parse '[a\\ TO b]': Term can not end with escape character."},
        {L"\\u00g1", "error: Cannot parse '\\u00g1': None-hex character in unicode escape sequence: g"},
        {L"\\u00", "error: Cannot parse '\\u00': Truncated unicode escape sequence."},
        {L"\\*ab*", "error: Cannot parse '\\*ab*': '*' not allowed as first character in PrefixQuery"},
        {L"*ab", "error: Cannot parse '*ab': '*' or '?' not allowed as first character in WildcardQuery"},
        {L"?ab", "error: Cannot parse '?ab': '*' or '?' not allowed as first character in WildcardQuery"},
        {L"rama~1.5", "error: Cannot parse 'rama~1.5': " + similarity},
        // Lucene's FuzzyQuery would refuse 1.0 with an exception of its own.
        {L"rama~1", "error: Cannot parse 'rama~1': " + similarity},
        {L"rama^2~1.0", "error: Cannot parse 'rama^2~1.0': " + similarity},
    });
    // 1024 clauses are Lucene's limit.
    EXPECT_EQ(parsed(parser, manyTerms(1024)).substr(0, 7), "A:w0 A:");
    EXPECT_EQ(parsed(parser, manyTerms(1025)),
              "error: Cannot parse '" + utf8(manyTerms(1025)) + "': too many boolean clauses");

    // An empty field may not ask for the date resolution of a date range.
    const QueryParserPtr noField = newLucene<QueryParser>(Lucene::LuceneVersion::LUCENE_30, L"", english());
    EXPECT_EQ(parsed(noField, L"[1/2/2001 TO 3/4/2002]"), "error: Field cannot be empty.");
    EXPECT_EQ(parsed(noField, L"[a TO b]"), "[a TO b]");
}

TEST(QueryParser, DeeplyNestedGroupsAreAnErrorNotACrash)
{
    const QueryParserPtr parser = newLucene<QueryParser>(Lucene::LuceneVersion::LUCENE_30, L"A", english());
    const auto nested = [](int depth) {
        return std::wstring(std::size_t(depth), L'(') + L"rama" + std::wstring(std::size_t(depth), L')');
    };
    EXPECT_EQ(parsed(parser, nested(QueryParser::MaxGroupDepth)), "A:rama");
    EXPECT_EQ(parsed(parser, nested(QueryParser::MaxGroupDepth + 1)),
              "error: Cannot parse '" + utf8(nested(QueryParser::MaxGroupDepth + 1))
                  + "': too deeply nested parentheses");
    // Depth is nesting, not the number of groups.
    std::wstring flat;
    for (int i = 0; i < 3 * QueryParser::MaxGroupDepth; ++i)
        flat += L"(rama) ";
    EXPECT_EQ(parsed(parser, flat).substr(0, 13), "A:rama A:rama");
    // A text far deeper than any stack.
    const std::wstring deep(200000, L'(');
    EXPECT_EQ(parsed(parser, deep), "error: Cannot parse '" + utf8(deep) + "': too deeply nested parentheses");
}

TEST(QueryParser, TheCollectorHearsOfEveryQueryWhenItIsMade)
{
    const Lucene::AnalyzerPtr alternatives = newLucene<AlternativesAnalyzer>();
    struct CollectorRow
    {
        const wchar_t* text;
        bool merge;
        std::string reports;
    };
    const CollectorRow rows[] = {
        {L"rama", false, "Term A:rama"},
        // A same-position group before its terms, each before it joins.
        {L"rama|raghava", false, "Boolean A:rama A:raghava; Term A:rama; Term A:raghava"},
        {L"rama sita* si?a", false, "Term A:rama; Prefix A:sita*; Wildcard A:si?a; Boolean A:rama A:sita* A:si?a"},
        {L"+rama", false, "Term A:rama; Boolean +A:rama"},
        {L"(rama sita) devi", false, "Term A:rama; Term A:sita; Boolean A:rama A:sita; Term A:devi; "
                                     "Boolean (A:rama A:sita) A:devi"},
        {L"\"rama sita\"~2", false, "Phrase A:\"rama sita\"~2"},
        {L"\"rama sita\"", false, "Phrase E:\"rama sita\""},
        {L"\"rama sita\"@2", false, "SpanNear spanNear([A:rama, A:sita], 2, 0)"},
        {L"\"rama\"/2", false, "Term A:rama"},
        {L"\"_\"/2", false, "Boolean "},
        // A phrase with alternatives is reported to nobody.
        {L"\"rama|raghava sita\"", false, ""},
        {L"*:*", false, "MatchAll *:*"},
        {L"rama~0.7", false, "Fuzzy A:rama~0.7"},
        {L"[a TO b]", false, "Range A:[a TO b]"},
        {L"_", false, "Boolean "},
        // Merged: the unmerged query only, not the phrases.
        {L"rama sita", true, "Term A:rama; Term A:sita; Boolean A:rama A:sita"},
    };
    for (const CollectorRow& row : rows) {
        const auto collector = std::make_shared<RecordingCollector>();
        const QueryParserPtr parser = newLucene<QueryParser>(Lucene::LuceneVersion::LUCENE_30, L"A", alternatives);
        parser->setMergeTermsIntoPhrases(row.merge);
        parser->setQueryCollector(collector);
        const Lucene::QueryPtr query = parser->parse(row.text);
        // Reports hold the very objects of the query, so they read as the
        // query does now.
        EXPECT_EQ(collector->summary(), row.reports) << "text: " << utf8(row.text);
        if (!row.merge && !collector->reports().empty()) {
            const auto& reports = collector->reports();
            EXPECT_TRUE(std::any_of(reports.begin(), reports.end(), [&](const auto& r) { return r.query == query; }))
                << "text: " << utf8(row.text);
        }
    }
}

TEST(QueryParser, UnreadableNumbersFallBack)
{
    const QueryParserPtr parser = newLucene<QueryParser>(Lucene::LuceneVersion::LUCENE_30, L"A", english());
    const auto boostOf = [&](const wchar_t* text) { return parser->parse(text)->getBoost(); };
    EXPECT_DOUBLE_EQ(boostOf(L"rama^2.5"), 2.5);
    EXPECT_DOUBLE_EQ(boostOf(L"(rama sita)^3"), 3.0);
    EXPECT_DOUBLE_EQ(boostOf(L"\"rama sita\"~2^0.5"), 0.5);
    EXPECT_DOUBLE_EQ(boostOf(L"[a TO b]^4"), 4.0);
    // A stop word's clause vanishes and takes its boost along.
    EXPECT_EQ(parsed(parser, L"the^2 rama"), "A:rama");
    // "~" alone takes the default similarity, "@" and "/" alone slop 0.
    EXPECT_EQ(parsed(parser, L"rama~"), "A:rama~0.5");
    EXPECT_EQ(parsed(parser, L"rama~0.25"), "A:rama~0.25");
    EXPECT_EQ(parsed(parser, L"rama~0"), "A:rama~0");
}

// Qt takes the numeric locale from the environment, where the decimal mark
// may be a comma; fractions in a query are still read with a point.
TEST(QueryParser, FractionsIgnoreTheNumericLocale)
{
    QTemporaryDir locales;
    ASSERT_TRUE(locales.isValid());
    const QString source = locales.filePath(QStringLiteral("comma"));
    {
        QFile file(source);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("LC_NUMERIC\ndecimal_point \"<U002C>\"\nthousands_sep \"\"\ngrouping -1\nEND LC_NUMERIC\n");
    }
    QProcess localedef;
    localedef.start(QStringLiteral("localedef"),
                    {QStringLiteral("-c"), QStringLiteral("-i"), source, QStringLiteral("-f"), QStringLiteral("UTF-8"),
                     locales.filePath(QStringLiteral("xx_XX.UTF-8"))});
    if (!localedef.waitForFinished(60000) || !QFileInfo::exists(locales.filePath(QStringLiteral("xx_XX.UTF-8"))))
        GTEST_SKIP() << "localedef could not build a locale with a decimal comma";

    const QByteArray oldLocPath = qgetenv("LOCPATH");
    qputenv("LOCPATH", locales.path().toLocal8Bit());
    const std::string oldNumeric = std::setlocale(LC_NUMERIC, nullptr);
    const bool comma = std::setlocale(LC_NUMERIC, "xx_XX.UTF-8") != nullptr && std::wcstod(L"0.5", nullptr) == 0.0;

    const QueryParserPtr parser = newLucene<QueryParser>(Lucene::LuceneVersion::LUCENE_30, L"A", english());
    const double boost = parser->parse(L"rama^2.5")->getBoost();
    const auto fuzzy = boost::dynamic_pointer_cast<Lucene::FuzzyQuery>(parser->parse(L"rama~0.75"));

    std::setlocale(LC_NUMERIC, oldNumeric.c_str());
    if (oldLocPath.isNull())
        qunsetenv("LOCPATH");
    else
        qputenv("LOCPATH", oldLocPath);

    ASSERT_TRUE(comma) << "the test locale did not take effect";
    EXPECT_DOUBLE_EQ(boost, 2.5);
    ASSERT_TRUE(fuzzy);
    EXPECT_DOUBLE_EQ(fuzzy->getMinSimilarity(), 0.75);
}

TEST(QueryParser, OneParserParsesTextAfterText)
{
    const QueryParserPtr parser = newLucene<QueryParser>(Lucene::LuceneVersion::LUCENE_30, L"A", english());
    const std::wstring deepest = std::wstring(QueryParser::MaxGroupDepth, L'(') + L"rama"
        + std::wstring(QueryParser::MaxGroupDepth, L')');
    EXPECT_EQ(parsed(parser, L"rama sita"), "A:rama A:sita");
    // Failures that end in the boost and range lexical states, and deep in
    // groups, leave nothing behind for the next text.
    for (const wchar_t* failing : {L"rama^ 2", L"x:[a TO", L"\"rama", L"((((((((((rama"}) {
        EXPECT_EQ(parsed(parser, failing).substr(0, 20), "error: Cannot parse ") << utf8(failing);
        EXPECT_EQ(parsed(parser, L"devi"), "A:devi") << "after " << utf8(failing);
        EXPECT_EQ(parsed(parser, deepest), "A:rama") << "after " << utf8(failing);
    }
}

} // namespace
