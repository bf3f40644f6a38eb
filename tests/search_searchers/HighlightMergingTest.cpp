// Merging several highlighted renderings of one text into one.
#include "search/searchers/HighlightMerging.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace tarnolix;

namespace {

const std::wstring kOpen = L"<m>";
const std::wstring kClose = L"</m>";

std::string narrow(const std::wstring& text)
{
    std::string out;
    for (wchar_t c : text)
        out += c < 0x80 ? char(c) : '?';
    return out;
}

} // namespace

TEST(HighlightMerging, MarkedRunsBecomeTheirUnion)
{
    struct Row
    {
        std::string name;
        std::vector<std::wstring> renderings;
        std::wstring merged;
    };
    const Row rows[] = {
        {"one rendering, an empty run disappears", {L"a<m></m>b<m>cd</m>e"}, L"ab<m>cd</m>e"},
        {"overlapping runs 2-4 and 4-6", {L"01<m>234</m>5678", L"0123<m>456</m>78"}, L"01<m>23456</m>78"},
        {"adjacent runs", {L"01<m>23</m>4567", L"0123<m>45</m>67"}, L"01<m>2345</m>67"},
        {"a run inside another", {L"0<m>12345</m>6", L"012<m>3</m>456"}, L"0<m>12345</m>6"},
        {"a run at the very end", {L"ab<m>cd</m>", L"abc<m>d</m>"}, L"ab<m>cd</m>"},
        {"a rendering ending inside a run", {L"ab<m>cd", L"abcd"}, L"ab<m>cd</m>"},
        {"a second open tag changes nothing, the first close ends the run", {L"a<m>b<m>c</m>d</m>e"},
         L"a<m>bc</m>de"},
        {"no marks", {L"abc", L"abc"}, L"abc"},
        {"the real tags", {L"рама <mark class=\"highlight\">сита</mark>"},
         L"рама <mark class=\"highlight\">сита</mark>"},
    };
    for (const Row& row : rows) {
        const bool real = row.name == "the real tags";
        const MergedHighlights merged = highlightSegments(row.renderings, real ? L"<mark class=\"highlight\">" : kOpen,
                                                          real ? L"</mark>" : kClose);
        EXPECT_TRUE(merged.ok) << row.name;
        EXPECT_EQ(merged.text, row.merged) << row.name << ": " << narrow(merged.text);
        EXPECT_EQ(merged.sourcePositions.size(), row.renderings.size()) << row.name;
        ASSERT_FALSE(merged.positions.empty()) << row.name;
        EXPECT_EQ(merged.positions.back(), merged.text.size()) << row.name;
    }
}

TEST(HighlightMerging, PositionMapsLeadFromEachRenderingToTheMergedText)
{
    const MergedHighlights merged = highlightSegments({L"ab<m>c</m>d", L"<m>a</m>bcd"}, kOpen, kClose);
    ASSERT_TRUE(merged.ok);
    EXPECT_EQ(merged.text, L"<m>a</m>b<m>c</m>d");
    // A character's part starts with the open tag of the run it opens and
    // after the close tag of the run it follows.
    EXPECT_EQ(merged.positions, (std::vector<uint32_t>{0, 8, 9, 17, 18}));
    // Every character of a tag maps to the plain position where it stood.
    ASSERT_EQ(merged.sourcePositions.size(), 2u);
    EXPECT_EQ(merged.sourcePositions[0], (std::vector<uint64_t>{0, 1, 2, 2, 2, 2, 3, 3, 3, 3, 3, 4}));
    EXPECT_EQ(merged.sourcePositions[1], (std::vector<uint64_t>{0, 0, 0, 0, 1, 1, 1, 1, 1, 2, 3, 4}));

    const HighlightedText parsed = parseHighlightedText(L"x<m>yz", kOpen, kClose);
    EXPECT_EQ(parsed.plainText, L"xyz");
    EXPECT_EQ(parsed.marks, (std::vector<bool>{false, true, true}));
    EXPECT_EQ(parsed.sourcePositions, (std::vector<uint64_t>{0, 1, 1, 1, 1, 2, 3}));
}

TEST(HighlightMerging, ACharacterAboveTheBasicPlaneIsOneUnitAndStaysWhole)
{
    // U+1D11E MUSICAL SYMBOL G CLEF and U+1F600 between marked runs.
    const std::wstring clef = L"\U0001D11E";
    const std::wstring face = L"\U0001F600";
    const MergedHighlights merged =
        highlightSegments({L"a" + clef + L"<m>b</m>" + face, L"a<m>" + clef + L"</m>b" + face}, kOpen, kClose);
    ASSERT_TRUE(merged.ok);
    EXPECT_EQ(merged.text, L"a<m>" + clef + L"b</m>" + face);
    EXPECT_EQ(merged.positions, (std::vector<uint32_t>{0, 1, 5, 10, 11}));
    EXPECT_EQ(merged.sourcePositions[0], (std::vector<uint64_t>{0, 1, 2, 2, 2, 2, 3, 3, 3, 3, 3, 4}));
}

TEST(HighlightMerging, WhatCannotBeMergedComesBackAsTheFirstRendering)
{
    struct Row
    {
        std::string name;
        std::vector<std::wstring> renderings;
        std::wstring open;
        std::wstring close;
    };
    const Row rows[] = {
        {"plain texts differ in one character", {L"ab<m>cd</m>", L"<m>ab</m>ce"}, kOpen, kClose},
        {"plain texts differ in length", {L"abc", L"ab<m>c</m>d"}, kOpen, kClose},
        {"an empty open tag", {L"ab<m>cd</m>", L"abcd"}, L"", kClose},
        {"an empty close tag", {L"ab<m>cd</m>", L"abcd"}, kOpen, L""},
    };
    for (const Row& row : rows) {
        const MergedHighlights merged = highlightSegments(row.renderings, row.open, row.close);
        EXPECT_FALSE(merged.ok) << row.name;
        EXPECT_EQ(merged.text, row.renderings.front()) << row.name;
    }

    const MergedHighlights none = highlightSegments({}, kOpen, kClose);
    EXPECT_TRUE(none.ok);
    EXPECT_TRUE(none.text.empty());
    EXPECT_TRUE(none.positions.empty());

    // Parsing alone with an empty tag ends too: the tag never matches.
    const HighlightedText parsed = parseHighlightedText(L"a<m>b", L"", kClose);
    EXPECT_EQ(parsed.plainText, L"a<m>b");
}
