#include "search/index/HTMLTagsPositions.h"
#include "search/index/StringReader.h"
#include "search/index/TokenFilters.h"
#include "search/index/Tokenizers.h"

#include "core/TarnolixText.h"
#include "core/TextNormalization.h"

#include "tests/search_index/TokenStreamText.h"

#include <gtest/gtest.h>

#include <random>

using namespace tarnolix;
using tarnolix::test::Token;

namespace {

// The mask drawn under its text: '#' inside a tag, '.' outside.
std::string drawn(const HTMLTagsPositions& positions)
{
    std::string out;
    for (uint8_t marked : positions.mask())
        out += marked ? '#' : '.';
    return out;
}

Lucene::TokenStreamPtr htmlWords(const std::wstring& html)
{
    auto positions = std::make_shared<HTMLTagsPositions>(html);
    return Lucene::newLucene<SimpleHTMLFilter>(positions,
                                               Lucene::newLucene<TarnolixTokenizer>(Lucene::newLucene<StringReader>(html)));
}

std::vector<std::wstring> folded(const std::wstring& text)
{
    return test::terms(Lucene::newLucene<DiacriticsFilter>(
        Lucene::newLucene<TarnolixTokenizer>(Lucene::newLucene<StringReader>(text))));
}

} // namespace

TEST(HTMLTagsPositions, MarksListedTagsOnly)
{
    const struct
    {
        const wchar_t* html;
        const char* mask;
    } cases[] = {
        {L"<span class=\"w\">word</span>",
         "################....#######"},
        // Unlisted and upper-case tags are text.
        {L"<b>x</b><DIV>y",
         ".............."},
        {L"<p>a<br>b</p><em>c</em>",
         "###.####.########.#####"},
        // Quotes mean nothing: the first ">" ends an anchor's region...
        {L"<a href=\"x>y\">t</a>",
         "###########....####"},
        // ...while a whole tag inside an attribute is balanced.
        {L"<div title=\"<i>z</i>\">t</div>",
         "######################.######"},
        // An opening tag without ">" runs to the end; a cut-off literal tag is text.
        {L"x <span class=\"y",
         "..##############"},
        {L"a</p",
         "...."},
        // "<" that begins no listed tag, and openers matched as prefixes.
        {L"a < b <abbr>c",
         "......######."},
        {L"<h1 id=x>T</h1><h2>U",
         "#########.#########."},
        {L"", ""},
    };
    for (const auto& c : cases) {
        HTMLTagsPositions positions(c.html);
        EXPECT_EQ(drawn(positions), c.mask) << QString::fromWCharArray(c.html).toStdString();
    }
}

TEST(HTMLTagsPositions, RefillKeepsTheObject)
{
    HTMLTagsPositions positions(L"<p>longer text here");
    const HTMLTagsPositions* before = &positions;
    positions.set(L"ab<i>");
    EXPECT_EQ(&positions, before);
    EXPECT_EQ(drawn(positions), "..###");
    positions.set(L"");
    EXPECT_TRUE(positions.mask().empty());
}

