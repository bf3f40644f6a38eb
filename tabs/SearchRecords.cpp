#include "tabs/SearchRecords.h"

#include "searchpages/SRPage.h"

#include <QtGlobal>

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
    return std::make_shared<tarnolix::HiddenSearchResults>();
}

void copyHiddenSearchResults(const tarnolix::HiddenSearchResults& from, tarnolix::HiddenSearchResults& to)
{
    to.assign(from);
}

void boundHiddenSearchResults(tarnolix::HiddenSearchResults& hidden, const SearchResultsPtr& results)
{
    hidden.setMaxId(results ? tarnolix::largestHitId(*results) : -1);
}

tarnolix::SearchResultsPointer* newSearchResultsPointer(QObject* parent)
{
    // Every tab steps over long hidden stretches in one go.
    return new tarnolix::SearchResultsPointer(true, parent);
}

void attachSearchResultsPointer(tarnolix::SearchResultsPointer& pointer, const SearchResultsPtr& results,
                                const HiddenSearchResultsPtr& hidden)
{
    // setResults takes missing results for an inconsistent state and says
    // so: data cloned before any search ran is not one.
    if (results)
        pointer.setResults(results, hidden);
    else
        pointer.clear();
}

void seekSearchResultsPointer(tarnolix::SearchResultsPointer& pointer, int srItemId)
{
    pointer.seek(static_cast<uint32_t>(srItemId));
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
