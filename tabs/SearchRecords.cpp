#include "tabs/SearchRecords.h"

#include "searchpages/SRPage.h"

#include <QtGlobal>

// The functions on the mask and the pointer are completed with the hit
// navigation.

namespace searchrecords {

bool resultsStillValid(const tarnolix::SearchResults2& results)
{
    return results.status() && results.status()->checkState();
}

SearchSettingsConstPtr resultsSettings(const tarnolix::SearchResults2& results)
{
    return results.status() ? results.status()->settings() : nullptr;
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
    return std::make_shared<SRPageState>();
}

void assignSearchPageState(const SRPageState& from, SRPageState& to)
{
    searchPageStateAssign(from, to);
}

} // namespace searchrecords
