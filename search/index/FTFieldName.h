#pragma once
// The name of an analysed content field of the indexes: a content-type letter
// 'A'..'H' that encodes three mode bits, with an optional base name.
//   letter = 'A' + 4 * exactMatch + 2 * accountOfDiacritics + extraMode
// Text form: the letter alone for an empty base ("A", "E"), else the content
// prefix "cts1", the letter and the base ("cts1Ewwo"). The analyzers choose
// their chain from it, the indexers and query builders name fields with it.

#include <string>
#include <vector>

namespace tarnolix {

class FTFieldName
{
public:
    // An invalid name: letter 0, every mode bit false, empty base.
    FTFieldName() = default;
    FTFieldName(bool exactMatch, bool accountOfDiacritics, bool extraMode);
    FTFieldName(bool exactMatch, bool accountOfDiacritics, bool extraMode, const std::wstring& base);

    // Never throws: a text that names no content field gives an invalid name.
    static FTFieldName parse(const std::wstring& text);
    // Empty for an invalid name.
    std::wstring toString() const;

    bool isValid() const { return m_letter != 0; }
    char16_t letter() const { return m_letter; }
    bool exactMatch() const { return m_exactMatch; }
    bool accountOfDiacritics() const { return m_accountOfDiacritics; }
    bool extraMode() const { return m_extraMode; }
    const std::wstring& base() const { return m_base; }

    // Each changes one mode bit and recomputes the letter.
    void setExactMatch(bool exactMatch);
    void setAccountOfDiacritics(bool accountOfDiacritics);

    // Same letter and same base.
    bool operator==(const FTFieldName& other) const;
    bool operator!=(const FTFieldName& other) const { return !(*this == other); }
    // By letter, then by base in UTF-16 code-unit order, a proper prefix first.
    bool operator<(const FTFieldName& other) const;

    // The calling thread's lists, built on its first call:
    // "A".."H" in letter order,
    static const std::vector<FTFieldName>& allFieldNames();
    // and the content fields of the book index, "A" and "E".
    static const std::vector<FTFieldName>& registry();

private:
    void updateLetter();

    char16_t m_letter = 0;
    bool m_exactMatch = false;
    bool m_accountOfDiacritics = false;
    bool m_extraMode = false;
    std::wstring m_base;
};

} // namespace tarnolix
