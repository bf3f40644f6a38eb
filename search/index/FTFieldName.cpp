#include "search/index/FTFieldName.h"

#include "core/ProgramConstants.h"

#include <algorithm>
#include <cstdint>
#include <cwchar>

namespace tarnolix {

namespace {

constexpr char16_t kFirstLetter = u'A';
constexpr char16_t kLastLetter = u'H';

bool isContentLetter(wchar_t c)
{
    return c >= wchar_t(kFirstLetter) && c <= wchar_t(kLastLetter);
}

FTFieldName fromLetter(wchar_t letter, const std::wstring& base)
{
    const int bits = int(letter - wchar_t(kFirstLetter));
    return FTFieldName((bits & 4) != 0, (bits & 2) != 0, (bits & 1) != 0, base);
}

// Where a code point sorts among UTF-16 code units: a character above U+FFFF
// begins with a lead surrogate, so it sorts before U+E000..U+FFFF.
uint32_t utf16Rank(wchar_t c)
{
    const uint32_t u = uint32_t(c);
    if (u > 0xFFFF)
        return 0xD800 + ((u - 0x10000) >> 10);
    return u;
}

bool utf16Less(const std::wstring& a, const std::wstring& b)
{
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](wchar_t x, wchar_t y) {
        const uint32_t rx = utf16Rank(x), ry = utf16Rank(y);
        // Same lead surrogate: the code point order is the trail order.
        return rx != ry ? rx < ry : uint32_t(x) < uint32_t(y);
    });
}

} // namespace

FTFieldName::FTFieldName(bool exactMatch, bool accountOfDiacritics, bool extraMode)
    : FTFieldName(exactMatch, accountOfDiacritics, extraMode, std::wstring())
{
}

FTFieldName::FTFieldName(bool exactMatch, bool accountOfDiacritics, bool extraMode, const std::wstring& base)
    : m_exactMatch(exactMatch), m_accountOfDiacritics(accountOfDiacritics), m_extraMode(extraMode), m_base(base)
{
    updateLetter();
}

FTFieldName FTFieldName::parse(const std::wstring& text)
{
    static const std::size_t prefixLength = std::wcslen(IndexField::contentPrefix);
    if (text.size() == 1)
        return isContentLetter(text[0]) ? fromLetter(text[0], std::wstring()) : FTFieldName();
    // The long form needs the prefix, the letter and at least one base character.
    if (text.size() < prefixLength + 2 || text.compare(0, prefixLength, IndexField::contentPrefix) != 0)
        return FTFieldName();
    const wchar_t letter = text[prefixLength];
    return isContentLetter(letter) ? fromLetter(letter, text.substr(prefixLength + 1)) : FTFieldName();
}

std::wstring FTFieldName::toString() const
{
    if (!isContentLetter(wchar_t(m_letter)))
        return std::wstring();
    if (m_base.empty())
        return std::wstring(1, wchar_t(m_letter));
    return IndexField::contentPrefix + std::wstring(1, wchar_t(m_letter)) + m_base;
}

void FTFieldName::setExactMatch(bool exactMatch)
{
    m_exactMatch = exactMatch;
    updateLetter();
}

void FTFieldName::setAccountOfDiacritics(bool accountOfDiacritics)
{
    m_accountOfDiacritics = accountOfDiacritics;
    updateLetter();
}

void FTFieldName::updateLetter()
{
    m_letter = char16_t(kFirstLetter + 4 * m_exactMatch + 2 * m_accountOfDiacritics + m_extraMode);
}

bool FTFieldName::operator==(const FTFieldName& other) const
{
    return m_letter == other.m_letter && m_base == other.m_base;
}

bool FTFieldName::operator<(const FTFieldName& other) const
{
    if (m_letter != other.m_letter)
        return m_letter < other.m_letter;
    return utf16Less(m_base, other.m_base);
}

const std::vector<FTFieldName>& FTFieldName::allFieldNames()
{
    thread_local const std::vector<FTFieldName> names = [] {
        std::vector<FTFieldName> all;
        for (wchar_t letter = wchar_t(kFirstLetter); letter <= wchar_t(kLastLetter); ++letter)
            all.push_back(fromLetter(letter, std::wstring()));
        return all;
    }();
    return names;
}

const std::vector<FTFieldName>& FTFieldName::registry()
{
    thread_local const std::vector<FTFieldName> names = [] {
        std::vector<FTFieldName> bookFields;
        for (const FTFieldName& name : allFieldNames()) {
            if (!name.accountOfDiacritics() && !name.extraMode())
                bookFields.push_back(name);
        }
        return bookFields;
    }();
    return names;
}

} // namespace tarnolix
