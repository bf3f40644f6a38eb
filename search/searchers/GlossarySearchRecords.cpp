#include "search/searchers/GlossarySearchRecords.h"

namespace tarnolix {

GlossarySearchSettings::GlossarySearchSettings(TarnolixConstants::Language language)
    : SearchSettings(language)
{
}

SearchSettingsPtr GlossarySearchSettings::clone(SearchSettingsPtr target) const
{
    if (!target)
        target = std::make_shared<GlossarySearchSettings>();
    SearchSettings::clone(target);
    auto& copy = static_cast<GlossarySearchSettings&>(*target);
    copy.m_query = m_query;
    copy.m_categories = m_categories;
    copy.m_glossaries = m_glossaries;
    return target;
}

int GlossarySearchSettings::compare(const SearchSettingsConstPtr& other) const
{
    const int base = SearchSettings::compare(other);
    if (base == 1)
        return 1;
    const auto* that = dynamic_cast<const GlossarySearchSettings*>(other.get());
    if (!that)
        return 1;
    if (m_query != that->m_query || m_categories != that->m_categories || m_glossaries != that->m_glossaries)
        return 1;
    return base;
}

} // namespace tarnolix
