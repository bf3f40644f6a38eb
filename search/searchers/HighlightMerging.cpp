#include "search/searchers/HighlightMerging.h"

#include <algorithm>

namespace tarnolix {

namespace {

bool continuesWith(const std::wstring& text, std::size_t at, const std::wstring& tag)
{
    return !tag.empty() && text.compare(at, tag.size(), tag) == 0;
}

} // namespace

HighlightedText parseHighlightedText(const std::wstring& rendering, const std::wstring& openTag,
                                     const std::wstring& closeTag)
{
    HighlightedText parsed;
    const std::size_t length = rendering.size();
    parsed.plainText.reserve(length);
    parsed.marks.reserve(length);
    parsed.sourcePositions.resize(length + 1);
    bool inMark = false;
    std::size_t i = 0;
    while (i < length) {
        const bool open = continuesWith(rendering, i, openTag);
        if (open || continuesWith(rendering, i, closeTag)) {
            inMark = open;
            const std::size_t end = i + (open ? openTag : closeTag).size();
            std::fill(parsed.sourcePositions.begin() + i, parsed.sourcePositions.begin() + end,
                      parsed.plainText.size());
            i = end;
            continue;
        }
        parsed.sourcePositions[i] = parsed.plainText.size();
        parsed.plainText.push_back(rendering[i]);
        parsed.marks.push_back(inMark);
        ++i;
    }
    parsed.sourcePositions[length] = parsed.plainText.size();
    return parsed;
}

MergedHighlights highlightSegments(const std::vector<std::wstring>& renderings, const std::wstring& openTag,
                                   const std::wstring& closeTag)
{
    MergedHighlights merged;
    if (renderings.empty()) {
        merged.ok = true;
        return merged;
    }
    const auto fail = [&] {
        MergedHighlights failed;
        failed.text = renderings.front();
        return failed;
    };
    if (openTag.empty() || closeTag.empty())
        return fail();

    std::vector<HighlightedText> parsed;
    parsed.reserve(renderings.size());
    for (const std::wstring& rendering : renderings)
        parsed.push_back(parseHighlightedText(rendering, openTag, closeTag));

    const std::wstring& plain = parsed.front().plainText;
    const std::size_t length = plain.size();
    std::vector<bool> marks(length, false);
    merged.sourcePositions.reserve(parsed.size());
    for (HighlightedText& one : parsed) {
        if (one.plainText != plain)
            return fail();
        for (std::size_t i = 0; i < length; ++i) {
            if (one.marks[i])
                marks[i] = true;
        }
        merged.sourcePositions.push_back(std::move(one.sourcePositions));
    }

    std::wstring& text = merged.text;
    text.reserve(length + 1024);
    merged.positions.resize(length + 1);
    bool inMark = false;
    for (std::size_t i = 0; i < length; ++i) {
        // A character's part starts with the open tag of the run it opens,
        // after the close tag of the run it follows.
        if (inMark && !marks[i]) {
            text += closeTag;
            inMark = false;
        }
        merged.positions[i] = static_cast<uint32_t>(text.size());
        if (!inMark && marks[i]) {
            text += openTag;
            inMark = true;
        }
        text.push_back(plain[i]);
    }
    if (inMark)
        text += closeTag;
    merged.positions[length] = static_cast<uint32_t>(text.size());
    merged.ok = true;
    return merged;
}

} // namespace tarnolix
