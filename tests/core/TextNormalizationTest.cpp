#include "core/TextNormalization.h"

#include "core/Exception.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <thread>

using C = TarnolixConstants;

namespace {

struct KeyCase
{
    C::Language language;
    const char* input;
    const char* key;
};

} // namespace

TEST(TextNormalization, SearchKeys)
{
    const KeyCase cases[] = {
        {C::English, "", ""},
        {C::English, "   \t\n ", ""},
        {C::Russian, "«Нитья-шастра»", "нитья шастра"},
        {C::English, "( abc", "abc"},
        {C::English, "  Śānti  Ṛṣi-kathā!", "santi rsi katha"},
        {C::Sanskrit, "  Śānti  Ṛṣi-kathā!", "santi rsi katha"},
        {C::Russian, "Глава 12.", "глава 12"},
        {C::Russian, "\uF101", "а"},
        {C::Russian, "ā", "а"},
        {C::English, "ā", "a"},
        // Separators: a no-break space is not ICU whitespace but still parts
        // words; each half of a surrogate pair is a separator.
        {C::English, "a\u00A0b", "a b"},
        {C::English, "a\U0001F600b", "a b"},
        {C::English, "\U0001F600", ""},
        {C::English, "Bhagavad-gītā, 2.47", "bhagavad gita 2 47"},
        // Every private-use letter of the Russian books folds to plain Cyrillic.
        {C::Russian, "\uF115\uF103\uF119\uF10F\uF113\uF111\uF11B\uF105\uF107\uF11D\uF109\uF10D\u04EF\u04E3",
         "рдтнннхллшммуи"},
        // A private-use letter outside the folding stays (lower-casing leaves it).
        {C::English, "\uF101", "\uF101"},
        // What ICU 72 does: й and ё lose their marks, Latin letters in a
        // Russian key are spelled in Cyrillic (x as two letters, kept whole).
        {C::Russian, "Йога ёж Ёлка", "иога еж елка"},
        {C::English, "Йога ёж", "иога еж"},
        {C::Russian, "Max", "макс"},
        {C::Russian, "Krishna", "крисхна"},
        {C::Russian, "Kṛṣṇa", "крсна"},
    };
    for (const KeyCase& c : cases) {
        EXPECT_EQ(removeDiacritics(c.language, QString::fromUtf8(c.input)), QString::fromUtf8(c.key))
            << "language " << c.language << " input \"" << c.input << "\"";
    }
}

TEST(TextNormalization, KeysAreIdempotent)
{
    // Keys are stored and queried in the same form, so a key is its own key.
    for (const char* text : {"«Нитья-шастра»", "Max Müller", "Śrīmad-Bhāgavatam 1.2.3", "Йога"}) {
        for (C::Language language : {C::English, C::Russian}) {
            const QString key = removeDiacritics(language, QString::fromUtf8(text));
            EXPECT_EQ(removeDiacritics(language, key), key) << text;
        }
    }
}

TEST(TextNormalization, Transliterators)
{
    EXPECT_EQ(&transliteratorForLanguage(C::Sanskrit), &transliteratorForLanguage(C::English));
    EXPECT_NE(&transliteratorForLanguage(C::Russian), &transliteratorForLanguage(C::English));

    icu::Transliterator* mainThreads = &transliteratorForLanguage(C::English);
    icu::Transliterator* workers = nullptr;
    std::thread([&] { workers = &transliteratorForLanguage(C::English); }).join();
    EXPECT_NE(workers, mainThreads) << "each thread keeps its own";

    EXPECT_EQ(transliterateText(C::English, QStringLiteral("Ṛṣi")), QStringLiteral("Rsi"));
    EXPECT_EQ(toIcuString(C::English, QStringLiteral("\uF101")), icu::UnicodeString(u"\uF101"));
    EXPECT_EQ(toIcuString(C::Russian, QStringLiteral("\uF101x")), icu::UnicodeString(u"\u0430x"));

    // Lucene's wide characters are UTF-32: a character outside the BMP
    // arrives as one surrogate pair.
    const std::wstring token = L"\U0001F600\uF101ṇ";
    EXPECT_EQ(icuToQString(transliterateWString(C::Russian, token.data(), int(token.size()))),
              QString::fromUtf8("\U0001F600ан"));

    for (C::Language bad : {C::InvalidLanguage, C::Language(4)}) {
        try {
            removeDiacritics(bad, QStringLiteral("x"));
            ADD_FAILURE() << "no exception for language " << bad;
        } catch (const Exception& e) {
            EXPECT_STREQ(e.what(), "Unknown language");
        }
    }
}

TEST(TextNormalization, LanguageDetection)
{
    const std::pair<const char*, C::Language> texts[] = {
        {"123 Ом", C::Russian}, {"123", C::English}, {"", C::English}, {"--", C::English},
        {"Om Ом", C::English},  {"Ом Om", C::Russian}, {"\u1C80", C::Russian}, {"\uA640", C::Russian},
    };
    for (const auto& [text, language] : texts)
        EXPECT_EQ(detectTextLanguage(QString::fromUtf8(text)), language) << text;

    const std::pair<char16_t, C::Language> chars[] = {
        {u'-', C::InvalidLanguage}, {u'z', C::English},   {u'Z', C::English},
        {u'ё', C::Russian},         {u'\u04FF', C::Russian}, {u'\u0500', C::Russian},
        {u'\u2DE0', C::Russian},    {u'ā', C::InvalidLanguage}, {u'5', C::InvalidLanguage},
    };
    for (const auto& [ch, language] : chars)
        EXPECT_EQ(charLanguage(QChar(ch)), language) << int(ch);
}