TEST(HTMLTagsPositions, IsInTagBounds)
{
    const HTMLTagsPositions positions(L"<p>ab"); // ###..
    const struct
    {
        int32_t start, end;
        bool inTag;
    } cases[] = {
        {0, 1, true},   {2, 3, true},   {2, 4, true},  {3, 5, false}, {3, 99, false},
        {-1, 2, false}, {1, 1, false},  {2, 1, false}, {5, 6, false}, {9, 12, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(positions.isInTag(c.start, c.end), c.inTag) << c.start << ".." << c.end;

    const HTMLTagsPositions empty{std::wstring()};
    EXPECT_FALSE(empty.isInTag(0, 1));
    EXPECT_FALSE(empty.isInTag(0, 0));
}

TEST(HTMLTagsPositions, UsesCoresTagLists)
{
    // Every listed tag is marked whole; the lists are core's.
    for (const auto* list : {&TarnolixText::htmlTagOpenersW(), &TarnolixText::htmlPlainTagsWithBreaksW()}) {
        for (const std::wstring& tag : *list) {
            const std::wstring html = tag + (tag.back() == L'>' ? L"" : L">");
            EXPECT_EQ(drawn(HTMLTagsPositions(html)), std::string(html.size(), '#'))
                << QString::fromStdWString(tag).toStdString();
        }
    }
}

TEST(SimpleHTMLFilter, KeepsTextTokensWithRawOffsets)
{
    const std::wstring html = L"<div class=\"verse\"><span class=\"w\">Word</span> two<b>x</b></div>";
    const std::vector<Token> expected = {
        {L"Word", 35, 39, 1},
        {L"two", 47, 50, 1},
        {L"b", 51, 52, 1},
        {L"x", 53, 54, 1},
        {L"b", 56, 57, 1},
    };
    EXPECT_EQ(test::tokens(htmlWords(html)), expected);
    EXPECT_EQ(html.substr(35, 4), L"Word");
    EXPECT_TRUE(test::tokens(htmlWords(L"<p></p><br>")).empty());
}

TEST(DiacriticsFilter, FoldsByTheTermsFirstLetter)
{
    const struct
    {
        const wchar_t* text;
        std::vector<std::wstring> terms;
    } cases[] = {
        // Case is kept; only marks go.
        {L"Kṛṣṇa-dvaipāyana Śrī Caitanya", {L"Krsna", L"dvaipayana", L"Sri", L"Caitanya"}},
        {L"cafe\u0301", {L"cafe"}},
        // Russian: the books' private-use letters fold, й and ё lose their marks.
        {L"\u043a\uF101\u043c\uF115\u0430 Йога ёлка", {L"камра", L"Иога", L"елка"}},
        // Latin first: folded as English, so Cyrillic and private-use letters stay.
        {L"ks\u0323etra\u043a\uF101", {L"ksetra\u043a\uF101"}},
        // Cyrillic first: the Russian transform of ICU 72 also spells the Latin
        // letters in Cyrillic ("x" as two letters).
        {L"\u043a\uF101dharma кx", {L"кадхарма", L"ккс"}},
        // No Latin or Cyrillic letter: English rules, so a private-use letter stays.
        {L"\uF101 2024 12\u00BD \u0661\u0662", {L"\uF101", L"2024", L"12\u00BD", L"\u0661\u0662"}},
        // Nothing but a mark-bearing digit: normalised and stripped.
        {L"2\u0301", {L"2"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(folded(c.text), c.terms) << QString::fromWCharArray(c.text).toStdString();
}

// Plain ASCII and basic Cyrillic words skip the ICU transform: the filter
// must still give what the transform gives, for every letter and in words.
TEST(DiacriticsFilter, WordsThatSkipTheTransformFoldAsTheTransformWould)
{
    std::vector<std::wstring> alphabets = {L"", L""};
    for (wchar_t c = 0x21; c < 0x7F; ++c)
        alphabets[0] += c;
    for (wchar_t c = 0x410; c <= 0x44F; ++c)
        alphabets[1] += c;
    std::mt19937 random(7);
    for (const std::wstring& letters : alphabets) {
        std::vector<std::wstring> words;
        for (const wchar_t c : letters)
            words.emplace_back(1, c);
        for (int i = 0; i < 5000; ++i) {
            std::wstring word;
            for (std::size_t n = 1 + random() % 12; n > 0; --n)
                word += letters[random() % letters.size()];
            words.push_back(word);
        }
        for (const std::wstring& word : words) {
            const Lucene::TokenStreamPtr single = Lucene::newLucene<DiacriticsFilter>(
                Lucene::newLucene<Lucene::KeywordTokenizer>(Lucene::newLucene<StringReader>(word)));
            const std::vector<std::wstring> got = test::terms(single);
            const TarnolixConstants::Language language = detectTextLanguage(QString::fromStdWString(word));
            const icu::UnicodeString expected = transliterateWString(language, word.data(), int(word.size()));
            ASSERT_EQ(got.size(), 1u);
            EXPECT_EQ(QString::fromStdWString(got.front()), icuToQString(expected)) << QString::fromStdWString(word).toStdString();
        }
    }
}

TEST(DiacriticsFilter, KeepsOffsetsAndPositions)
{
    const std::wstring text = L"Gītā  and\u00A0Ṛṣi";
    const auto tokens = test::tokens(Lucene::newLucene<DiacriticsFilter>(
        Lucene::newLucene<TarnolixTokenizer>(Lucene::newLucene<StringReader>(text))));
    const std::vector<Token> expected = {{L"Gita", 0, 4, 1}, {L"and", 6, 9, 1}, {L"Rsi", 10, 13, 1}};
    EXPECT_EQ(tokens, expected);
}
