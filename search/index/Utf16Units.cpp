#include "search/index/Utf16Units.h"

#include <algorithm>

namespace tarnolix {

int32_t utf16Units(const std::wstring& text, int32_t wideStart, int32_t wideCount)
{
    const int64_t size = int64_t(text.size());
    const int64_t begin = std::clamp<int64_t>(wideStart, 0, size);
    const int64_t end = std::clamp<int64_t>(int64_t(wideStart) + wideCount, begin, size);
    int64_t units = end - begin;
    for (int64_t i = begin; i < end; ++i) {
        // A value beyond U+10FFFF is no character: it becomes one U+FFFD.
        const uint32_t c = uint32_t(text[std::size_t(i)]);
        if (c > 0xFFFF && c <= 0x10FFFF)
            ++units;
    }
    return int32_t(units);
}

} // namespace tarnolix
