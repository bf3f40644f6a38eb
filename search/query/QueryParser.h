#pragma once
// The query language's parser: the classic Lucene query syntax and meaning
// (terms, field prefixes, +/-/AND/OR/NOT, groups, phrases with "~" slop,
// fuzzy, wildcard, prefix and range terms, boosts, escapes), read through our
// own lexer, with these additions:
//   - a quoted phrase followed by "@N" is an unordered span-near query of
//     slop N, followed by "/N" an ordered one;
//   - a quoted phrase without a suffix searches the exact-match variant of
//     its field ("A" becomes "E");
//   - optionally every plain and prefix term is analysed and each of its
//     tokens becomes a prefix query;
//   - optionally a query made only of single terms also matches them as
//     phrases of slop 0, 1, 2, 4, 10 and 100;
//   - a QueryCollector hears of every query object built.
// Syntax errors carry the classic texts, with the classic lists of expected
// tokens, which only ever name the classic token kinds.
//
// A parser serves one thread at a time; parse() may be called again with
// another text, the options stay.

#include "search/index/LuceneClass.h"
#include "search/query/QueryCollector.h"
#include "search/query/QueryParserConstants.h"
#include "search/query/QueryParserTokenManager.h"

#include <QueryParserCharStream.h>
#include <QueryParserToken.h>

#include <array>
#include <locale>
#include <map>
#include <memory>

namespace tarnolix {

class QueryParser : public QueryParserConstants, public Lucene::LuceneObject
{
public:
    QueryParser(Lucene::LuceneVersion::Version matchVersion, const Lucene::String& field,
                const Lucene::AnalyzerPtr& analyzer);
    ~QueryParser() override;
    TARNOLIX_LUCENE_CLASS(QueryParser);

    // How clauses without "+", "-" or a conjunction occur; also the occurrence
    // of the prefix clauses of one analysed term.
    enum class Operator { OR = 0, AND = 1 };

    // The deepest nesting of parenthesised groups a text may have.
    static constexpr int MaxGroupDepth = 100;

    // The query of `query`, never null: a text whose every clause vanished
    // in analysis gives an empty BooleanQuery. Throws QueryParserError
    // ("Cannot parse '<query>': ...") for a syntax or term error.
    Lucene::QueryPtr parse(const Lucene::String& query);

    void setDefaultOperator(Operator op) { m_operator = op; }
    Operator getDefaultOperator() const { return m_operator; }
    void setLeadingWildcardAllowed(bool allowed) { m_allowLeadingWildcard = allowed; }
    bool getLeadingWildcardAllowed() const { return m_allowLeadingWildcard; }
    void setMergeTermsIntoPhrases(bool merge) { m_mergeTermsIntoPhrases = merge; }
    bool getMergeTermsIntoPhrases() const { return m_mergeTermsIntoPhrases; }
    void setAnalyzedPrefixTerms(bool analyzed) { m_analyzedPrefixTerms = analyzed; }
    bool getAnalyzedPrefixTerms() const { return m_analyzedPrefixTerms; }
    void setQueryCollector(const std::shared_ptr<QueryCollector>& collector) { m_collector = collector; }
    const std::shared_ptr<QueryCollector>& getQueryCollector() const { return m_collector; }

    bool getLowercaseExpandedTerms() const { return m_lowercaseExpandedTerms; }
    const Lucene::RewriteMethodPtr& getMultiTermRewriteMethod() const { return m_multiTermRewriteMethod; }
    bool getEnablePositionIncrements() const { return m_enablePositionIncrements; }
    const Lucene::AnalyzerPtr& getAnalyzer() const { return m_analyzer; }
    const Lucene::String& getField() const { return m_field; }
    int32_t getPhraseSlop() const { return m_phraseSlop; }
    double getFuzzyMinSim() const { return m_fuzzyMinSim; }
    int32_t getFuzzyPrefixLength() const { return m_fuzzyPrefixLength; }
    Lucene::DateTools::Resolution getDateResolution() const { return m_dateResolution; }
    // Throws IllegalArgumentException for an empty field name.
    Lucene::DateTools::Resolution getDateResolution(const Lucene::String& field) const;

    // The grammar: a whole text, clauses joined, one clause, one term.
    virtual Lucene::QueryPtr TopLevelQuery(const Lucene::String& field);
    virtual Lucene::QueryPtr ParseQuery(const Lucene::String& field);
    virtual Lucene::QueryPtr ParseClause(const Lucene::String& field);
    virtual Lucene::QueryPtr ParseTerm(const Lucene::String& field);

    // Another token source or character stream; the parsing state restarts.
    virtual void ReInit(const boost::shared_ptr<QueryParserTokenManager>& tokenManager);
    virtual void ReInit(const Lucene::QueryParserCharStreamPtr& stream);
    virtual Lucene::QueryParserTokenPtr getNextToken();
    virtual Lucene::QueryParserTokenPtr getToken(int32_t index);
    // The syntax error at the current token, with the kinds expected there.
    virtual Lucene::QueryParserError generateParseException();
    virtual void enable_tracing();
    virtual void disable_tracing();

