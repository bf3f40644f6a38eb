#include "search/index/StringReader.h"
#include "search/index/Tokenizers.h"
#include "search/index/Utf16Units.h"

#include "tests/search_index/TokenStreamText.h"

#include <gtest/gtest.h>

using namespace tarnolix;
using tarnolix::test::Token;

namespace {

template <class T>
std::vector<std::wstring> split(const std::wstring& text)
{
    return test::terms(Lucene::newLucene<T>(Lucene::newLucene<StringReader>(text)));
}

struct SplitCase
{
    const wchar_t* text;
    std::vector<std::wstring> terms;
};

} // namespace

TEST(TarnolixTokenizer, WordCharacters)
{
    const SplitCase cases[] = {
        {L"don't stop-words_2", {L"don", L"t", L"stop", L"words", L"2"}},
        // A combining acute accent is a diacritic and stays in the word.
        {L"cafe\u0301 au", {L"cafe\u0301", L"au"}},
        // Private-use letters of the books' fonts are word characters.
        {L"\u043a\uF101\u043c\u0430", {L"\u043a\uF101\u043c\u0430"}},
        // "^", "`" and the middle dot have the Diacritic property in ICU 72.
        {L"a^b a\u00B7b a`b", {L"a^b", L"a\u00B7b", L"a`b"}},
        // A combining Cyrillic letter is a nonspacing mark without it.
        {L"\u0431\u2DE0\u0432", {L"\u0431", L"\u0432"}},
        // So is an enclosing mark.
        {L"x\u0488y", {L"x", L"y"}},
        {L"Ṛṣi 12\u00BD \u2163", {L"Ṛṣi", L"12\u00BD", L"\u2163"}},
        {L"a\u00A0b\u2019c\u200Bd", {L"a", L"b", L"c", L"d"}},
        {L"", {}},
        {L" .,;- ", {}},
        // A character above U+FFFF separates, as its surrogate halves would.
        {L"ab\U0001D49Ccd", {L"ab", L"cd"}},
        {L"\U00020000", {}},
    };
    for (const SplitCase& c : cases)
        EXPECT_EQ(split<TarnolixTokenizer>(c.text), c.terms) << Lucene::StringUtils::toUTF8(c.text);
}

TEST(TarnolixTokenizer, OffsetsCountWideCharactersUntilConverted)
{
    // "ab" + U+1D49C + "cd ef": the supplementary letter is one wide character
    // and two UTF-16 units.
    const std::wstring text = L"ab\U0001D49Ccd ef";
    const auto tokens = test::tokens(Lucene::newLucene<TarnolixTokenizer>(Lucene::newLucene<StringReader>(text)));
    ASSERT_EQ(tokens.size(), 3u);
    EXPECT_EQ(tokens[0], (Token{L"ab", 0, 2}));
    EXPECT_EQ(tokens[1], (Token{L"cd", 3, 5}));
    EXPECT_EQ(tokens[2], (Token{L"ef", 6, 8}));

    // Leaving search, offsets after the letter are one higher.
    const int32_t expectedStarts[] = {0, 4, 7};
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        EXPECT_EQ(utf16Offset(text, tokens[i].start), expectedStarts[i]);
        EXPECT_EQ(utf16Units(text, tokens[i].start, tokens[i].end - tokens[i].start), 2);
    }
    EXPECT_EQ(utf16Offset(text, int32_t(text.size())), int32_t(QString::fromStdWString(text).size()));
    EXPECT_EQ(utf16Units(text, 1, 2), 3);
}

TEST(Utf16Units, RangesAreCutToTheText)
{
    const std::wstring text = L"\U0001F600a\U0001F600";
    const struct
    {
        int32_t start, count, units;
    } cases[] = {
        {0, 0, 0}, {0, 1, 2}, {0, 3, 5}, {1, 1, 1}, {1, 2, 3},
        {0, 10, 5}, {2, 10, 2}, {3, 1, 0}, {7, 2, 0}, {-1, 2, 2}, {1, -1, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(utf16Units(text, c.start, c.count), c.units) << c.start << "+" << c.count;
    EXPECT_EQ(utf16Units(std::wstring(), 0, 3), 0);
    // A value beyond U+10FFFF, which no UTF-16 text can hold, counts as one
    // unit, as the query parser's error texts count it.
    const std::wstring odd = {L'a', wchar_t(0x10FFFF), wchar_t(0x110000), L'b'};
    EXPECT_EQ(utf16Units(odd, 0, 4), 5);
}

TEST(ShortNameTokenizer, SplitsOnWhiteSpaceOnly)
{
    const SplitCase cases[] = {
        {L"Bg 1.2.3-a", {L"Bg", L"1.2.3-a"}},
        {L"  SB\t10.2\n", {L"SB", L"10.2"}},
        {L"a\u00A0b\u3000c", {L"a", L"b", L"c"}},
        {L"\U0001D49Cx", {L"\U0001D49Cx"}},
        {L"", {}},
    };
    for (const SplitCase& c : cases)
        EXPECT_EQ(split<ShortNameTokenizer>(c.text), c.terms) << Lucene::StringUtils::toUTF8(c.text);
}

TEST(StringReader, ReadsSharedTextToItsEnd)
{
    auto text = std::make_shared<const std::wstring>(L"abc\U0001F600");
    StringReader reader(text);
    EXPECT_EQ(reader.length(), 4);
    EXPECT_FALSE(reader.markSupported());

    wchar_t buffer[8] = {};
    EXPECT_EQ(reader.read(buffer, 0, 0), 0) << "a read of nothing while text remains";
    EXPECT_EQ(reader.read(buffer, 0, -3), 0);
    EXPECT_EQ(reader.read(buffer, 1, 2), 2);
    EXPECT_EQ(std::wstring(buffer + 1, 2), L"ab");
    EXPECT_EQ(reader.read(), int32_t(L'c'));
    EXPECT_EQ(reader.read(buffer, 0, 8), 1);
    EXPECT_EQ(buffer[0], L'\U0001F600');
    EXPECT_EQ(reader.read(buffer, 0, 8), Lucene::Reader::READER_EOF);
    EXPECT_EQ(reader.read(buffer, 0, 0), Lucene::Reader::READER_EOF);
    EXPECT_EQ(reader.read(), Lucene::Reader::READER_EOF);

    reader.reset();
    EXPECT_EQ(reader.read(), int32_t(L'a'));
    reader.close();
    EXPECT_EQ(reader.read(), Lucene::Reader::READER_EOF);
    EXPECT_EQ(reader.read(buffer, 0, 8), Lucene::Reader::READER_EOF);
    EXPECT_EQ(reader.length(), 0);
    reader.reset();
    EXPECT_EQ(reader.read(buffer, 0, 0), Lucene::Reader::READER_EOF);
    EXPECT_EQ(text->size(), 4u) << "closing drops the reader's share, not the text";

    StringReader empty{std::wstring()};
    EXPECT_EQ(empty.read(buffer, 0, 0), Lucene::Reader::READER_EOF);
}
