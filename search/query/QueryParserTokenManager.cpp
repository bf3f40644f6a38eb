#include "search/query/QueryParserTokenManager.h"

#include "search/query/QueryParseError.h"

#include <algorithm>
#include <limits>

namespace tarnolix {

namespace {

constexpr int32_t kNoKind = std::numeric_limits<int32_t>::max();

// States of the matching automaton, one bit each; a set of them is live
// while a token is read. Each lexical state uses its own subset.
enum State : uint32_t {
    Start = 1u << 0,
    // <TERM>, <PREFIXTERM>, <WILDTERM>: Term has seen no wildcard yet.
    Term = 1u << 1,
    TermEscape = 1u << 2,
    Wild = 1u << 3,
    WildEscape = 1u << 4,
    // <QUOTED>
    Quoted = 1u << 5,
    QuotedEscape = 1u << 6,
    // "~" before its digits; then the digits of a slop or of a boost number.
    Tilde = 1u << 7,
    NumberInt = 1u << 8,
    NumberDot = 1u << 9,
    NumberFraction = 1u << 10,
    // "@" and "/" before and within their digits.
    At = 1u << 11,
    AtDigits = 1u << 12,
    Slash = 1u << 13,
    SlashDigits = 1u << 14,
    // AND, &&, OR, ||, NOT spelled out so far.
    KeywordA = 1u << 15,
    KeywordAN = 1u << 16,
    KeywordN = 1u << 17,
    KeywordNO = 1u << 18,
    KeywordO = 1u << 19,
    KeywordAmp = 1u << 20,
    KeywordBar = 1u << 21,
    // Range bounds: goop, "TO", and a quoted bound (open, within, after a
    // backslash that may escape a quote).
    Goop = 1u << 22,
    RangeT = 1u << 23,
    RangeQuoteOpen = 1u << 24,
    RangeQuoteBody = 1u << 25,
    RangeQuoteBackslash = 1u << 26,
};

// The states after one character, and the lowest kind that it completes.
struct Step
{
    uint32_t states = 0;
    int32_t kind = kNoKind;

