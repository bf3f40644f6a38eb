#include "search/index/HTMLTagsPositions.h"

#include "core/TarnolixText.h"

#include <algorithm>

namespace tarnolix {

namespace {

// Length of the first entry of `tags` that the text at `pos` starts with.
std::size_t matchTag(const std::wstring& text, std::size_t pos, const std::vector<std::wstring>& tags)
{
    for (const std::wstring& tag : tags) {
        // A tag cut off by the end of the text compares unequal.
        if (text.compare(pos, tag.size(), tag) == 0)
            return tag.size();
    }
    return 0;
}

} // namespace

HTMLTagsPositions::HTMLTagsPositions(const std::wstring& text)
{
    set(text);
}

void HTMLTagsPositions::set(const std::wstring& text)
{
    const std::size_t n = text.size();
    m_mask.assign(n, 0);
    const std::vector<std::wstring>& openers = TarnolixText::htmlTagOpenersW();
    const std::vector<std::wstring>& literals = TarnolixText::htmlPlainTagsWithBreaksW();
    std::size_t i = text.find(L'<');
    while (i != std::wstring::npos) {
        std::size_t len = matchTag(text, i, openers);
        if (len > 0) {
            // The region ends at the ">" that balances the opening "<".
            int depth = 1;
            while (i + len < n) {
                const wchar_t c = text[i + len];
                ++len;
                if (c == L'>') {
                    if (--depth == 0)
                        break;
                } else if (c == L'<') {
                    ++depth;
                }
            }
        } else {
            len = matchTag(text, i, literals);
        }
        if (len == 0) {
            i = text.find(L'<', i + 1);
            continue;
        }
        std::fill(m_mask.begin() + std::ptrdiff_t(i), m_mask.begin() + std::ptrdiff_t(i + len), uint8_t(1));
        i = text.find(L'<', i + len);
    }
}

bool HTMLTagsPositions::isInTag(int32_t start, int32_t end) const
{
    const int64_t size = int64_t(m_mask.size());
    if (start < 0 || end <= start || start >= size)
        return false;
    const auto first = m_mask.begin() + start;
    const auto last = m_mask.begin() + std::min<int64_t>(end, size);
    return std::find(first, last, uint8_t(1)) != last;
}

} // namespace tarnolix
