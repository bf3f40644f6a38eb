#pragma once
// The search records that a tab's search data holds: the results of one
// search (with the status of the run that made them), the hidden-hits mask,
// the hit pointer and the state of the full-text results page. They belong
// to the searchers and to the results page; every operation of the search
// data that reaches inside one of them is a function below
// (SearchRecords.cpp), the one place that connects it.

#include "core/SearchSettings.h"
#include "search/searchers/HiddenSearchResults.h"
#include "search/searchers/SearchRecords.h"
#include "search/searchers/SearchResultsPointer.h"

#include <memory>

class QObject;
struct SRPageState;

using SearchResultsPtr = std::shared_ptr<tarnolix::SearchResults2>;
using HiddenSearchResultsPtr = std::shared_ptr<tarnolix::HiddenSearchResults>;
using SRPageStatePtr = std::shared_ptr<SRPageState>;

namespace searchrecords {

// True when the results have a search status and it still holds for the
// library: full-text and word-by-word results while the library stamp kept
// with them equals the current library's (read through the calling thread's
// connection), other results always; a status without settings never.
bool resultsStillValid(const tarnolix::SearchResults2& results);

// The settings that produced the results; null when their status has none.
SearchSettingsConstPtr resultsSettings(const tarnolix::SearchResults2& results);

// A new, empty mask.
HiddenSearchResultsPtr newHiddenSearchResults();
// Copies the bits, the bit count and the value of the bits beyond the end.
void copyHiddenSearchResults(const tarnolix::HiddenSearchResults& from, tarnolix::HiddenSearchResults& to);
// Bounds the mask by the largest hit id of `results` (none: no hits).
void boundHiddenSearchResults(tarnolix::HiddenSearchResults& hidden, const SearchResultsPtr& results);

// A new hit pointer, a child of `parent`.
tarnolix::SearchResultsPointer* newSearchResultsPointer(QObject* parent);
// Attaches the pointer to the results and the mask it skips hidden hits by;
// without results it is cleared (nothing to walk).
void attachSearchResultsPointer(tarnolix::SearchResultsPointer& pointer, const SearchResultsPtr& results,
                                const HiddenSearchResultsPtr& hidden);
// Moves the pointer to the result item of that id.
void seekSearchResultsPointer(tarnolix::SearchResultsPointer& pointer, int srItemId);

// A new, empty results-page state.
SRPageStatePtr newSRPageState();
// The target's saved page becomes the source's current page, the focused
// element's id and offset are copied, and the target's current page is
// released.
void assignSearchPageState(const SRPageState& from, SRPageState& to);

} // namespace searchrecords
