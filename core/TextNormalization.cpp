#include "core/TextNormalization.h"

#include "core/Exception.h"

#include <unicode/uchar.h>

#include <array>
#include <memory>
#include <string>
#include <utility>

namespace {

using FoldingTable = std::array<char16_t, 65536>;

// Private-use and accented letters of the books' Russian text.
const std::pair<const wchar_t*, const wchar_t*> kFoldingPairs[] = {
    {L"\uF101", L"\u0430"}, {L"\u0101", L"\u0430"}, {L"\uF115", L"\u0440"}, {L"\u04EF", L"\u0443"},
    {L"\u04E3", L"\u0438"}, {L"\uF103", L"\u0434"}, {L"\uF119", L"\u0442"}, {L"\uF10F", L"\u043D"},
    {L"\uF113", L"\u043D"}, {L"\uF111", L"\u043D"}, {L"\uF11B", L"\u0445"}, {L"\uF105", L"\u043B"},
    {L"\uF107", L"\u043B"}, {L"\uF11D", L"\u0448"}, {L"\uF109", L"\u043C"}, {L"\uF10D", L"\u043C"},
};

std::unique_ptr<FoldingTable> buildFoldingTable()
{
    auto table = std::make_unique<FoldingTable>();
    for (std::size_t i = 0; i < table->size(); ++i)
        (*table)[i] = char16_t(i);
    for (const auto& [from, to] : kFoldingPairs) {
        const std::wstring f(from), t(to);
        if (f.size() != 1 || t.size() != 1 || f[0] > 0xFFFF || t[0] > 0xFFFF)
            throw Exception("Mapping character not supported");
        (*table)[f[0]] = char16_t(t[0]);
    }
    return table;
}

// Built once, on the first need: a caller that runs before the start-up
// build still gets the folded text.
const FoldingTable& foldingTable()
{
    static const std::unique_ptr<FoldingTable> table = buildFoldingTable();
    return *table;
}

void foldInPlace(icu::UnicodeString& text)
{
    const FoldingTable& table = foldingTable();
    // The length first: an open writable buffer reports length 0.
    const int32_t length = text.length();
    char16_t* units = text.getBuffer(length);
    for (int32_t i = 0; i < length; ++i)
        units[i] = table[units[i]];
    text.releaseBuffer(length);
}

icu::Transliterator* createTransliterator(const char* id)
{
    UErrorCode status = U_ZERO_ERROR;
    icu::Transliterator* t = icu::Transliterator::createInstance(
        icu::UnicodeString::fromUTF8(id), UTRANS_FORWARD, status);
    if (U_FAILURE(status) || !t) {
        delete t;
        throw Exception("Create icu::Transliterator failed");
    }
    return t;
}

bool keepsInKey(UChar32 c)
{
    switch (u_charType(c)) {
    case U_UPPERCASE_LETTER:
    case U_LOWERCASE_LETTER:
    case U_TITLECASE_LETTER:
    case U_MODIFIER_LETTER:
    case U_OTHER_LETTER:
    case U_DECIMAL_DIGIT_NUMBER:
    case U_LETTER_NUMBER:
    case U_OTHER_NUMBER:
    case U_PRIVATE_USE_CHAR:
        return true;
    default:
        return u_hasBinaryProperty(c, UCHAR_DIACRITIC);
    }
}

bool isCyrillic(char16_t u)
{
    return (u >= 0x0400 && u <= 0x052F) || (u >= 0x2DE0 && u <= 0x2DFF) || (u >= 0xA640 && u <= 0xA69F)
        || (u >= 0x1C80 && u <= 0x1C8F);
}

bool isLatin(char16_t u)
{
    return (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z');
}

} // namespace

void initCharFoldingTable()
{
    foldingTable();
}

icu::Transliterator& transliteratorForLanguage(TarnolixConstants::Language language)
{
    // Deleted when the thread ends. Nothing is cached when creation fails.
    thread_local std::unique_ptr<icu::Transliterator> latin;
    thread_local std::unique_ptr<icu::Transliterator> russian;
    switch (language) {
    case TarnolixConstants::English:
    case TarnolixConstants::Sanskrit:
        if (!latin)
            latin.reset(createTransliterator("NFD; [:Nonspacing Mark:] Remove; NFC"));
        return *latin;
    case TarnolixConstants::Russian:
        if (!russian)
            russian.reset(createTransliterator("ru_RU; NFD; [:Nonspacing Mark:] Remove; NFC"));
        return *russian;
    default:
        throw Exception("Unknown language");
    }
}

icu::UnicodeString toIcuString(TarnolixConstants::Language language, const QString& text)
{
    icu::UnicodeString u(reinterpret_cast<const char16_t*>(text.utf16()), text.size());
    if (language == TarnolixConstants::Russian)
        foldInPlace(u);
    return u;
}

icu::UnicodeString transliterateToIcu(TarnolixConstants::Language language, const QString& text)
{
    icu::Transliterator& t = transliteratorForLanguage(language);
    icu::UnicodeString u = toIcuString(language, text);
    t.transliterate(u);
    return u;
}

QString transliterateText(TarnolixConstants::Language language, const QString& text)
{
    return icuToQString(transliterateToIcu(language, text));
}

icu::UnicodeString transliterateWString(TarnolixConstants::Language language, const wchar_t* buffer, int length)
{
    static_assert(sizeof(wchar_t) == 4, "Lucene's wide strings are UTF-32 on this platform");
    icu::Transliterator& t = transliteratorForLanguage(language);
    icu::UnicodeString u = icu::UnicodeString::fromUTF32(reinterpret_cast<const UChar32*>(buffer), length);
    if (language == TarnolixConstants::Russian)
        foldInPlace(u);
    t.transliterate(u);
    return u;
}

QString icuToQString(const icu::UnicodeString& text)
{
    return QString(reinterpret_cast<const QChar*>(text.getBuffer()), text.length());
}

QString removeDiacritics(TarnolixConstants::Language language, const QString& text)
{
    // The whole transliterated text is walked: it may be longer than the
    // input (Russian rules spell Latin "x" as two letters).
    const icu::UnicodeString u = transliterateToIcu(language, text);
    const char16_t* units = u.getBuffer();
    const int32_t length = u.length();

    int32_t i = 0;
    while (i < length && u_isWhitespace(units[i]))
        ++i;

    QString result;
    result.reserve(length - i);
    bool pendingSpace = false;
    for (; i < length; ++i) {
        const char16_t c = units[i];
        if (!u_isWhitespace(c) && keepsInKey(c)) {
            if (pendingSpace) {
                result.append(QLatin1Char(' '));
                pendingSpace = false;
            }
            const UChar32 lower = u_tolower(c);
            if (QChar::requiresSurrogates(uint(lower)))
                result.append(QString::fromUcs4(reinterpret_cast<const uint*>(&lower), 1));
            else
                result.append(QChar(char16_t(lower)));
        } else if (!result.isEmpty()) {
            pendingSpace = true;
        }
    }
    return result;
}

TarnolixConstants::Language detectTextLanguage(const QString& text)
{
    for (const QChar ch : text) {
        const TarnolixConstants::Language language = charLanguage(ch);
        if (language != TarnolixConstants::InvalidLanguage)
            return language;
    }
    return TarnolixConstants::English;
}

TarnolixConstants::Language charLanguage(QChar ch)
{
    const char16_t u = ch.unicode();
    if (isCyrillic(u))
        return TarnolixConstants::Russian;
    if (isLatin(u))
        return TarnolixConstants::English;
    return TarnolixConstants::InvalidLanguage;
}
