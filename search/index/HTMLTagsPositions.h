#pragma once
// Which characters of one HTML text lie inside tags, so that the analyzers
// can index stored HTML as it is while every token keeps its offsets into
// the raw text. Only the tags of core's two lists count (compared
// case-sensitively): an opening tag ("<div", "<a", "<span", "<h1".."<h3")
// runs through its matching ">", counting nested "<" and ">" but not quotes;
// a literal tag ("<p>", "</i>", "<br>"...) is exactly its text. Any other
// "<" is text. Positions count wide characters, like the tokens' offsets.

#include <cstdint>
#include <string>
#include <vector>

namespace tarnolix {

class HTMLTagsPositions
{
public:
    HTMLTagsPositions() = default;
    explicit HTMLTagsPositions(const std::wstring& text);

    // Refills this object, so that filters already built see the new text.
    void set(const std::wstring& text);

    // True when a character of [start, end) is inside a tag; false for an
    // empty or out-of-range span. `end` is cut to the text.
    bool isInTag(int32_t start, int32_t end) const;

    // One byte per character: 1 inside a tag.
    const std::vector<uint8_t>& mask() const { return m_mask; }

private:
    std::vector<uint8_t> m_mask;
};

} // namespace tarnolix