    enum Conjunction : int32_t { CONJ_NONE = 0, CONJ_AND = 1, CONJ_OR = 2 };
    enum Modifier : int32_t { MOD_NONE = 0, MOD_NOT = 10, MOD_REQ = 11 };

protected:
    // The classic rules for one clause's occurrence; a null query adds nothing.
    virtual void addClause(Lucene::Collection<Lucene::BooleanClausePtr> clauses, int32_t conj, int32_t mods,
                           const Lucene::QueryPtr& query);
    virtual Lucene::QueryPtr getFieldQuery(const Lucene::String& field, const Lucene::String& queryText,
                                           int32_t slop);
    virtual Lucene::QueryPtr getFieldQuery(const Lucene::String& field, const Lucene::String& queryText);
    virtual Lucene::QueryPtr getRangeQuery(const Lucene::String& field, const Lucene::String& part1,
                                           const Lucene::String& part2, bool inclusive);
    // The analysed text as span terms within `slop` positions: null for no
    // token, a TermQuery for one.
    virtual Lucene::QueryPtr getSpanNearQuery(const Lucene::String& field, const Lucene::String& queryText,
                                              int32_t slop, bool inOrder);
    virtual Lucene::QueryPtr getBooleanQuery(Lucene::Collection<Lucene::BooleanClausePtr> clauses,
                                             bool disableCoord);
    virtual Lucene::QueryPtr getBooleanQuery(Lucene::Collection<Lucene::BooleanClausePtr> clauses);
    virtual Lucene::QueryPtr getWildcardQuery(const Lucene::String& field, const Lucene::String& termText);
    virtual Lucene::QueryPtr getPrefixQuery(const Lucene::String& field, const Lucene::String& termText);
    virtual Lucene::QueryPtr getFuzzyQuery(const Lucene::String& field, const Lucene::String& termText,
                                           double minimumSimilarity);

    // Each token of the analysed text as a prefix query: null for none, the
    // one prefix query, or all of them, required under the AND operator.
    Lucene::QueryPtr getAnalyzedPrefixQuery(const Lucene::String& field, const Lucene::String& termText);

    // The terms of a query of term clauses, nested groups included, by
    // field; any other clause is logged and left out.
    using TermsByField = std::map<Lucene::String, Lucene::Collection<Lucene::TermPtr>>;
    static TermsByField termsByField(const Lucene::BooleanQueryPtr& query);

private:
    struct JJCalls
    {
        int32_t gen = 0;
        Lucene::QueryParserTokenPtr first;
        int32_t arg = 0;
        std::unique_ptr<JJCalls> next;
    };

    static constexpr int ChoicePointCount = 23;
    static constexpr int LastTokensSize = 100;

    int32_t conjunction();
    int32_t modifiers();
    Lucene::QueryPtr mergeTermsIntoPhrases(const Lucene::BooleanQueryPtr& query);
    Lucene::TermQueryPtr collectedTermQuery(const Lucene::String& field, const Lucene::String& text);
    // The term of a wildcard, prefix or fuzzy query, lower-cased if so set.
    Lucene::TermPtr expandedTerm(const Lucene::String& field, const Lucene::String& text) const;

    // The lookahead machinery of the classic generated parser.
    int32_t nextKind();
    Lucene::QueryParserTokenPtr consumeToken(int32_t kind);
    [[noreturn]] void failAt(int choicePoint);
    bool fieldPrefixAhead();
    bool scanFieldPrefix();
    bool scanToken(int32_t kind);
    void saveLookahead(int32_t distance);
    void addErrorToken(int32_t kind, int32_t pos);
    void rescanLookahead();
    void resetParsingState();

    Operator m_operator = Operator::OR;
    bool m_lowercaseExpandedTerms = true;
    Lucene::RewriteMethodPtr m_multiTermRewriteMethod;
    bool m_allowLeadingWildcard = false;
    bool m_enablePositionIncrements = true;
    Lucene::AnalyzerPtr m_analyzer;
    Lucene::String m_field;
    int32_t m_phraseSlop = 0;
    double m_fuzzyMinSim = 0;
    int32_t m_fuzzyPrefixLength = 0;
    std::locale m_locale;
    Lucene::DateTools::Resolution m_dateResolution = Lucene::DateTools::RESOLUTION_NULL;
    std::map<Lucene::String, Lucene::DateTools::Resolution> m_fieldDateResolutions;
    Lucene::CollatorPtr m_rangeCollator;
    std::shared_ptr<QueryCollector> m_collector;
    bool m_mergeTermsIntoPhrases = false;
    bool m_analyzedPrefixTerms = false;

    boost::shared_ptr<QueryParserTokenManager> m_tokenSource;
    Lucene::QueryParserTokenPtr m_token;
    int32_t m_nextKind = -1;
    int m_groupDepth = 0;

    Lucene::QueryParserTokenPtr m_scanPos;
    Lucene::QueryParserTokenPtr m_lastPos;
    int32_t m_lookaheadLeft = 0;
    int32_t m_generation = 0;
    std::array<int32_t, ChoicePointCount> m_choicePointGeneration{};
    JJCalls m_lookaheadCalls;
    bool m_rescan = false;
    int32_t m_consumedSinceCleanup = 0;

    Lucene::Collection<Lucene::Collection<int32_t>> m_expectedSequences;
    int32_t m_failedKind = -1;
    std::array<int32_t, LastTokensSize> m_lastTokens{};
    int32_t m_endPos = 0;
};

using QueryParserPtr = boost::shared_ptr<QueryParser>;

} // namespace tarnolix
