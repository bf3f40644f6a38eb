#pragma once
// Token kinds, lexical states and token images of the query language, shared
// by the parser and its token manager (both derive from this class). Kinds
// 0-33 are those of the classic Lucene grammar; 41 and 42 are our own
// proximity tokens. The images name each kind in syntax errors.

#include <LuceneHeaders.h>

#include <cstddef>

namespace tarnolix {

class QueryParserConstants
{
public:
    virtual ~QueryParserConstants() = default;

    enum Kind : int32_t {
        EOF_ = 0,
        // 1-6 are parts of other tokens; the lexer never yields them.
        NUM_CHAR_ = 1,
        ESCAPED_CHAR_ = 2,
        TERM_START_CHAR_ = 3,
        TERM_CHAR_ = 4,
        WHITESPACE_ = 5,
        QUOTED_CHAR_ = 6,
        // Skipped white space, never handed to the parser.
        SKIPPED_WHITESPACE = 7,
        AND = 8,
        OR = 9,
        NOT = 10,
        PLUS = 11,
        MINUS = 12,
        LPAREN = 13,
        RPAREN = 14,
        COLON = 15,
        STAR = 16,
        CARAT = 17,
        QUOTED = 18,
        TERM = 19,
        FUZZY_SLOP = 20,
        PREFIXTERM = 21,
        WILDTERM = 22,
        RANGEIN_START = 23,
        RANGEEX_START = 24,
        NUMBER = 25,
        RANGEIN_TO = 26,
        RANGEIN_END = 27,
        RANGEIN_QUOTED = 28,
        RANGEIN_GOOP = 29,
        RANGEEX_TO = 30,
        RANGEEX_END = 31,
        RANGEEX_QUOTED = 32,
        RANGEEX_GOOP = 33,
        // "@" and "/" with an optional count: proximity after a quoted phrase.
        FUZZY_SLOP2 = 41,
        CLEAR_SLOP = 42,
    };

    enum LexicalState : int32_t {
        Boost = 0,
        RangeEx = 1,
        RangeIn = 2,
        DEFAULT = 3,
    };

    static constexpr int TokenImageCount = 43;
    // The grammar's choice points know only the classic kinds, so expected
    // lists never name a kind from here on.
    static constexpr int ClassicKindCount = 34;

    // One collection element per array entry, in array order.
    static Lucene::Collection<Lucene::String> makeTokenImage(const wchar_t* const* images, std::size_t count);
    template <std::size_t N>
    static Lucene::Collection<Lucene::String> makeTokenImage(const wchar_t* const (&images)[N])
    {
        return makeTokenImage(images, N);
    }

    // The 43 images; built with the start-up tables, read-only afterwards.
    static const Lucene::Collection<Lucene::String>& tokenImage();

protected:
    QueryParserConstants() = default;
};

} // namespace tarnolix
