#include "search/index/Tokenizers.h"

#include <UnicodeUtils.h>

#include <unicode/uchar.h>

namespace tarnolix {

namespace {

// Lu, Ll, Lt, Lm, Lo, Nd, Nl, No and Co as bits of ICU's UCharCategory.
constexpr uint32_t kWordCategories = U_MASK(U_UPPERCASE_LETTER) | U_MASK(U_LOWERCASE_LETTER)
    | U_MASK(U_TITLECASE_LETTER) | U_MASK(U_MODIFIER_LETTER) | U_MASK(U_OTHER_LETTER)
    | U_MASK(U_DECIMAL_DIGIT_NUMBER) | U_MASK(U_LETTER_NUMBER) | U_MASK(U_OTHER_NUMBER)
    | U_MASK(U_PRIVATE_USE_CHAR);
static_assert(kWordCategories == 0x20e3e);

} // namespace

TarnolixTokenizer::TarnolixTokenizer(const Lucene::ReaderPtr& input) : Lucene::CharTokenizer(input) {}

TarnolixTokenizer::~TarnolixTokenizer() = default;

bool TarnolixTokenizer::isWordChar(wchar_t c)
{
    const uint32_t u = uint32_t(c);
    if (u > 0xFFFF)
        return false;
    if (U_MASK(u_charType(UChar32(u))) & kWordCategories)
        return true;
    return u_hasBinaryProperty(UChar32(u), UCHAR_DIACRITIC);
}

bool TarnolixTokenizer::isTokenChar(wchar_t c)
{
    return isWordChar(c);
}

ShortNameTokenizer::ShortNameTokenizer(const Lucene::ReaderPtr& input) : Lucene::CharTokenizer(input) {}

ShortNameTokenizer::~ShortNameTokenizer() = default;

bool ShortNameTokenizer::isTokenChar(wchar_t c)
{
    return !Lucene::UnicodeUtil::isSpace(c);
}

} // namespace tarnolix
