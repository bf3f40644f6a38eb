#include "search/query/QueryParserConstants.h"

#include "core/StartupTables.h"

#include <gtest/gtest.h>

TEST(QueryParserConstants, TokenImagesAreBuiltBeforeMainWithTheStartupTables)
{
    // Only the start-up build records the name: nothing here has asked for
    // the images yet.
    EXPECT_TRUE(StartupTables::builtTables().contains(QStringLiteral("query token images")));
}

TEST(QueryParserConstants, TokenImagesAreIndexedByKind)
{
    const auto& images = tarnolix::QueryParserConstants::tokenImage();
    ASSERT_EQ(images.size(), 43);
    const std::pair<int, const wchar_t*> cases[] = {
        {0, L"<EOF>"},        {7, L"<token of kind 7>"}, {8, L"<AND>"},        {11, L"\"+\""},
        {17, L"\"^\""},       {19, L"<TERM>"},           {23, L"\"[\""},       {24, L"\"{\""},
        {25, L"<NUMBER>"},    {26, L"\"TO\""},           {27, L"\"]\""},       {30, L"\"TO\""},
        {31, L"\"}\""},       {33, L"<RANGEEX_GOOP>"},   {34, L""},            {40, L""},
        {41, L"<FUZZY_SLOP2>"}, {42, L"<CLEAR_SLOP>"},
    };
    for (const auto& [kind, image] : cases)
        EXPECT_EQ(images[kind], Lucene::String(image)) << "kind " << kind;
    EXPECT_EQ(images[26].size(), 4u);
    // The classic kinds agree with Lucene's own grammar.
    for (int kind = 0; kind <= 33; ++kind)
        EXPECT_EQ(images[kind], Lucene::QueryParserConstants::tokenImage[kind]) << "kind " << kind;
}

TEST(QueryParserConstants, MakeTokenImageKeepsArrayOrder)
{
    const wchar_t* const images[] = {L"b", L"", L"a"};
    const auto collection = tarnolix::QueryParserConstants::makeTokenImage(images);
    ASSERT_EQ(collection.size(), 3);
    EXPECT_EQ(collection[0], L"b");
    EXPECT_EQ(collection[1], L"");
    EXPECT_EQ(collection[2], L"a");
}
