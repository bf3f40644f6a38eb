#include "core/SearchSettings.h"

#include "core/Exception.h"

SearchSettings::~SearchSettings() = default;

SearchSettingsPtr SearchSettings::clone(SearchSettingsPtr target) const
{
    if (!target)
        throw Exception("clone must not be null");
    target->m_language = m_language;
    target->m_sort = m_sort;
    return target;
}

int SearchSettings::compare(const SearchSettingsConstPtr& other) const
{
    if (!other || other->searchType() != searchType() || other->m_language != m_language)
        return 1;
    return other->m_sort != m_sort ? 2 : 0;
}