    void accept(int32_t k) { kind = std::min(kind, k); }
    void acceptAndGo(int32_t k, uint32_t s)
    {
        accept(k);
        states |= s;
    }
};

bool isWhitespace(wchar_t c)
{
    return c == L' ' || c == L'\t' || c == L'\n' || c == L'\r' || c == 0x3000;
}

bool isDigit(wchar_t c)
{
    return c >= L'0' && c <= L'9';
}

// The classic term start character, escapes aside.
bool isTermStartChar(wchar_t c)
{
    if (isWhitespace(c))
        return false;
    switch (c) {
    case L'+':
    case L'-':
    case L'!':
    case L'(':
    case L')':
    case L':':
    case L'^':
    case L'[':
    case L']':
    case L'"':
    case L'{':
    case L'}':
    case L'~':
    case L'*':
    case L'?':
    case L'\\':
        return false;
    default:
        return true;
    }
}

bool isTermChar(wchar_t c)
{
    return isTermStartChar(c) || c == L'-' || c == L'+';
}

// "@" and "/" begin the proximity tokens, so no term begins with them; NUL
// neither.
bool canBeginTerm(wchar_t c)
{
    return isTermStartChar(c) && c != L'@' && c != L'/' && c != 0;
}

// Digits with an optional fraction, as in "~1.5" and "^2.5".
void stepNumber(uint32_t states, wchar_t c, int32_t kind, Step& next)
{
    if (isDigit(c)) {
        if (states & NumberInt)
            next.acceptAndGo(kind, NumberInt);
        if (states & (NumberDot | NumberFraction))
            next.acceptAndGo(kind, NumberFraction);
    } else if (c == L'.' && (states & NumberInt)) {
        next.states |= NumberDot;
    }
}

// "@" or "/" and its digits; a fraction after the digits turns the text into
// a <FUZZY_SLOP>, read by the number states.
void stepCount(uint32_t states, wchar_t c, uint32_t bare, uint32_t digits, int32_t kind, Step& next)
{
    if (!(states & (bare | digits)))
        return;
    if (isDigit(c))
        next.acceptAndGo(kind, digits);
    else if (c == L'.' && (states & digits))
        next.states |= NumberDot;
}

Step stepDefault(uint32_t states, wchar_t c)
{
    using K = QueryParserConstants;
    Step next;
    if (states & Start) {
        switch (c) {
        case L'+': next.accept(K::PLUS); break;
        case L'-': next.accept(K::MINUS); break;
        case L'(': next.accept(K::LPAREN); break;
        case L')': next.accept(K::RPAREN); break;
        case L':': next.accept(K::COLON); break;
        case L'^': next.accept(K::CARAT); break;
        case L'[': next.accept(K::RANGEIN_START); break;
        case L'{': next.accept(K::RANGEEX_START); break;
        case L'!': next.accept(K::NOT); break;
        // "*" alone is also a <PREFIXTERM>, and begins a <WILDTERM>.
        case L'*': next.acceptAndGo(K::STAR, Wild); break;
        case L'?': next.acceptAndGo(K::WILDTERM, Wild); break;
        case L'"': next.states |= Quoted; break;
        case L'~': next.acceptAndGo(K::FUZZY_SLOP, Tilde); break;
        case L'@': next.acceptAndGo(K::FUZZY_SLOP2, At); break;
        case L'/': next.acceptAndGo(K::CLEAR_SLOP, Slash); break;
        case L'\\': next.states |= TermEscape; break;
        default:
            if (isWhitespace(c)) {
                next.accept(K::SKIPPED_WHITESPACE);
            } else if (canBeginTerm(c)) {
                next.acceptAndGo(K::TERM, Term);
                switch (c) {
                case L'A': next.states |= KeywordA; break;
                case L'N': next.states |= KeywordN; break;
                case L'O': next.states |= KeywordO; break;
                case L'&': next.states |= KeywordAmp; break;
                case L'|': next.states |= KeywordBar; break;
                default: break;
                }
            }
            break;
        }
        return next;
    }

    if (states & Term) {
        if (c == L'\\')
            next.states |= TermEscape;
        else if (isTermChar(c))
            next.acceptAndGo(K::TERM, Term);
        else if (c == L'*')
            next.acceptAndGo(K::PREFIXTERM, Wild);
        else if (c == L'?')
            next.acceptAndGo(K::WILDTERM, Wild);
    }
    if (states & TermEscape)
        next.acceptAndGo(K::TERM, Term);
    if (states & Wild) {
        if (c == L'\\')
            next.states |= WildEscape;
        else if (isTermChar(c) || c == L'*' || c == L'?')
            next.acceptAndGo(K::WILDTERM, Wild);
    }
    if (states & WildEscape)
        next.acceptAndGo(K::WILDTERM, Wild);

    if (states & Quoted) {
        if (c == L'"')
            next.accept(K::QUOTED);
        else
            next.states |= c == L'\\' ? QuotedEscape : Quoted;
    }
    if (states & QuotedEscape)
        next.states |= Quoted;

    if ((states & Tilde) && isDigit(c))
        next.acceptAndGo(K::FUZZY_SLOP, NumberInt);
    stepNumber(states, c, K::FUZZY_SLOP, next);
    stepCount(states, c, At, AtDigits, K::FUZZY_SLOP2, next);
    stepCount(states, c, Slash, SlashDigits, K::CLEAR_SLOP, next);

    if ((states & KeywordA) && c == L'N')
        next.states |= KeywordAN;
    if ((states & KeywordAN) && c == L'D')
        next.accept(K::AND);
    if ((states & KeywordN) && c == L'O')
        next.states |= KeywordNO;
    if ((states & KeywordNO) && c == L'T')
        next.accept(K::NOT);
    if ((states & KeywordO) && c == L'R')
        next.accept(K::OR);
    if ((states & KeywordAmp) && c == L'&')
        next.accept(K::AND);
    if ((states & KeywordBar) && c == L'|')
        next.accept(K::OR);
    return next;
}

Step stepBoost(uint32_t states, wchar_t c)
{
    Step next;
    if ((states & Start) && isDigit(c))
        next.acceptAndGo(QueryParserConstants::NUMBER, NumberInt);
    stepNumber(states, c, QueryParserConstants::NUMBER, next);
    return next;
}

// RangeIn and RangeEx differ only in their kinds and closing bracket, which
// the other state's goop may contain.
struct RangeKinds
{
    int32_t to;
    int32_t end;
    int32_t quoted;
    int32_t goop;
    wchar_t close;
};

Step stepRange(uint32_t states, wchar_t c, const RangeKinds& k)
{
    Step next;
    const bool goopChar = c != L' ' && c != k.close;
    if (states & Start) {
        if (isWhitespace(c))
            next.accept(QueryParserConstants::SKIPPED_WHITESPACE);
        if (c == k.close)
            next.accept(k.end);
        if (c == L'T')
            next.states |= RangeT;
        if (c == L'"')
            next.states |= RangeQuoteOpen;
    }
    if ((states & (Start | Goop)) && goopChar)
        next.acceptAndGo(k.goop, Goop);
    if ((states & RangeT) && c == L'O')
        next.accept(k.to);
    // A quoted bound holds at least one character that is not a quote, or
    // an escaped quote.
    if (states & (RangeQuoteOpen | RangeQuoteBody)) {
        if (c == L'"') {
            if (states & RangeQuoteBody)
                next.accept(k.quoted);
        } else {
            next.states |= RangeQuoteBody;
            if (c == L'\\')
                next.states |= RangeQuoteBackslash;
        }
    }
    if ((states & RangeQuoteBackslash) && c == L'"')
        next.states |= RangeQuoteBody;
    return next;
}

const RangeKinds kRangeIn{QueryParserConstants::RANGEIN_TO, QueryParserConstants::RANGEIN_END,
                          QueryParserConstants::RANGEIN_QUOTED, QueryParserConstants::RANGEIN_GOOP, L']'};
const RangeKinds kRangeEx{QueryParserConstants::RANGEEX_TO, QueryParserConstants::RANGEEX_END,
                          QueryParserConstants::RANGEEX_QUOTED, QueryParserConstants::RANGEEX_GOOP, L'}'};

Step step(int32_t lexState, uint32_t states, wchar_t c)
{
    switch (lexState) {
    case QueryParserConstants::Boost:
        return stepBoost(states, c);
    case QueryParserConstants::RangeEx:
        return stepRange(states, c, kRangeEx);
    case QueryParserConstants::RangeIn:
        return stepRange(states, c, kRangeIn);
    default:
        return stepDefault(states, c);
    }
}

// The image of a literal kind, or null when the image is the matched text.
const wchar_t* literalImage(int32_t kind)
{
    using K = QueryParserConstants;
    switch (kind) {
    case K::EOF_: return L"";
    case K::PLUS: return L"+";
    case K::MINUS: return L"-";
    case K::LPAREN: return L"(";
    case K::RPAREN: return L")";
    case K::COLON: return L":";
    case K::STAR: return L"*";
    case K::CARAT: return L"^";
    case K::RANGEIN_START: return L"[";
    case K::RANGEEX_START: return L"{";
    case K::RANGEIN_TO:
    case K::RANGEEX_TO: return L"TO";
    case K::RANGEIN_END: return L"]";
    case K::RANGEEX_END: return L"}";
    default: return nullptr;
    }
}

// The lexical state a kind switches to, or -1 for none.
int32_t nextLexState(int32_t kind)
{
    using K = QueryParserConstants;
    switch (kind) {
    case K::CARAT: return K::Boost;
    case K::RANGEIN_START: return K::RangeIn;
    case K::RANGEEX_START: return K::RangeEx;
    case K::NUMBER:
    case K::RANGEIN_END:
    case K::RANGEEX_END: return K::DEFAULT;
    default: return -1;
    }
}

} // namespace

struct QueryParserTokenManager::Match
{
    int32_t kind = kNoKind;
    int32_t length = 0;     // characters of the longest match
    int32_t wide = 0;       // characters above U+FFFF among them
    int32_t read = 0;       // characters read for it, the last one included
    int32_t wideRead = 0;
    bool stoppedByChar = false; // the last character ended every match; else the input ended
    wchar_t last = 0;
};

QueryParserTokenManager::QueryParserTokenManager(const Lucene::QueryParserCharStreamPtr& stream)
{
    ReInit(stream);
}

QueryParserTokenManager::~QueryParserTokenManager() = default;

void QueryParserTokenManager::ReInit(const Lucene::QueryParserCharStreamPtr& stream)
{
    if (!stream)
        boost::throw_exception(Lucene::NullPointerException(L"The query lexer needs a character stream"));
    m_input = stream;
    m_lexState = DEFAULT;
    m_wideBefore = 0;
}

QueryParserTokenManager::Match QueryParserTokenManager::match(wchar_t c)
{
    Match m;
    uint32_t states = Start;
    for (;;) {
        ++m.read;
        if (QueryParseError::isSupplementary(c))
            ++m.wideRead;
        const Step next = step(m_lexState, states, c);
        if (next.kind != kNoKind) {
            m.kind = next.kind;
            m.length = m.read;
            m.wide = m.wideRead;
        }
        states = next.states;
        if (!states) {
            m.stoppedByChar = true;
            break;
        }
        try {
            c = m_input->readChar();
        } catch (const Lucene::IOException&) {
            break;
        }
    }
    m.last = c;
    return m;
}

Lucene::QueryParserTokenPtr QueryParserTokenManager::getNextToken()
{
    for (;;) {
        Match m;
        try {
            m = match(m_input->BeginToken());
        } catch (const Lucene::IOException&) {
            m.kind = EOF_;
        }
        if (m.kind == kNoKind)
            throwLexicalError(m);
        if (m.length < m.read)
            m_input->backup(m.read - m.length);

        const int32_t wideBefore = m_wideBefore;
        m_wideBefore += m.wide;
        if (m.kind == SKIPPED_WHITESPACE)
            continue;

        const wchar_t* literal = literalImage(m.kind);
        Lucene::QueryParserTokenPtr token
            = Lucene::QueryParserToken::newToken(m.kind, literal ? Lucene::String(literal) : m_input->GetImage());
        token->beginLine = m_input->getBeginLine();
        token->beginColumn = m_input->getBeginColumn() + wideBefore;
        token->endLine = m_input->getEndLine();
        token->endColumn = m_input->getEndColumn() + m_wideBefore;
        const int32_t state = nextLexState(m.kind);
        if (state >= 0)
            m_lexState = state;
        return token;
    }
}

void QueryParserTokenManager::throwLexicalError(const Match& m)
{
    // The figures are those of the UTF-16 text. There a wide character that
    // ends every match does so at its first unit, with the second unit still
    // to come; one cut off by the end of the input was read whole.
    const bool lastWide = QueryParseError::isSupplementary(m.last);
    const bool stoppedInsideWide = lastWide && m.stoppedByChar;
    wchar_t unit = m.last;
    int32_t extraUnits = m_wideBefore + m.wideRead - (lastWide ? 1 : 0);
    int32_t unitsRead = m.read + m.wideRead - (lastWide ? 1 : 0);
    if (stoppedInsideWide) {
        unit = QueryParseError::highSurrogate(m.last);
    } else if (lastWide) {
        unit = QueryParseError::lowSurrogate(m.last);
        ++extraUnits;
        ++unitsRead;
    }

    int32_t errorLine = m_input->getEndLine();
    int32_t errorColumn = m_input->getEndColumn() + extraUnits;
    bool eofSeen = false;
    if (!stoppedInsideWide) {
        try {
            m_input->readChar();
            m_input->backup(1);
        } catch (const Lucene::IOException&) {
            eofSeen = true;
        }
    }
    Lucene::String errorAfter;
    if (eofSeen) {
        if (unitsRead > 1)
            errorAfter = m_input->GetImage();
        if (unit == L'\n' || unit == L'\r') {
            ++errorLine;
            errorColumn = 0;
        } else {
            ++errorColumn;
        }
    } else {
        m_input->backup(1);
        if (unitsRead > 1)
            errorAfter = m_input->GetImage();
    }
    boost::throw_exception(
        Lucene::QueryParserError(QueryParseError::lexicalError(eofSeen, errorLine, errorColumn, errorAfter, unit)));
}

} // namespace tarnolix
