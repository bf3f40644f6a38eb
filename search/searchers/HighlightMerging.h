#pragma once
// Merges several highlighted renderings of one text (each marked run wrapped
// in an open and a close tag) into one rendering whose runs are the union of
// theirs, with the position maps between each rendering, the plain text and
// the merged rendering. Works on wide strings, the highlighter's own units
// (one per code point here), and knows nothing of HTML beyond the two tags.

#include <cstdint>
#include <string>
#include <vector>

namespace tarnolix {

struct HighlightedText
{
    // The rendering without the tags.
    std::wstring plainText;
    // One per character of plainText: whether it lay inside a marked run.
    std::vector<bool> marks;
    // One per character of the rendering, plus one: the length of plainText
    // at that point (a tag's characters map to where the tag stood).
    std::vector<uint64_t> sourcePositions;
};

struct MergedHighlights
{
    bool ok = false;
    // The merged rendering; when ok is false, the first rendering unchanged.
    std::wstring text;
    // The sourcePositions of each rendering, in input order.
    std::vector<std::vector<uint64_t>> sourcePositions;
    // One per plain character, plus one: where its part of text begins; the
    // last entry is the length of text.
    std::vector<uint32_t> positions;
};

// Runs are not nested: a second open tag inside a run changes nothing, the
// first close tag ends it; a rendering may end inside a run. An empty tag
// never matches.
HighlightedText parseHighlightedText(const std::wstring& rendering, const std::wstring& openTag,
                                     const std::wstring& closeTag);

// No renderings: ok, all empty. Renderings whose plain texts differ, or an
// empty tag, are not merged: ok false.
MergedHighlights highlightSegments(const std::vector<std::wstring>& renderings, const std::wstring& openTag,
                                   const std::wstring& closeTag);

} // namespace tarnolix
