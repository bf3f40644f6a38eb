#pragma once
// Lucene++ strings hold one wchar_t per code point here (UTF-32), while every
// offset and length the program stores, shows or hands to pages counts UTF-16
// code units. Inside search everything counts wide characters; whatever
// leaves search goes through this conversion.

#include <cstdint>
#include <string>

namespace tarnolix {

// UTF-16 code units of the wide characters [wideStart, wideStart + wideCount)
// of `text`: one each, two for a character from U+10000 to U+10FFFF (a
// larger value is no character and becomes one U+FFFD). The range is cut to
// the text. An offset is utf16Units(text, 0, offset); a length of a token
// that starts at `start` is utf16Units(text, start, length).
int32_t utf16Units(const std::wstring& text, int32_t wideStart, int32_t wideCount);

inline int32_t utf16Offset(const std::wstring& text, int32_t wideOffset)
{
    return utf16Units(text, 0, wideOffset);
}

} // namespace tarnolix
