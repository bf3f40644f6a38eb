#include "search/index/TokenFilters.h"

#include "core/TextNormalization.h"

#include <algorithm>

#include <QChar>

namespace tarnolix {

namespace {

TarnolixConstants::Language termLanguage(const wchar_t* term, int32_t length)
{
    for (int32_t i = 0; i < length; ++i) {
        const uint32_t u = uint32_t(term[i]);
        if (u > 0xFFFF)
            continue;
        const TarnolixConstants::Language language = charLanguage(QChar(char16_t(u)));
        if (language != TarnolixConstants::InvalidLanguage)
            return language;
    }
    return TarnolixConstants::English;
}

} // namespace

SimpleHTMLFilter::SimpleHTMLFilter(const std::shared_ptr<HTMLTagsPositions>& positions,
                                   const Lucene::TokenStreamPtr& input)
    : Lucene::TokenFilter(input),
      m_termAtt(addAttribute<Lucene::TermAttribute>()),
      m_offsetAtt(addAttribute<Lucene::OffsetAttribute>()),
      m_positions(positions)
{
}

SimpleHTMLFilter::~SimpleHTMLFilter() = default;

bool SimpleHTMLFilter::incrementToken()
{
    while (input->incrementToken()) {
        if (!m_positions || !m_positions->isInTag(m_offsetAtt->startOffset(), m_offsetAtt->endOffset()))
            return true;
    }
    return false;
}

DiacriticsFilter::DiacriticsFilter(const Lucene::TokenStreamPtr& input)
    : Lucene::TokenFilter(input), m_termAtt(addAttribute<Lucene::TermAttribute>())
{
}

DiacriticsFilter::~DiacriticsFilter() = default;

bool DiacriticsFilter::incrementToken()
{
    if (!input->incrementToken())
        return false;
    const wchar_t* term = m_termAtt->termBufferArray();
    const int32_t length = m_termAtt->termLength();
    // Most terms need no transform: plain ASCII folds as English, whose
    // transform (decompose, drop marks, compose) leaves it as it is, and the
    // Russian one leaves the basic Cyrillic letters but Й and й alone.
    const auto plainAscii = [](wchar_t c) { return uint32_t(c) < 0x80; };
    const auto plainCyrillic = [](wchar_t c) {
        return uint32_t(c) >= 0x410 && uint32_t(c) <= 0x44F && c != L'\u0419' && c != L'\u0439';
    };
    if (std::all_of(term, term + length, plainAscii) || std::all_of(term, term + length, plainCyrillic))
        return true;
    const icu::UnicodeString folded = transliterateWString(termLanguage(term, length), term, length);
    // UTF-16 to UTF-32 never grows the count.
    m_folded.resize(std::size_t(folded.length()));
    UErrorCode status = U_ZERO_ERROR;
    const int32_t foldedLength = folded.toUTF32(reinterpret_cast<UChar32*>(m_folded.data()),
                                                int32_t(m_folded.size()), status);
    if (U_FAILURE(status))
        throw Lucene::RuntimeException(L"DiacriticsFilter: UTF-32 conversion failed");
    m_termAtt->setTermBuffer(m_folded.data(), 0, foldedLength);
    return true;
}

} // namespace tarnolix
