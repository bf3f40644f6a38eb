#include "search/query/QueryParseError.h"

#include "search/query/QueryParserConstants.h"

#include <gtest/gtest.h>

#include <initializer_list>

using tarnolix::QueryParseError;
using tarnolix::QueryParserConstants;
using K = QueryParserConstants;

namespace {

Lucene::QueryParserTokenPtr token(int32_t kind, const std::wstring& image, int32_t column)
{
    Lucene::QueryParserTokenPtr t = Lucene::QueryParserToken::newToken(kind, image);
    t->beginLine = t->endLine = 1;
    t->beginColumn = column;
    t->endColumn = column + int32_t(image.size());
    return t;
}

// The last good token followed by the unexpected ones.
Lucene::QueryParserTokenPtr chain(std::initializer_list<Lucene::QueryParserTokenPtr> tokens)
{
    Lucene::QueryParserTokenPtr previous;
    for (auto it = std::rbegin(tokens); it != std::rend(tokens); ++it) {
        (*it)->next = previous;
        previous = *it;
    }
    return previous;
}

Lucene::Collection<Lucene::Collection<int32_t>> sequences(std::initializer_list<std::initializer_list<int32_t>> lists)
{
    auto out = Lucene::Collection<Lucene::Collection<int32_t>>::newInstance();
    for (const auto& list : lists) {
        auto sequence = Lucene::Collection<int32_t>::newInstance();
        for (int32_t kind : list)
            sequence.add(kind);
        out.add(sequence);
    }
    return out;
}

} // namespace

TEST(QueryParseError, EscapesQuotedInput)
{
    const struct
    {
        std::wstring text;
        std::wstring escaped;
    } cases[] = {
        {std::wstring(L"a\0b", 3), L"ab"},
        {L"\b\t\n\f\r", L"\\b\\t\\n\\f\\r"},
        {L"\"'\\", L"\\\"\\'\\\\"},
        {L" az~", L" az~"},
        {L"\u00e9", L"\\u00e9"},
        {L"\x01\x7f\u3000", L"\\u0001\\u007f\\u3000"},
        {L"\U0001F600", L"\\ud83d\\ude00"},
        // No character: shown as the replacement character.
        {std::wstring(1, wchar_t(0x110000)), L"\\ufffd"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(QueryParseError::addEscapes(c.text), c.escaped);
}

TEST(QueryParseError, OneExpectedSequence)
{
    const auto current = chain({token(K::TERM, L"a", 0), token(K::RPAREN, L")", 2), token(K::EOF_, L"", 3)});
    EXPECT_EQ(QueryParseError::parseError(current, sequences({{K::EOF_}}), QueryParserConstants::tokenImage()),
              L"Encountered \" \")\" \") \"\" at line 1, column 2.\n"
              L"Was expecting:\n"
              L"    <EOF> \n"
              L"    ");
}

TEST(QueryParseError, SeveralExpectedSequencesAndOurOwnTokens)
{
    // Only a sequence that does not end the input gets "...".
    const auto current = chain({token(K::EOF_, L"", 0), token(K::FUZZY_SLOP2, L"@3", 0), token(K::EOF_, L"", 2)});
    EXPECT_EQ(QueryParseError::parseError(current, sequences({{K::TERM}, {K::EOF_}, {K::STAR}}),
                                          QueryParserConstants::tokenImage()),
              L"Encountered \" <FUZZY_SLOP2> \"@3 \"\" at line 1, column 0.\n"
              L"Was expecting one of:\n"
              L"    <TERM> ...\n"
              L"    <EOF> \n"
              L"    \"*\" ...\n"
              L"    ");
}

TEST(QueryParseError, EncounteredShowsAsManyTokensAsTheLongestSequenceUpToTheEnd)
{
    const auto current = chain({token(K::TERM, L"a", 0), token(K::TERM, L"x\u00e9", 2), token(K::COLON, L":", 4),
                                token(K::EOF_, L"", 5)});
    // Two tokens for a sequence of two.
    EXPECT_EQ(QueryParseError::parseError(current, sequences({{K::TERM, K::COLON}, {K::STAR}}),
                                          QueryParserConstants::tokenImage()),
              L"Encountered \" <TERM> \"x\\u00e9 \"  \":\" \": \"\" at line 1, column 2.\n"
              L"Was expecting one of:\n"
              L"    <TERM> \":\" ...\n"
              L"    \"*\" ...\n"
              L"    ");
    // <EOF> stops the list before the longest sequence's length.
    EXPECT_EQ(QueryParseError::parseError(current, sequences({{K::TERM, K::COLON, K::TERM, K::STAR}}),
                                          QueryParserConstants::tokenImage()),
              L"Encountered \" <TERM> \"x\\u00e9 \"  \":\" \": \" <EOF>\" at line 1, column 2.\n"
              L"Was expecting:\n"
              L"    <TERM> \":\" <TERM> \"*\" ...\n"
              L"    ");
}

TEST(QueryParseError, NeedsTheUnexpectedToken)
{
    EXPECT_THROW(QueryParseError::parseError(token(K::TERM, L"a", 0), sequences({{K::EOF_}}),
                                             QueryParserConstants::tokenImage()),
                 Lucene::IllegalArgumentException);
}
