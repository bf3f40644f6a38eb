#include "search/searchers/WBWSearchRecords.h"

namespace tarnolix {

WBWSearchSettings::WBWSearchSettings(TarnolixConstants::Language language)
    : SearchSettings(language)
{
}

SearchSettingsPtr WBWSearchSettings::clone(SearchSettingsPtr target) const
{
    if (!target)
        target = std::make_shared<WBWSearchSettings>();
    SearchSettings::clone(target);
    auto& copy = static_cast<WBWSearchSettings&>(*target);
    copy.m_originalQuery = m_originalQuery;
    copy.m_translationQuery = m_translationQuery;
    copy.m_originalChoise = m_originalChoise;
    static_cast<CatalogLimits&>(copy) = *this;
    return target;
}

int WBWSearchSettings::compare(const SearchSettingsConstPtr& other) const
{
    const int base = SearchSettings::compare(other);
    if (base == 1)
        return 1;
    const auto* that = dynamic_cast<const WBWSearchSettings*>(other.get());
    if (!that)
        return 1;
    if (m_originalQuery != that->m_originalQuery || m_translationQuery != that->m_translationQuery
        || m_originalChoise != that->m_originalChoise || !sameLimits(*that))
        return 1;
    return base;
}

SearchScope WBWSearchSettings::scope() const
{
    return SearchScope{categories(), books(), sections(), 0};
}

std::shared_ptr<WBWSearchResults> WBWSearchResults::create(std::shared_ptr<SearchStatus> status)
{
    std::shared_ptr<WBWSearchResults> results(new WBWSearchResults);
    registerResults(results, status);
    return results;
}

} // namespace tarnolix
