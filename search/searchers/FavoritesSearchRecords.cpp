#include "search/searchers/FavoritesSearchRecords.h"

namespace tarnolix {

bool sameItemPath(const HierarchyItems& a, const HierarchyItems& b)
{
    // std::pair compares the type, then the value with QVariant's ==.
    return a == b;
}

FavoritesSearchSettings::FavoritesSearchSettings(TarnolixConstants::Language language,
                                                 TarnolixConstants::CatalogTab catalogTab, HierarchyItems path)
    : SearchSettings(language)
    , m_catalog(Catalog{catalogTab, std::move(path)})
{
}

void FavoritesSearchSettings::setText(const QString& text)
{
    m_catalog.reset();
    m_text = text;
}

SearchSettingsPtr FavoritesSearchSettings::clone(SearchSettingsPtr target) const
{
    if (!target)
        target = std::make_shared<FavoritesSearchSettings>();
    SearchSettings::clone(target);
    auto& copy = static_cast<FavoritesSearchSettings&>(*target);
    copy.m_catalog = m_catalog;
    copy.m_text = m_text;
    return target;
}

int FavoritesSearchSettings::compare(const SearchSettingsConstPtr& other) const
{
    const int base = SearchSettings::compare(other);
    if (base == 1)
        return 1;
    const auto* that = dynamic_cast<const FavoritesSearchSettings*>(other.get());
    if (!that)
        return 1;
    if (m_catalog.has_value() != that->m_catalog.has_value())
        return 1;
    if (m_catalog
        && (m_catalog->catalogTab != that->m_catalog->catalogTab || !sameItemPath(m_catalog->path, that->m_catalog->path)))
        return 1;
    // optional's == : both unset, or both set and equal.
    if (m_text != that->m_text)
        return 1;
    return base;
}

} // namespace tarnolix
