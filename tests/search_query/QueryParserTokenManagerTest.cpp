#include "search/query/QueryParserTokenManager.h"

#include "QueryLexing.h"

#include <gtest/gtest.h>

#include <utility>

using tarnolix::QueryParserConstants;
using tarnolix::QueryParserTokenManager;
using tarnolix::test::Lexed;
using tarnolix::test::lexAll;
using tarnolix::test::printable;
using K = QueryParserConstants;

namespace {

using KindImage = std::pair<int32_t, std::wstring>;

std::vector<KindImage> kindsAndImages(const Lexed& lexed)
{
    std::vector<KindImage> out;
    for (const auto& t : lexed.tokens)
        out.emplace_back(t.kind, t.image);
    return out;
}

const wchar_t kClef[] = L"\U0001D11E"; // above U+FFFF: two UTF-16 units

} // namespace

TEST(QueryParserTokenManager, TokensOfTheProximityOperatorsTermsAndLexicalStates)
{
    const struct
    {
        std::wstring text;
        std::vector<KindImage> tokens; // the end token follows
    } cases[] = {
        {L"\"a b\"@3", {{K::QUOTED, L"\"a b\""}, {K::FUZZY_SLOP2, L"@3"}}},
        {L"\"a b\"/", {{K::QUOTED, L"\"a b\""}, {K::CLEAR_SLOP, L"/"}}},
        {L"\"a b\"@", {{K::QUOTED, L"\"a b\""}, {K::FUZZY_SLOP2, L"@"}}},
        {L"\"a b\"/12", {{K::QUOTED, L"\"a b\""}, {K::CLEAR_SLOP, L"/12"}}},
        // A fraction is read as by "~": one <FUZZY_SLOP> with the whole text.
        {L"\"a b\"@2.5", {{K::QUOTED, L"\"a b\""}, {K::FUZZY_SLOP, L"@2.5"}}},
        {L"\"a b\"/10.75", {{K::QUOTED, L"\"a b\""}, {K::FUZZY_SLOP, L"/10.75"}}},
        // "." without a digit after it ends the token before it.
        {L"@3.", {{K::FUZZY_SLOP2, L"@3"}, {K::TERM, L"."}}},
        {L"/3.x", {{K::CLEAR_SLOP, L"/3"}, {K::TERM, L".x"}}},
        {L"@.5", {{K::FUZZY_SLOP2, L"@"}, {K::TERM, L".5"}}},
        {L"@3abc", {{K::FUZZY_SLOP2, L"@3"}, {K::TERM, L"abc"}}},
        // Inside a term both stay term characters.
        {L"abc@3", {{K::TERM, L"abc@3"}}},
        {L"a/b", {{K::TERM, L"a/b"}}},
        {L"a*@", {{K::WILDTERM, L"a*@"}}},
        {L"*/", {{K::WILDTERM, L"*/"}}},
        {L"@abc", {{K::FUZZY_SLOP2, L"@"}, {K::TERM, L"abc"}}},
        {L"/a*", {{K::CLEAR_SLOP, L"/"}, {K::PREFIXTERM, L"a*"}}},
        {L"@?", {{K::FUZZY_SLOP2, L"@"}, {K::WILDTERM, L"?"}}},
        // An escaped "@" begins a term like any escaped character.
        {L"\\@a", {{K::TERM, L"\\@a"}}},
        // NUL cannot begin a term but may follow its first character (last
        // here: Lucene++'s StringReader turns whatever follows a NUL into
        // NULs).
        {std::wstring(L"a\0", 2), {{K::TERM, std::wstring(L"a\0", 2)}}},
        // U+3000 separates like a blank.
        {L"a\u3000b", {{K::TERM, L"a"}, {K::TERM, L"b"}}},
        {L"AND ANDY && || ! NOT", {{K::AND, L"AND"}, {K::TERM, L"ANDY"}, {K::AND, L"&&"}, {K::OR, L"||"},
                                    {K::NOT, L"!"}, {K::NOT, L"NOT"}}},
        {L"* a* a*b", {{K::STAR, L"*"}, {K::PREFIXTERM, L"a*"}, {K::WILDTERM, L"a*b"}}},
        // "^" enters Boost, <NUMBER> returns to the default state.
        {L"a^2 \"x\"", {{K::TERM, L"a"}, {K::CARAT, L"^"}, {K::NUMBER, L"2"}, {K::QUOTED, L"\"x\""}}},
        {L"a^2.5@1", {{K::TERM, L"a"}, {K::CARAT, L"^"}, {K::NUMBER, L"2.5"}, {K::FUZZY_SLOP2, L"@1"}}},
        // "[" enters RangeIn, "]" returns; "}" is goop there; TO after the
        // range is a plain term again.
        {L"[a TO b}] TO",
         {{K::RANGEIN_START, L"["}, {K::RANGEIN_GOOP, L"a"}, {K::RANGEIN_TO, L"TO"}, {K::RANGEIN_GOOP, L"b}"},
          {K::RANGEIN_END, L"]"}, {K::TERM, L"TO"}}},
        {L"{\"a b\" TO b} TO",
         {{K::RANGEEX_START, L"{"}, {K::RANGEEX_QUOTED, L"\"a b\""}, {K::RANGEEX_TO, L"TO"},
          {K::RANGEEX_GOOP, L"b"}, {K::RANGEEX_END, L"}"}, {K::TERM, L"TO"}}},
        // "@" and "/" are goop in the range states.
        {L"[@1 TO /2]", {{K::RANGEIN_START, L"["}, {K::RANGEIN_GOOP, L"@1"}, {K::RANGEIN_TO, L"TO"},
                         {K::RANGEIN_GOOP, L"/2"}, {K::RANGEIN_END, L"]"}}},
    };
    for (const auto& c : cases) {
        std::vector<KindImage> expected = c.tokens;
        expected.emplace_back(K::EOF_, L"");
        const Lexed lexed = lexAll<QueryParserTokenManager>(c.text);
        EXPECT_EQ(lexed.error, L"") << printable(c.text);
        EXPECT_EQ(kindsAndImages(lexed), expected) << printable(c.text);
    }
}

