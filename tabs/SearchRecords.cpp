#include "tabs/SearchRecords.h"

#include <QtGlobal>

// Each function here is completed where its record class is built: the
// results and their status with the search records, the mask and the
// pointer with the hit navigation, the page state with the results page.

namespace searchrecords {

bool resultsStillValid(const SearchResults2& results)
{
    Q_UNUSED(results)
    qFatal("resultsStillValid: the search results are not connected");
}

SearchSettingsConstPtr resultsSettings(const SearchResults2& results)
{
    Q_UNUSED(results)
    qFatal("resultsSettings: the search results are not connected");
}

HiddenSearchResultsPtr newHiddenSearchResults()
{
    return nullptr;
}

void copyHiddenSearchResults(const HiddenSearchResults& from, HiddenSearchResults& to)
{
    Q_UNUSED(from)
    Q_UNUSED(to)
    qFatal("copyHiddenSearchResults: the hidden-hits mask is not connected");
}

SearchResultsPointer* newSearchResultsPointer(QObject* parent)
{
    Q_UNUSED(parent)
    return nullptr;
}

void attachSearchResultsPointer(SearchResultsPointer& pointer, const SearchResultsPtr& results,
                                const HiddenSearchResultsPtr& hidden)
{
    Q_UNUSED(pointer)
    Q_UNUSED(results)
    Q_UNUSED(hidden)
    qFatal("attachSearchResultsPointer: the hit pointer is not connected");
}

void seekSearchResultsPointer(SearchResultsPointer& pointer, int srItemId)
{
    Q_UNUSED(pointer)
    Q_UNUSED(srItemId)
    qFatal("seekSearchResultsPointer: the hit pointer is not connected");
}

SRPageStatePtr newSRPageState()
{
    return nullptr;
}

void assignSearchPageState(const SRPageState& from, SRPageState& to)
{
    Q_UNUSED(from)
    Q_UNUSED(to)
    qFatal("assignSearchPageState: the results-page state is not connected");
}

} // namespace searchrecords
