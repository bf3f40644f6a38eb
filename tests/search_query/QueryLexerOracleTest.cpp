// Our lexer against the stock Lucene++ token manager on the classic grammar:
// texts in which no token begins with "@", "/" or NUL (where ours differs
// by design) and with no character above U+FFFF (which the stock lexer's
// tables do not cover) must give the same tokens, positions and lexical
// error texts.
//
// The stock constructor leaves the automaton's round stamps uninitialised
// (valgrind shows it), so a fresh stock lexer may drop states and split
// terms depending on what the heap held before; ReInit sets them, as the
// stock parser does before every parse.

#include "search/query/QueryParserTokenManager.h"

#include "QueryGenerator.h"
#include "QueryLexing.h"

#include <QueryParserTokenManager.h>

#include <gtest/gtest.h>

using tarnolix::test::charStream;
using tarnolix::test::Lexed;
using tarnolix::test::lexAll;
using tarnolix::test::lexTokens;
using tarnolix::test::printable;
using tarnolix::test::QueryGenerator;

namespace {

void expectSameAsStock(const std::wstring& text)
{
    const Lexed ours = lexAll<tarnolix::QueryParserTokenManager>(text);
    const Lucene::QueryParserCharStreamPtr stream = charStream(text);
    const auto stockManager = Lucene::newLucene<Lucene::QueryParserTokenManager>(stream);
    stockManager->ReInit(stream);
    const Lexed stock = lexTokens(stockManager, text);
    EXPECT_EQ(ours, stock) << "text \"" << printable(text) << '"';
}

} // namespace

TEST(QueryLexerOracle, EveryShortTextOfTheClassicAlphabet)
{
    static const wchar_t alphabet[] = L" \t\n\"\\*?~^:+-!()[]{}&|aATO.1\u00e9\u3000";
    const std::size_t size = std::size(alphabet) - 1;
    std::wstring text;
    for (std::size_t length = 1; length <= 3; ++length) {
        std::vector<std::size_t> index(length, 0);
        for (;;) {
            text.clear();
            for (std::size_t i : index)
                text += alphabet[i];
            expectSameAsStock(text);
            std::size_t p = 0;
            while (p < length && ++index[p] == size)
                index[p++] = 0;
            if (p == length)
                break;
        }
    }
}

TEST(QueryLexerOracle, SeededRandomQueries)
{
    QueryGenerator generator(20240521);
    for (int i = 0; i < 20000; ++i) {
        expectSameAsStock(generator.query());
        if (::testing::Test::HasFailure())
            break;
    }
}