TEST(QueryParserTokenManager, ColumnsCountUtf16Units)
{
    // Begin and end columns of each token, the end token last.
    const struct
    {
        std::wstring text;
        std::vector<std::pair<int32_t, int32_t>> columns;
    } cases[] = {
        {L"\"" + std::wstring(kClef) + L" a\"@3 b", {{0, 6}, {6, 8}, {9, 10}, {10, 10}}},
        {std::wstring(kClef) + kClef + L" x", {{0, 4}, {5, 6}, {6, 6}}},
        {L"[" + std::wstring(kClef) + L" TO b]", {{0, 1}, {1, 3}, {4, 6}, {7, 8}, {8, 9}, {9, 9}}},
    };
    for (const auto& c : cases) {
        const Lexed lexed = lexAll<QueryParserTokenManager>(c.text);
        ASSERT_EQ(lexed.tokens.size(), c.columns.size()) << printable(c.text);
        for (std::size_t i = 0; i < c.columns.size(); ++i) {
            EXPECT_EQ(lexed.tokens[i].beginColumn, c.columns[i].first) << printable(c.text) << " token " << i;
            EXPECT_EQ(lexed.tokens[i].endColumn, c.columns[i].second) << printable(c.text) << " token " << i;
            EXPECT_EQ(lexed.tokens[i].beginLine, 1);
        }
    }
    EXPECT_EQ(lexAll<QueryParserTokenManager>(std::wstring(kClef)).tokens.front().image, kClef);
}

TEST(QueryParserTokenManager, LexicalErrors)
{
    const std::wstring wide(kClef);
    const struct
    {
        std::wstring text;
        std::wstring error;
    } cases[] = {
        // Boost skips no white space.
        {L"a^ 2", L"Lexical error at line 1, column 3.  Encountered:\" \" (32), after : \"\""},
        // Ending on the unmatched character counts as the end of the input.
        {L"a^ ", L"Lexical error at line 1, column 4.  Encountered:<EOF> (32), after : \"\""},
        {L"a^\n", L"Lexical error at line 2, column 0.  Encountered:<EOF> (10), after : \"\""},
        {L"\"abc", L"Lexical error at line 1, column 5.  Encountered:<EOF> (99), after : \"\\\"abc\""},
        {L"\"\u00e9", L"Lexical error at line 1, column 3.  Encountered:<EOF> (233), after : \"\\\"\\u00e9\""},
        {L"a \\", L"Lexical error at line 1, column 4.  Encountered:<EOF> (92), after : \"\""},
        {L"] a", L"Lexical error at line 1, column 1.  Encountered:\"]\" (93), after : \"\""},
        // NUL begins no token; the message drops it.
        {std::wstring(L"a \0b", 4), L"Lexical error at line 1, column 3.  Encountered:\"\" (0), after : \"\""},
        // A wide character ends the match at its first unit; the second
        // unit still follows, so this is no end of input.
        {L"a^" + wide, L"Lexical error at line 1, column 3.  Encountered:\"\\ud834\" (55348), after : \"\""},
        // Cut off by the end of the input it was read whole.
        {L"\"" + wide,
         L"Lexical error at line 1, column 4.  Encountered:<EOF> (56606), after : \"\\\"\\ud834\\udd1e\""},
        {wide + L" \"x", L"Lexical error at line 1, column 6.  Encountered:<EOF> (120), after : \"\\\"x\""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(lexAll<QueryParserTokenManager>(c.text).error, c.error) << printable(c.text);
}

TEST(QueryParserTokenManager, ReInitStartsOverInTheDefaultState)
{
    const auto stream = [](const std::wstring& text) {
        return Lucene::newLucene<Lucene::FastCharStream>(Lucene::newLucene<Lucene::StringReader>(text));
    };
    const auto manager = Lucene::newLucene<QueryParserTokenManager>(stream(std::wstring(kClef) + L"^"));
    EXPECT_EQ(manager->getNextToken()->kind, K::TERM);
    EXPECT_EQ(manager->getNextToken()->kind, K::CARAT);

    // In Boost "2" would be a <NUMBER>; the wide character before is forgotten.
    manager->ReInit(stream(L"2"));
    const Lucene::QueryParserTokenPtr token = manager->getNextToken();
    EXPECT_EQ(token->kind, K::TERM);
    EXPECT_EQ(token->beginColumn, 0);
    EXPECT_EQ(token->endColumn, 1);
    EXPECT_EQ(manager->getNextToken()->kind, K::EOF_);
    // The end repeats.
    EXPECT_EQ(manager->getNextToken()->kind, K::EOF_);
}
