#include "search/query/QueryParser.h"

#include "search/index/FTFieldName.h"
#include "search/index/StringReader.h"
#include "search/query/QueryFactory.h"
#include "search/query/QueryParseError.h"

#include <FastCharStream.h>
#include <FuzzyQuery.h>
#include <PositionIncrementAttribute.h>
#include <SpanTermQuery.h>
#include <TermAttribute.h>

#include <QtGlobal>

#include <charconv>
#include <functional>
#include <initializer_list>
#include <limits>
#include <optional>
#include <string>
#include <vector>

namespace tarnolix {

namespace {

using Lucene::newLucene;
using Lucene::String;
using Kind = QueryParserConstants::Kind;

constexpr uint64_t kinds(std::initializer_list<int32_t> list)
{
    uint64_t mask = 0;
    for (const int32_t kind : list)
        mask |= uint64_t(1) << kind;
    return mask;
}

// The token kinds the classic grammar accepts at each of its choice points:
// the expected lists of a syntax error are made from those passed at the
// failing token.
constexpr uint64_t kClauseStart = kinds({Kind::STAR, Kind::QUOTED, Kind::TERM, Kind::PREFIXTERM, Kind::WILDTERM,
                                         Kind::RANGEIN_START, Kind::RANGEEX_START, Kind::NUMBER});
constexpr uint64_t kChoicePointKinds[] = {
    // 0, 1: a conjunction, and whether one comes
    kinds({Kind::AND, Kind::OR}),
    kinds({Kind::AND, Kind::OR}),
    // 2, 3: a modifier, and whether one comes
    kinds({Kind::NOT, Kind::PLUS, Kind::MINUS}),
    kinds({Kind::NOT, Kind::PLUS, Kind::MINUS}),
    // 4: another clause of a query
    kinds({Kind::AND, Kind::OR, Kind::NOT, Kind::PLUS, Kind::MINUS, Kind::LPAREN}) | kClauseStart,
    // 5: a field prefix
    kinds({Kind::TERM, Kind::STAR}),
    // 6: a group's boost
    kinds({Kind::CARAT}),
    // 7: a clause
    kinds({Kind::LPAREN}) | kClauseStart,
    // 8-11: a term, its fuzzy slop, its boost and a fuzzy slop after that
    kinds({Kind::STAR, Kind::TERM, Kind::PREFIXTERM, Kind::WILDTERM, Kind::NUMBER}),
    kinds({Kind::FUZZY_SLOP}),
    kinds({Kind::FUZZY_SLOP}),
    kinds({Kind::CARAT}),
    // 12-15: an inclusive range's bound, "TO", bound, boost
    kinds({Kind::RANGEIN_GOOP, Kind::RANGEIN_QUOTED}),
    kinds({Kind::RANGEIN_TO}),
    kinds({Kind::RANGEIN_GOOP, Kind::RANGEIN_QUOTED}),
    kinds({Kind::CARAT}),
    // 16-19: the same for an exclusive range
    kinds({Kind::RANGEEX_GOOP, Kind::RANGEEX_QUOTED}),
    kinds({Kind::RANGEEX_TO}),
    kinds({Kind::RANGEEX_GOOP, Kind::RANGEEX_QUOTED}),
    kinds({Kind::CARAT}),
    // 20, 21: a phrase's suffix (the proximity kinds are ours, never
    // expected) and its boost
    kinds({Kind::FUZZY_SLOP}),
    kinds({Kind::CARAT}),
    // 22: a term, phrase or range
    kClauseStart,
};
static_assert(std::size(kChoicePointKinds) == 23);

// Points 0 and 2 choose among kinds that 1 and 3 have already let in, so
// they never fail.
constexpr int kHasConjunctionCP = 1, kHasModifierCP = 3, kMoreClausesCP = 4,
              kFieldPrefixCP = 5, kGroupBoostCP = 6, kClauseCP = 7, kTermTokenCP = 8, kTermSlopCP = 9,
              kSlopAfterBoostCP = 10, kTermBoostCP = 11, kRangeInLowerCP = 12, kRangeInToCP = 13,
              kRangeInUpperCP = 14, kRangeInBoostCP = 15, kRangeExLowerCP = 16, kRangeExToCP = 17,
              kRangeExUpperCP = 18, kRangeExBoostCP = 19, kPhraseSuffixCP = 20, kPhraseBoostCP = 21,
              kTermKindCP = 22;

// The phrase slops at which the merged terms are also tried, closest first.
constexpr int32_t kMergeSlops[] = {0, 1, 2, 4, 10, 100};

bool isAsciiDigit(wchar_t c)
{
    return c >= L'0' && c <= L'9';
}

// Boost, similarity and slop texts are digits with an optional fraction
// ("2", "0.5", empty for a bare "~"). As in Lucene's own reading, a text
// that does not begin with a number is unreadable and a number is read as
// far as it goes ("2.5" is 2 as an integer). Unlike the C library's, this
// reading does not follow the process's numeric locale, which Qt takes from
// the environment and which may want a decimal comma.
std::optional<double> readDecimal(const String& text)
{
    std::size_t i = 0;
    std::string ascii;
    bool integerNonZero = false;
    while (i < text.size() && isAsciiDigit(text[i])) {
        integerNonZero = integerNonZero || text[i] != L'0';
        ascii += char(text[i++]);
    }
    if (i < text.size() && text[i] == L'.' && i + 1 < text.size() && isAsciiDigit(text[i + 1])) {
        ascii += '.';
        ++i;
        while (i < text.size() && isAsciiDigit(text[i]))
            ascii += char(text[i++]);
    }
    if (ascii.empty())
        return std::nullopt;
    double value = 0;
    const auto [end, error] = std::from_chars(ascii.data(), ascii.data() + ascii.size(), value);
    (void)end;
    if (error == std::errc::result_out_of_range)
        return integerNonZero ? std::numeric_limits<double>::infinity() : 0.0;
    return value;
}

// A count beyond the int32 range stays at its largest value.
std::optional<int32_t> readInteger(const String& text)
{
    if (text.empty() || !isAsciiDigit(text[0]))
        return std::nullopt;
    int64_t value = 0;
    for (std::size_t i = 0; i < text.size() && isAsciiDigit(text[i]); ++i) {
        value = value * 10 + (text[i] - L'0');
        if (value > std::numeric_limits<int32_t>::max())
            return std::numeric_limits<int32_t>::max();
    }
    return int32_t(value);
}

int32_t hexToInt(wchar_t c)
{
    if (c >= L'0' && c <= L'9')
        return c - L'0';
    if (c >= L'a' && c <= L'f')
        return c - L'a' + 10;
    if (c >= L'A' && c <= L'F')
        return c - L'A' + 10;
    boost::throw_exception(
        Lucene::QueryParserError(L"None-hex character in unicode escape sequence: " + String(1, c)));
}

// A term's text without its backslash escapes; "\uXXXX" is that character.
String discardEscapeChar(const String& input)
{
    String output;
    output.reserve(input.size());
    bool escaped = false;
    int32_t multiplier = 0;
    int32_t codePoint = 0;
    for (const wchar_t c : input) {
        if (multiplier > 0) {
            codePoint += hexToInt(c) * multiplier;
            multiplier >>= 4;
            if (multiplier == 0) {
                output += wchar_t(codePoint);
                codePoint = 0;
            }
        } else if (escaped) {
            if (c == L'u')
                multiplier = 16 * 16 * 16;
            else
                output += c;
            escaped = false;
        } else if (c == L'\\') {
            escaped = true;
        } else {
            output += c;
        }
    }
    if (multiplier > 0)
        boost::throw_exception(Lucene::QueryParserError(L"Truncated unicode escape sequence."));
    if (escaped)
        boost::throw_exception(Lucene::QueryParserError(L"Term can not end with escape character."));
    return output;
}

// The exact-match variant of a field: "A" is "E", "cts1Awwo" is
// "cts1Ewwo"; a name that is no content field gives the bare letter "E".
String exactMatchField(const String& field)
{
    FTFieldName name = FTFieldName::parse(field);
    name.setExactMatch(true);
    return name.toString();
}

struct AnalysedToken
{
    String term;
    int32_t positionIncrement = 1;
};

// The tokens of `text` in `field`, from the analyzer's reusable stream (its
// fresh one when the reusable one cannot be reset).
std::vector<AnalysedToken> analyse(const Lucene::AnalyzerPtr& analyzer, const String& field, const String& text)
{
    Lucene::TokenStreamPtr source;
    try {
        source = analyzer->reusableTokenStream(field, newLucene<StringReader>(text));
        source->reset();
    } catch (const Lucene::IOException&) {
        source = analyzer->tokenStream(field, newLucene<StringReader>(text));
    }
    std::vector<AnalysedToken> tokens;
    if (source->hasAttribute<Lucene::TermAttribute>()) {
        const Lucene::TermAttributePtr termAttribute = source->getAttribute<Lucene::TermAttribute>();
        Lucene::PositionIncrementAttributePtr incrementAttribute;
        if (source->hasAttribute<Lucene::PositionIncrementAttribute>())
            incrementAttribute = source->getAttribute<Lucene::PositionIncrementAttribute>();
        try {
            while (source->incrementToken())
                tokens.push_back(
                    {termAttribute->term(), incrementAttribute ? incrementAttribute->getPositionIncrement() : 1});
        } catch (const Lucene::IOException&) {
            // What was read stands.
        }
    }
    try {
        source->close();
    } catch (const Lucene::IOException&) {
    }
    return tokens;
}

class GroupDepth
{
public:
    explicit GroupDepth(int& depth) : m_depth(depth)
    {
        if (++m_depth > QueryParser::MaxGroupDepth)
            boost::throw_exception(Lucene::QueryParserError(L"too deeply nested parentheses"));
    }
    ~GroupDepth() { --m_depth; }
    GroupDepth(const GroupDepth&) = delete;
    GroupDepth& operator=(const GroupDepth&) = delete;

private:
    int& m_depth;
};

} // namespace

QueryParser::QueryParser(Lucene::LuceneVersion::Version matchVersion, const String& field,
                         const Lucene::AnalyzerPtr& analyzer)
    : m_multiTermRewriteMethod(Lucene::MultiTermQuery::CONSTANT_SCORE_AUTO_REWRITE_DEFAULT()),
      m_enablePositionIncrements(Lucene::LuceneVersion::onOrAfter(matchVersion, Lucene::LuceneVersion::LUCENE_29)),
      m_analyzer(analyzer),
      m_field(field),
      m_fuzzyMinSim(Lucene::FuzzyQuery::defaultMinSimilarity()),
      m_fuzzyPrefixLength(Lucene::FuzzyQuery::defaultPrefixLength),
      m_tokenSource(newLucene<QueryParserTokenManager>(
          newLucene<Lucene::FastCharStream>(newLucene<StringReader>(String())))),
      m_expectedSequences(Lucene::Collection<Lucene::Collection<int32_t>>::newInstance())
{
    resetParsingState();
}

QueryParser::~QueryParser() = default;

Lucene::QueryPtr QueryParser::parse(const String& query)
{
    ReInit(newLucene<Lucene::FastCharStream>(newLucene<StringReader>(query)));
    try {
        Lucene::QueryPtr result = TopLevelQuery(m_field);
        if (result)
            return result;
        const Lucene::BooleanQueryPtr empty = newLucene<Lucene::BooleanQuery>(false);
        if (m_collector)
            m_collector->collectBoolean(empty);
        return empty;
    } catch (const Lucene::QueryParserError& e) {
        boost::throw_exception(Lucene::QueryParserError(L"Cannot parse '" + query + L"': " + e.getError()));
    } catch (const Lucene::TooManyClausesException&) {
        boost::throw_exception(Lucene::QueryParserError(L"Cannot parse '" + query + L"': too many boolean clauses"));
    }
}

Lucene::DateTools::Resolution QueryParser::getDateResolution(const String& field) const
{
    if (field.empty())
        boost::throw_exception(Lucene::IllegalArgumentException(L"Field cannot be empty."));
    const auto it = m_fieldDateResolutions.find(field);
    return it == m_fieldDateResolutions.end() ? m_dateResolution : it->second;
}

// ---- The grammar ----

int32_t QueryParser::conjunction()
{
    switch (nextKind()) {
    case AND:
        consumeToken(AND);
        return CONJ_AND;
    case OR:
        consumeToken(OR);
        return CONJ_OR;
    default:
        m_choicePointGeneration[kHasConjunctionCP] = m_generation;
        return CONJ_NONE;
    }
}

int32_t QueryParser::modifiers()
{
    switch (nextKind()) {
    case PLUS:
        consumeToken(PLUS);
        return MOD_REQ;
    case MINUS:
        consumeToken(MINUS);
        return MOD_NOT;
    case NOT:
        consumeToken(NOT);
        return MOD_NOT;
    default:
        m_choicePointGeneration[kHasModifierCP] = m_generation;
        return MOD_NONE;
    }
}

Lucene::QueryPtr QueryParser::TopLevelQuery(const String& field)
{
    Lucene::QueryPtr query = ParseQuery(field);
    consumeToken(EOF_);
    return query;
}

Lucene::QueryPtr QueryParser::ParseQuery(const String& field)
{
    Lucene::Collection<Lucene::BooleanClausePtr> clauses = Lucene::Collection<Lucene::BooleanClausePtr>::newInstance();
    int32_t mods = modifiers();
    Lucene::QueryPtr query = ParseClause(field);
    addClause(clauses, CONJ_NONE, mods, query);
    Lucene::QueryPtr firstQuery;
    if (mods == MOD_NONE)
        firstQuery = query;
    for (;;) {
        const int32_t kind = nextKind();
        const bool another = kind == AND || kind == OR || kind == NOT || kind == PLUS || kind == MINUS
            || kind == LPAREN || ((uint64_t(1) << kind) & kClauseStart) != 0;
        if (!another) {
            m_choicePointGeneration[kMoreClausesCP] = m_generation;
            break;
        }
        const int32_t conj = conjunction();
        mods = modifiers();
        query = ParseClause(field);
        addClause(clauses, conj, mods, query);
    }
    if (clauses.size() == 1 && firstQuery)
        return firstQuery;
    const Lucene::QueryPtr result = getBooleanQuery(clauses);
    const Lucene::BooleanQueryPtr booleanQuery = boost::dynamic_pointer_cast<Lucene::BooleanQuery>(result);
    if (!booleanQuery)
        return result;
    if (m_collector)
        m_collector->collectBoolean(booleanQuery);
    return m_mergeTermsIntoPhrases ? mergeTermsIntoPhrases(booleanQuery) : result;
}

Lucene::QueryPtr QueryParser::ParseClause(const String& field)
{
    String clauseField = field;
    if (fieldPrefixAhead()) {
        switch (nextKind()) {
        case TERM: {
            const Lucene::QueryParserTokenPtr fieldToken = consumeToken(TERM);
            consumeToken(COLON);
            clauseField = discardEscapeChar(fieldToken->image);
            break;
        }
        case STAR:
            consumeToken(STAR);
            consumeToken(COLON);
            clauseField = L"*";
            break;
        default:
            failAt(kFieldPrefixCP);
        }
    }

    Lucene::QueryPtr query;
    Lucene::QueryParserTokenPtr boost;
    switch (nextKind()) {
    case STAR:
    case QUOTED:
    case TERM:
    case PREFIXTERM:
    case WILDTERM:
    case RANGEIN_START:
    case RANGEEX_START:
    case NUMBER:
        query = ParseTerm(clauseField);
        break;
    case LPAREN: {
        consumeToken(LPAREN);
        {
            // Every group is a level of recursion here and in whatever
            // walks the query later.
            const GroupDepth depth(m_groupDepth);
            query = ParseQuery(clauseField);
        }
        consumeToken(RPAREN);
        if (nextKind() == CARAT) {
            consumeToken(CARAT);
            boost = consumeToken(NUMBER);
        } else {
            m_choicePointGeneration[kGroupBoostCP] = m_generation;
        }
        break;
    }
    default:
        failAt(kClauseCP);
    }
    if (boost && query) {
        if (const std::optional<double> value = readDecimal(boost->image))
            query->setBoost(*value);
    }
    return query;
}

Lucene::QueryPtr QueryParser::ParseTerm(const String& field)
{
    Lucene::QueryParserTokenPtr term;
    Lucene::QueryParserTokenPtr boost;
    Lucene::QueryParserTokenPtr slop;
    Lucene::QueryPtr query;
    switch (nextKind()) {
    case STAR:
    case TERM:
    case PREFIXTERM:
    case WILDTERM:
    case NUMBER: {
        switch (nextKind()) {
        case TERM:
        case STAR:
        case PREFIXTERM:
        case WILDTERM:
        case NUMBER:
            term = consumeToken(nextKind());
            break;
        default:
            failAt(kTermTokenCP);
        }
        if (nextKind() == FUZZY_SLOP)
            slop = consumeToken(FUZZY_SLOP);
        else
            m_choicePointGeneration[kTermSlopCP] = m_generation;
        if (nextKind() == CARAT) {
            consumeToken(CARAT);
            boost = consumeToken(NUMBER);
            if (nextKind() == FUZZY_SLOP)
                slop = consumeToken(FUZZY_SLOP);
            else
                m_choicePointGeneration[kSlopAfterBoostCP] = m_generation;
        } else {
            m_choicePointGeneration[kTermBoostCP] = m_generation;
        }

        const String text = discardEscapeChar(term->image);
        if (term->kind == STAR || term->kind == WILDTERM) {
            query = getWildcardQuery(field, text);
        } else if (term->kind == PREFIXTERM) {
            const String prefix = discardEscapeChar(term->image.substr(0, term->image.size() - 1));
            query = m_analyzedPrefixTerms ? getAnalyzedPrefixQuery(field, prefix) : getPrefixQuery(field, prefix);
        } else if (slop) {
            const double similarity = readDecimal(slop->image.substr(1)).value_or(m_fuzzyMinSim);
            // A FuzzyQuery refuses 1.0 itself, with an error of another kind.
            if (!(similarity >= 0.0 && similarity < 1.0))
                boost::throw_exception(
                    Lucene::QueryParserError(L"Minimum similarity for a FuzzyQuery has to be between 0.0 and 1.0"));
            query = getFuzzyQuery(field, text, similarity);
        } else {
            query = m_analyzedPrefixTerms ? getAnalyzedPrefixQuery(field, text) : getFieldQuery(field, text);
        }
        break;
    }
    case RANGEIN_START:
    case RANGEEX_START: {
        const bool inclusive = nextKind() == RANGEIN_START;
        consumeToken(inclusive ? RANGEIN_START : RANGEEX_START);
        const int32_t goop = inclusive ? RANGEIN_GOOP : RANGEEX_GOOP;
        const int32_t quoted = inclusive ? RANGEIN_QUOTED : RANGEEX_QUOTED;
        const auto bound = [&](int choicePoint) {
            const int32_t kind = nextKind();
            if (kind != goop && kind != quoted)
                failAt(choicePoint);
            return consumeToken(kind);
        };
        const Lucene::QueryParserTokenPtr lower = bound(inclusive ? kRangeInLowerCP : kRangeExLowerCP);
        const int32_t to = inclusive ? RANGEIN_TO : RANGEEX_TO;
        if (nextKind() == to)
            consumeToken(to);
        else
            m_choicePointGeneration[inclusive ? kRangeInToCP : kRangeExToCP] = m_generation;
        const Lucene::QueryParserTokenPtr upper = bound(inclusive ? kRangeInUpperCP : kRangeExUpperCP);
        consumeToken(inclusive ? RANGEIN_END : RANGEEX_END);
        if (nextKind() == CARAT) {
            consumeToken(CARAT);
            boost = consumeToken(NUMBER);
        } else {
            m_choicePointGeneration[inclusive ? kRangeInBoostCP : kRangeExBoostCP] = m_generation;
        }
        const auto boundText = [quoted](const Lucene::QueryParserTokenPtr& token) {
            const String& image = token->image;
            return discardEscapeChar(token->kind == quoted ? image.substr(1, image.size() < 2 ? 0 : image.size() - 2)
                                                           : image);
        };
        const String lowerText = boundText(lower);
        query = getRangeQuery(field, lowerText, boundText(upper), inclusive);
        break;
    }
    case QUOTED: {
        term = consumeToken(QUOTED);
        switch (nextKind()) {
        case FUZZY_SLOP:
        case FUZZY_SLOP2:
        case CLEAR_SLOP:
            slop = consumeToken(nextKind());
            break;
        default:
            m_choicePointGeneration[kPhraseSuffixCP] = m_generation;
        }
        if (nextKind() == CARAT) {
            consumeToken(CARAT);
            boost = consumeToken(NUMBER);
        } else {
            m_choicePointGeneration[kPhraseBoostCP] = m_generation;
        }
        int32_t phraseSlop = m_phraseSlop;
        if (slop)
            phraseSlop = readInteger(slop->image.substr(1)).value_or(m_phraseSlop);
        const String& image = term->image;
        const String text = discardEscapeChar(image.substr(1, image.size() < 2 ? 0 : image.size() - 2));
        switch (slop ? slop->kind : -1) {
        case FUZZY_SLOP:
            query = getFieldQuery(field, text, phraseSlop);
            break;
        case FUZZY_SLOP2:
            query = getSpanNearQuery(field, text, phraseSlop, false);
            break;
        case CLEAR_SLOP:
            query = getSpanNearQuery(field, text, phraseSlop, true);
            break;
        default:
            query = getFieldQuery(exactMatchField(field), text, phraseSlop);
        }
        break;
    }
    default:
        failAt(kTermKindCP);
    }
    if (boost && query)
        query->setBoost(readDecimal(boost->image).value_or(1.0));
    return query;
}

// ---- Token source and lookahead ----

void QueryParser::ReInit(const boost::shared_ptr<QueryParserTokenManager>& tokenManager)
{
    if (!tokenManager)
        boost::throw_exception(Lucene::NullPointerException(L"The query parser needs a token source"));
    m_tokenSource = tokenManager;
    resetParsingState();
}

void QueryParser::ReInit(const Lucene::QueryParserCharStreamPtr& stream)
{
    m_tokenSource->ReInit(stream);
    resetParsingState();
}

void QueryParser::resetParsingState()
{
    m_token = newLucene<Lucene::QueryParserToken>();
    m_nextKind = -1;
    m_groupDepth = 0;
    m_scanPos.reset();
    m_lastPos.reset();
    m_lookaheadLeft = 0;
    m_generation = 0;
    m_choicePointGeneration.fill(-1);
    m_lookaheadCalls.gen = 0;
    m_lookaheadCalls.first.reset();
    m_lookaheadCalls.arg = 0;
    m_lookaheadCalls.next.reset();
    m_rescan = false;
    m_consumedSinceCleanup = 0;
    m_expectedSequences.clear();
    m_failedKind = -1;
    m_endPos = 0;
}

Lucene::QueryParserTokenPtr QueryParser::getNextToken()
{
    if (!m_token->next)
        m_token->next = m_tokenSource->getNextToken();
    m_token = m_token->next;
    m_nextKind = -1;
    ++m_generation;
    return m_token;
}

Lucene::QueryParserTokenPtr QueryParser::getToken(int32_t index)
{
    Lucene::QueryParserTokenPtr token = m_token;
    for (int32_t i = 0; i < index; ++i) {
        if (!token->next)
            token->next = m_tokenSource->getNextToken();
        token = token->next;
    }
    return token;
}

int32_t QueryParser::nextKind()
{
    if (m_nextKind == -1) {
        if (!m_token->next)
            m_token->next = m_tokenSource->getNextToken();
        m_nextKind = m_token->next->kind;
    }
    return m_nextKind;
}

Lucene::QueryParserTokenPtr QueryParser::consumeToken(int32_t kind)
{
    const Lucene::QueryParserTokenPtr previous = m_token;
    if (!m_token->next)
        m_token->next = m_tokenSource->getNextToken();
    m_token = m_token->next;
    m_nextKind = -1;
    if (m_token->kind == kind) {
        ++m_generation;
        // Lookahead records older than this generation no longer need their
        // tokens.
        if (++m_consumedSinceCleanup > 100) {
            m_consumedSinceCleanup = 0;
            for (JJCalls* calls = &m_lookaheadCalls; calls; calls = calls->next.get()) {
                if (calls->gen < m_generation)
                    calls->first.reset();
            }
        }
        return m_token;
    }
    m_token = previous;
    m_failedKind = kind;
    boost::throw_exception(generateParseException());
}

void QueryParser::failAt(int choicePoint)
{
    m_choicePointGeneration[choicePoint] = m_generation;
    m_failedKind = -1;
    boost::throw_exception(generateParseException());
}

// Whether a field prefix (<TERM> ":" or "*" ":") starts the clause.
bool QueryParser::fieldPrefixAhead()
{
    const int32_t distance = 2;
    m_lookaheadLeft = distance;
    m_scanPos = m_token;
    m_lastPos = m_token;
    bool found = false;
    try {
        found = !scanFieldPrefix();
    } catch (const Lucene::LookaheadSuccess&) {
        found = true;
    } catch (...) {
        saveLookahead(distance);
        throw;
    }
    saveLookahead(distance);
    return found;
}

// True when the tokens ahead are no field prefix.
bool QueryParser::scanFieldPrefix()
{
    const Lucene::QueryParserTokenPtr start = m_scanPos;
    if (scanToken(TERM) || scanToken(COLON)) {
        m_scanPos = start;
        if (scanToken(STAR) || scanToken(COLON))
            return true;
    }
    return false;
}

// True when the next token scanned is not of `kind`. While an error is
// composed, reports each kind tried with its distance from the current token.
bool QueryParser::scanToken(int32_t kind)
{
    if (m_scanPos == m_lastPos) {
        --m_lookaheadLeft;
        if (!m_scanPos->next)
            m_scanPos->next = m_tokenSource->getNextToken();
        m_scanPos = m_scanPos->next;
        m_lastPos = m_scanPos;
    } else {
        m_scanPos = m_scanPos->next;
    }
    if (m_rescan) {
        int32_t distance = 0;
        Lucene::QueryParserTokenPtr token = m_token;
        while (token && token != m_scanPos) {
            ++distance;
            token = token->next;
        }
        if (token)
            addErrorToken(kind, distance);
    }
    if (m_scanPos->kind != kind)
        return true;
    if (m_lookaheadLeft == 0 && m_scanPos == m_lastPos)
        boost::throw_exception(Lucene::LookaheadSuccess());
    return false;
}

void QueryParser::saveLookahead(int32_t distance)
{
    JJCalls* calls = &m_lookaheadCalls;
    while (calls->gen > m_generation) {
        if (!calls->next) {
            calls->next = std::make_unique<JJCalls>();
            calls = calls->next.get();
            break;
        }
        calls = calls->next.get();
    }
    calls->gen = m_generation + distance - m_lookaheadLeft;
    calls->first = m_token;
    calls->arg = distance;
}

void QueryParser::addErrorToken(int32_t kind, int32_t pos)
{
    if (pos >= LastTokensSize)
        return;
    if (pos == m_endPos + 1) {
        m_lastTokens[m_endPos++] = kind;
        return;
    }
    if (m_endPos == 0)
        return;
    Lucene::Collection<int32_t> sequence = Lucene::Collection<int32_t>::newInstance(m_lastTokens.begin(),
                                                                                 m_lastTokens.begin() + m_endPos);
    // A sequence stands again only when it stands already.
    for (const Lucene::Collection<int32_t>& known : m_expectedSequences) {
        if (known.size() != sequence.size())
            continue;
        if (std::equal(sequence.begin(), sequence.end(), known.begin())) {
            m_expectedSequences.add(sequence);
            break;
        }
    }
    if (pos != 0) {
        m_endPos = pos;
        m_lastTokens[m_endPos - 1] = kind;
    }
}

void QueryParser::rescanLookahead()
{
    m_rescan = true;
    try {
        for (JJCalls* calls = &m_lookaheadCalls; calls; calls = calls->next.get()) {
            if (calls->gen > m_generation) {
                m_lookaheadLeft = calls->arg;
                m_scanPos = calls->first;
                m_lastPos = calls->first;
                scanFieldPrefix();
            }
        }
    } catch (const Lucene::LookaheadSuccess&) {
    } catch (...) {
        m_rescan = false;
        throw;
    }
    m_rescan = false;
}

Lucene::QueryParserError QueryParser::generateParseException()
{
    m_expectedSequences.clear();
    std::array<bool, ClassicKindCount> expected{};
    if (m_failedKind >= 0 && m_failedKind < ClassicKindCount)
        expected[m_failedKind] = true;
    m_failedKind = -1;
    for (int i = 0; i < ChoicePointCount; ++i) {
        if (m_choicePointGeneration[i] != m_generation)
            continue;
        for (int kind = 0; kind < ClassicKindCount; ++kind) {
            if (kChoicePointKinds[i] & (uint64_t(1) << kind))
                expected[kind] = true;
        }
    }
    for (int32_t kind = 0; kind < ClassicKindCount; ++kind) {
        if (expected[kind])
            m_expectedSequences.add(Lucene::newCollection<int32_t>(kind));
    }
    m_endPos = 0;
    rescanLookahead();
    addErrorToken(0, 0);
    return Lucene::QueryParserError(QueryParseError::parseError(m_token, m_expectedSequences, tokenImage()));
}

void QueryParser::enable_tracing()
{
}

void QueryParser::disable_tracing()
{
}

// ---- Building queries ----

void QueryParser::addClause(Lucene::Collection<Lucene::BooleanClausePtr> clauses, int32_t conj, int32_t mods,
                            const Lucene::QueryPtr& query)
{
    // AND makes the clause before required, unless it is prohibited.
    if (!clauses.empty() && conj == CONJ_AND) {
        const Lucene::BooleanClausePtr& previous = clauses[clauses.size() - 1];
        if (!previous->isProhibited())
            previous->setOccur(Lucene::BooleanClause::MUST);
    }
    // Under the AND operator, "a OR b" must not make a required.
    if (!clauses.empty() && m_operator == Operator::AND && conj == CONJ_OR) {
        const Lucene::BooleanClausePtr& previous = clauses[clauses.size() - 1];
        if (!previous->isProhibited())
            previous->setOccur(Lucene::BooleanClause::SHOULD);
    }
    // The analyzer may have taken the whole clause away.
    if (!query)
        return;

    const bool prohibited = mods == MOD_NOT;
    bool required = false;
    if (m_operator == Operator::OR)
        required = mods == MOD_REQ || (conj == CONJ_AND && !prohibited);
    else
        required = !prohibited && conj != CONJ_OR;
    if (required && prohibited)
        boost::throw_exception(Lucene::RuntimeException(L"Clause cannot be both required and prohibited"));
    const Lucene::BooleanClause::Occur occur
        = required ? Lucene::BooleanClause::MUST
                   : (prohibited ? Lucene::BooleanClause::MUST_NOT : Lucene::BooleanClause::SHOULD);
    clauses.add(newLucene<Lucene::BooleanClause>(query, occur));
}

Lucene::TermQueryPtr QueryParser::collectedTermQuery(const String& field, const String& text)
{
    const Lucene::TermQueryPtr query = makeTermQuery(newLucene<Lucene::Term>(field, text));
    if (m_collector)
        m_collector->collectTerm(query);
    return query;
}

Lucene::QueryPtr QueryParser::getFieldQuery(const String& field, const String& queryText, int32_t slop)
{
    Lucene::QueryPtr query = getFieldQuery(field, queryText);
    if (const auto phrase = boost::dynamic_pointer_cast<Lucene::PhraseQuery>(query))
        phrase->setSlop(slop);
    if (const auto multiPhrase = boost::dynamic_pointer_cast<Lucene::MultiPhraseQuery>(query))
        multiPhrase->setSlop(slop);
    return query;
}

Lucene::QueryPtr QueryParser::getFieldQuery(const String& field, const String& queryText)
{
    const std::vector<AnalysedToken> tokens = analyse(m_analyzer, field, queryText);
    if (tokens.empty())
        return {};
    if (tokens.size() == 1)
        return collectedTermQuery(field, tokens.front().term);

    int32_t positionCount = 0;
    bool stacked = false;
    for (const AnalysedToken& token : tokens) {
        if (token.positionIncrement != 0)
            positionCount += token.positionIncrement;
        else
            stacked = true;
    }

    if (stacked && positionCount == 1) {
        // Alternatives for one word: any of them.
        const Lucene::BooleanQueryPtr group = newLucene<Lucene::BooleanQuery>(true);
        if (m_collector)
            m_collector->collectBoolean(group);
        for (const AnalysedToken& token : tokens)
            group->add(collectedTermQuery(field, token.term), Lucene::BooleanClause::SHOULD);
        return group;
    }

    if (stacked) {
        const Lucene::MultiPhraseQueryPtr phrase = newLucene<Lucene::MultiPhraseQuery>();
        phrase->setSlop(m_phraseSlop);
        Lucene::Collection<Lucene::TermPtr> alternatives = Lucene::Collection<Lucene::TermPtr>::newInstance();
        int32_t position = -1;
        const auto addAlternatives = [&] {
            const auto copy
                = Lucene::Collection<Lucene::TermPtr>::newInstance(alternatives.begin(), alternatives.end());
            if (m_enablePositionIncrements)
                phrase->add(copy, position);
            else
                phrase->add(copy);
            alternatives.clear();
        };
        for (const AnalysedToken& token : tokens) {
            if (token.positionIncrement > 0 && !alternatives.empty())
                addAlternatives();
            position += token.positionIncrement;
            alternatives.add(newLucene<Lucene::Term>(field, token.term));
        }
        addAlternatives();
        return phrase;
    }

    const Lucene::PhraseQueryPtr phrase = makePhraseQuery();
    phrase->setSlop(m_phraseSlop);
    if (m_collector)
        m_collector->collectPhrase(phrase);
    int32_t position = -1;
    for (const AnalysedToken& token : tokens) {
        if (m_enablePositionIncrements) {
            position += token.positionIncrement;
            phrase->add(newLucene<Lucene::Term>(field, token.term), position);
        } else {
            phrase->add(newLucene<Lucene::Term>(field, token.term));
        }
    }
    return phrase;
}

Lucene::QueryPtr QueryParser::getRangeQuery(const String& field, const String& part1, const String& part2,
                                            bool inclusive)
{
    String lower = part1;
    String upper = part2;
    if (m_lowercaseExpandedTerms) {
        Lucene::StringUtils::toLower(lower);
        Lucene::StringUtils::toLower(upper);
    }
    // Bounds that read as dates are written as the index writes dates.
    std::optional<std::pair<boost::posix_time::ptime, boost::posix_time::ptime>> dates;
    try {
        const boost::posix_time::ptime from = Lucene::DateTools::parseDate(lower, m_locale);
        boost::posix_time::ptime to = Lucene::DateTools::parseDate(upper, m_locale);
        // An inclusive upper date takes in that whole day.
        if (inclusive)
            to += boost::posix_time::hours(23) + boost::posix_time::minutes(59) + boost::posix_time::seconds(59)
                + boost::posix_time::millisec(999);
        dates.emplace(from, to);
    } catch (const Lucene::LuceneException&) {
    } catch (const std::exception&) {
    }
    if (dates) {
        const Lucene::DateTools::Resolution resolution = getDateResolution(field);
        try {
            String from;
            String to;
            if (resolution == Lucene::DateTools::RESOLUTION_NULL) {
                from = Lucene::DateField::dateToString(dates->first);
                to = Lucene::DateField::dateToString(dates->second);
            } else {
                from = Lucene::DateTools::dateToString(dates->first, resolution);
                to = Lucene::DateTools::dateToString(dates->second, resolution);
            }
            lower = from;
            upper = to;
        } catch (const Lucene::LuceneException&) {
        } catch (const std::exception&) {
        }
    }
    const Lucene::TermRangeQueryPtr query
        = newLucene<Lucene::TermRangeQuery>(field, lower, upper, inclusive, inclusive, m_rangeCollator);
    query->setRewriteMethod(m_multiTermRewriteMethod);
    if (m_collector)
        m_collector->collectRange(query);
    return query;
}

Lucene::QueryPtr QueryParser::getSpanNearQuery(const String& field, const String& queryText, int32_t slop,
                                               bool inOrder)
{
    const std::vector<AnalysedToken> tokens = analyse(m_analyzer, field, queryText);
    if (tokens.empty())
        return {};
    if (tokens.size() == 1)
        return collectedTermQuery(field, tokens.front().term);
    // Positions come from the span matching, not from the analyzer's gaps.
    Lucene::Collection<Lucene::SpanQueryPtr> clauses = Lucene::Collection<Lucene::SpanQueryPtr>::newInstance();
    for (const AnalysedToken& token : tokens)
        clauses.add(newLucene<Lucene::SpanTermQuery>(newLucene<Lucene::Term>(field, token.term)));
    const Lucene::SpanNearQueryPtr query = makeSpanNearQuery(clauses, slop, inOrder);
    if (m_collector)
        m_collector->collectSpanNear(query);
    return query;
}

Lucene::QueryPtr QueryParser::getBooleanQuery(Lucene::Collection<Lucene::BooleanClausePtr> clauses,
                                              bool disableCoord)
{
    if (clauses.empty())
        return {};
    const Lucene::BooleanQueryPtr query = newLucene<Lucene::BooleanQuery>(disableCoord);
    for (const Lucene::BooleanClausePtr& clause : clauses)
        query->add(clause);
    return query;
}

Lucene::QueryPtr QueryParser::getBooleanQuery(Lucene::Collection<Lucene::BooleanClausePtr> clauses)
{
    return getBooleanQuery(clauses, false);
}

Lucene::TermPtr QueryParser::expandedTerm(const String& field, const String& text) const
{
    String termText = text;
    if (m_lowercaseExpandedTerms)
        Lucene::StringUtils::toLower(termText);
    return newLucene<Lucene::Term>(field, termText);
}

Lucene::QueryPtr QueryParser::getWildcardQuery(const String& field, const String& termText)
{
    if (field == L"*" && termText == L"*") {
        const Lucene::MatchAllDocsQueryPtr all = newLucene<Lucene::MatchAllDocsQuery>();
        if (m_collector)
            m_collector->collectMatchAll(all);
        return all;
    }
    if (!m_allowLeadingWildcard && !termText.empty() && (termText[0] == L'*' || termText[0] == L'?'))
        boost::throw_exception(Lucene::QueryParserError(L"'*' or '?' not allowed as first character in WildcardQuery"));
    const Lucene::WildcardQueryPtr query = newLucene<Lucene::WildcardQuery>(expandedTerm(field, termText));
    query->setRewriteMethod(m_multiTermRewriteMethod);
    if (m_collector)
        m_collector->collectWildcard(query);
    return query;
}

Lucene::QueryPtr QueryParser::getPrefixQuery(const String& field, const String& termText)
{
    if (!m_allowLeadingWildcard && !termText.empty() && termText[0] == L'*')
        boost::throw_exception(Lucene::QueryParserError(L"'*' not allowed as first character in PrefixQuery"));
    const Lucene::PrefixQueryPtr query = newLucene<Lucene::PrefixQuery>(expandedTerm(field, termText));
    query->setRewriteMethod(m_multiTermRewriteMethod);
    if (m_collector)
        m_collector->collectPrefix(query);
    return query;
}

Lucene::QueryPtr QueryParser::getFuzzyQuery(const String& field, const String& termText, double minimumSimilarity)
{
    const Lucene::FuzzyQueryPtr query
        = newLucene<Lucene::FuzzyQuery>(expandedTerm(field, termText), minimumSimilarity, m_fuzzyPrefixLength);
    if (m_collector)
        m_collector->collectFuzzy(query);
    return query;
}

Lucene::QueryPtr QueryParser::getAnalyzedPrefixQuery(const String& field, const String& termText)
{
    // A fresh stream: getPrefixQuery may not reuse the analyzer while this
    // one is read.
    const Lucene::TokenStreamPtr stream = m_analyzer->tokenStream(field, newLucene<StringReader>(termText));
    const Lucene::TermAttributePtr termAttribute = stream->addAttribute<Lucene::TermAttribute>();
    const Lucene::BooleanClause::Occur occur
        = m_operator == Operator::AND ? Lucene::BooleanClause::MUST : Lucene::BooleanClause::SHOULD;
    Lucene::Collection<Lucene::BooleanClausePtr> clauses = Lucene::Collection<Lucene::BooleanClausePtr>::newInstance();
    stream->reset();
    while (stream->incrementToken())
        clauses.add(newLucene<Lucene::BooleanClause>(getPrefixQuery(field, termAttribute->term()), occur));
    stream->end();
    stream->close();
    if (clauses.empty())
        return {};
    if (clauses.size() == 1)
        return clauses[0]->getQuery();
    return getBooleanQuery(clauses);
}

QueryParser::TermsByField QueryParser::termsByField(const Lucene::BooleanQueryPtr& query)
{
    TermsByField terms;
    const std::function<void(const Lucene::BooleanQueryPtr&)> walk = [&](const Lucene::BooleanQueryPtr& group) {
        for (const Lucene::BooleanClausePtr& clause : group->getClauses()) {
            const Lucene::QueryPtr& part = clause->getQuery();
            if (const auto term = boost::dynamic_pointer_cast<Lucene::TermQuery>(part)) {
                const Lucene::TermPtr t = term->getTerm();
                auto& list = terms[t->field()];
                if (!list)
                    list = Lucene::Collection<Lucene::TermPtr>::newInstance();
                list.add(t);
            } else if (const auto nested = boost::dynamic_pointer_cast<Lucene::BooleanQuery>(part)) {
                walk(nested);
            } else {
                qWarning("ERROR 0x84685546");
            }
        }
    };
    walk(query);
    return terms;
}

// Term queries only (a group of them may stand for one clause): the same
// words near each other rank higher, closest first, while the plain query
// still matches them anywhere.
Lucene::QueryPtr QueryParser::mergeTermsIntoPhrases(const Lucene::BooleanQueryPtr& query)
{
    const auto isTerm = [](const Lucene::QueryPtr& q) {
        return bool(boost::dynamic_pointer_cast<Lucene::TermQuery>(q));
    };
    for (const Lucene::BooleanClausePtr& clause : query->getClauses()) {
        const Lucene::QueryPtr& part = clause->getQuery();
        if (isTerm(part))
            continue;
        const auto nested = boost::dynamic_pointer_cast<Lucene::BooleanQuery>(part);
        if (!nested)
            return query;
        for (const Lucene::BooleanClausePtr& inner : nested->getClauses()) {
            if (!isTerm(inner->getQuery()))
                return query;
        }
    }

    const TermsByField terms = termsByField(query);
    Lucene::Collection<Lucene::BooleanClausePtr> clauses = Lucene::Collection<Lucene::BooleanClausePtr>::newInstance();
    for (const int32_t slop : kMergeSlops) {
        Lucene::Collection<Lucene::BooleanClausePtr> fieldPhrases
            = Lucene::Collection<Lucene::BooleanClausePtr>::newInstance();
        Lucene::QueryPtr phrase;
        for (const auto& [field, fieldTerms] : terms) {
            const Lucene::PhraseQueryPtr fieldPhrase = makePhraseQuery();
            fieldPhrase->setSlop(slop);
            int32_t position = 0;
            for (const Lucene::TermPtr& term : fieldTerms)
                fieldPhrase->add(term, position++);
            phrase = fieldPhrase;
            fieldPhrases.add(newLucene<Lucene::BooleanClause>(fieldPhrase, Lucene::BooleanClause::MUST));
        }
        if (terms.size() > 1)
            phrase = getBooleanQuery(fieldPhrases);
        addClause(clauses, CONJ_OR, MOD_NONE, phrase);
    }
    addClause(clauses, CONJ_OR, MOD_NONE, query);
    return getBooleanQuery(clauses);
}

} // namespace tarnolix
