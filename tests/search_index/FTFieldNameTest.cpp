#include "search/index/FTFieldName.h"

#include <gtest/gtest.h>

#include <thread>

using tarnolix::FTFieldName;

namespace {

struct NameCase
{
    const wchar_t* text;
    char16_t letter;
    bool exactMatch, accountOfDiacritics, extraMode;
    const wchar_t* base;
};

} // namespace

TEST(FTFieldName, ParseAndText)
{
    const NameCase cases[] = {
        {L"A", u'A', false, false, false, L""},
        {L"B", u'B', false, false, true, L""},
        {L"E", u'E', true, false, false, L""},
        {L"H", u'H', true, true, true, L""},
        {L"cts1Ewwo", u'E', true, false, false, L"wwo"},
        {L"cts1Gwwt", u'G', true, true, false, L"wwt"},
        {L"cts1Awwt", u'A', false, false, false, L"wwt"},
        {L"cts1D\u00E9", u'D', false, true, true, L"\u00E9"},
        {L"cts1Hx", u'H', true, true, true, L"x"},
        // Invalid: letter 0, no bits, no base.
        {L"cts1Iwwo", 0, false, false, false, L""},
        {L"cts1A", 0, false, false, false, L""},
        {L"cts", 0, false, false, false, L""},
        {L"sn", 0, false, false, false, L""},
        {L"", 0, false, false, false, L""},
        {L"I", 0, false, false, false, L""},
        {L"a", 0, false, false, false, L""},
        {L"AB", 0, false, false, false, L""},
        {L"Awwo", 0, false, false, false, L""},
        {L"cts2Awwo", 0, false, false, false, L""},
        {L"CTS1Awwo", 0, false, false, false, L""},
        {L"bid", 0, false, false, false, L""},
    };
    for (const NameCase& c : cases) {
        SCOPED_TRACE(QString::fromWCharArray(c.text).toStdString());
        const FTFieldName name = FTFieldName::parse(c.text);
        EXPECT_EQ(name.letter(), c.letter);
        EXPECT_EQ(name.isValid(), c.letter != 0);
        EXPECT_EQ(name.exactMatch(), c.exactMatch);
        EXPECT_EQ(name.accountOfDiacritics(), c.accountOfDiacritics);
        EXPECT_EQ(name.extraMode(), c.extraMode);
        EXPECT_EQ(name.base(), c.base);
        // A valid name writes back its own text; an invalid one nothing.
        EXPECT_EQ(name.toString(), c.letter ? std::wstring(c.text) : std::wstring());
        EXPECT_EQ(name, c.letter ? FTFieldName(c.exactMatch, c.accountOfDiacritics, c.extraMode, c.base) : FTFieldName());
    }
    EXPECT_EQ(FTFieldName(true, false, false, L"wwo").toString(), L"cts1Ewwo");
    EXPECT_EQ(FTFieldName(true, false, false).toString(), L"E");
    EXPECT_EQ(FTFieldName().toString(), L"");
}

TEST(FTFieldName, SettersRecomputeTheLetter)
{
    FTFieldName name = FTFieldName::parse(L"E");
    name.setAccountOfDiacritics(true);
    EXPECT_EQ(name.toString(), L"G");
    name.setExactMatch(false);
    EXPECT_EQ(name.toString(), L"C");
    name.setAccountOfDiacritics(false);
    EXPECT_EQ(name.toString(), L"A");

    FTFieldName withBase = FTFieldName::parse(L"cts1Awwo");
    withBase.setExactMatch(true);
    EXPECT_EQ(withBase.toString(), L"cts1Ewwo");
    // Setting a bit on an invalid name makes it valid: the bits are all there is.
    FTFieldName invalid;
    invalid.setExactMatch(false);
    EXPECT_EQ(invalid.toString(), L"A");
}

TEST(FTFieldName, EqualityAndOrder)
{
    EXPECT_EQ(FTFieldName::parse(L"cts1Ewwo"), FTFieldName(true, false, false, L"wwo"));
    EXPECT_NE(FTFieldName::parse(L"cts1Ewwo"), FTFieldName::parse(L"cts1Ewwt"));
    EXPECT_NE(FTFieldName::parse(L"E"), FTFieldName::parse(L"cts1Ewwo"));
    EXPECT_EQ(FTFieldName::parse(L"sn"), FTFieldName::parse(L""));

    // By letter, then base; a proper prefix first; UTF-16 order, where a
    // character above U+FFFF sorts before U+E000..U+FFFF.
    const std::vector<FTFieldName> ordered = {
        FTFieldName(),
        FTFieldName::parse(L"A"),
        FTFieldName::parse(L"cts1Aw"),
        FTFieldName::parse(L"cts1Awwo"),
        FTFieldName::parse(L"cts1Awwt"),
        FTFieldName::parse(L"cts1A\U0001F600"),
        FTFieldName::parse(L"cts1A\uFF01"),
        FTFieldName::parse(L"B"),
        FTFieldName::parse(L"cts1Haa"),
    };
    for (std::size_t i = 0; i < ordered.size(); ++i) {
        for (std::size_t j = 0; j < ordered.size(); ++j)
            EXPECT_EQ(ordered[i] < ordered[j], i < j) << i << " < " << j;
    }
}

TEST(FTFieldName, PerThreadLists)
{
    auto texts = [](const std::vector<FTFieldName>& names) {
        std::vector<std::wstring> out;
        for (const FTFieldName& n : names)
            out.push_back(n.toString());
        return out;
    };
    const std::vector<std::wstring> all = {L"A", L"B", L"C", L"D", L"E", L"F", L"G", L"H"};
    EXPECT_EQ(texts(FTFieldName::allFieldNames()), all);
    EXPECT_EQ(texts(FTFieldName::registry()), (std::vector<std::wstring>{L"A", L"E"}));

    const std::vector<FTFieldName>* mine = &FTFieldName::registry();
    const std::vector<FTFieldName>* other = nullptr;
    std::vector<std::wstring> otherTexts;
    std::thread([&] {
        other = &FTFieldName::registry();
        otherTexts = texts(*other);
    }).join();
    EXPECT_NE(mine, other);
    EXPECT_EQ(otherTexts, (std::vector<std::wstring>{L"A", L"E"}));
    EXPECT_EQ(mine, &FTFieldName::registry());
}
