#pragma once
// Marking the hits of a full-text search in the texts the program shows: the
// excerpts and paths of result items and whole sections of an open book.
// The marks come from Lucene++'s highlighter, driven by the query the search
// ran and by the analyzer of the fields it searched, so that stemmed and
// diacritic-free matches are marked where the index matched them.
//
// Lucene++ strings hold one wchar_t per code point here; whatever leaves
// this code (texts, lengths, cut points, mark counts) counts UTF-16 units.

#include "core/TarnolixConstants.h"
#include "pages/HTMLCreator.h"
#include "search/searchers/SearchRecords.h"

#include <Highlighter.h>

#include <QString>

#include <memory>
#include <string>
#include <vector>

namespace tarnolix {
class FTSearchStatus;
} // namespace tarnolix

namespace srhighlight {

extern const wchar_t kOpenTagW[];  // <mark class="highlight">
extern const wchar_t kCloseTagW[]; // </mark>
QString openTag();
QString closeTag();

// The longest excerpt kept, and the window in which a tag boundary moves the
// cut.
constexpr int kExcerptLength = 600;
constexpr int kCutWindowStart = 590;
constexpr int kCutWindowEnd = 750;

// Cuts an assembled excerpt (the fragments, each after "..."): removes the
// library's markup but the marks, cuts an excerpt longer than
// kExcerptLength at a tag boundary in the window (or at kExcerptLength, never
// inside a surrogate pair), drops an unfinished tag at the end, closes a mark
// the cut left open, and appends "...".
QString finishExcerpt(QString body);

} // namespace srhighlight

// The highlighting state of one results page (or of one in-book search).
struct HTMLCreatorSRSettings
{
    // Made on first use; one of each kind per page.
    struct Highlighters
    {
        Lucene::HighlighterPtr fragment;
        Lucene::HighlighterPtr wholeText;
    };

    quint32 tabId = 0;
    quint32 language = 0;
    std::shared_ptr<tarnolix::SearchResults2> results;
    // A copy of the search's analyzer: highlighting sets its tag positions,
    // which must not reach the search's own analyzer or another page.
    Lucene::AnalyzerPtr analyzer;
    std::shared_ptr<Highlighters> highlighters = std::make_shared<Highlighters>();

    // The results' full-text status; throws Exception `error` for another
    // family.
    const tarnolix::FTSearchStatus& ftStatus(const char* error) const;
    // Made on first use. The fragment highlighter throws Exception "ERROR
    // 0x85462134" for results that are not full text.
    const Lucene::HighlighterPtr& fragmentHighlighter();
    const Lucene::HighlighterPtr& wholeTextHighlighter();
};

using HTMLCreatorSRSettingsPtr = std::shared_ptr<HTMLCreatorSRSettings>;

// Throws Exception "ERROR 0x58852132" for full-text results whose status
// has no analyzer.
HTMLCreatorSRSettingsPtr makeHTMLCreatorSRSettings(quint32 tabId,
                                                   const std::shared_ptr<tarnolix::SearchResults2>& results);

// `marked` as text; adds the number of opening marks in it to `count`.
QString markedTextToQString(const std::wstring& marked, int& count);

// The marks a highlighted section holds: the title's, each paragraph's per
// text in text order, and all of them.
struct HighlightedSectionMarks
{
    int title = 0;
    std::vector<std::vector<int>> paragraphs;
    quint32 total = 0;
};

// One result item as the results page shows it.
struct SRElement
{
    bool hidden = false;
    std::weak_ptr<tarnolix::SRItem> item;
    // Escaped readable path, possibly with marks.
    QString path;
    // Highlighted excerpt.
    QString body;
};
