#pragma once
// The settings of a favourites listing or search: either the catalogue node
// to list (its catalogue tab and item path) or a text to look for in the
// favourites and folders. Exactly one of the two is meant to be set.

#include "core/ItemPath.h"
#include "core/SearchSettings.h"

#include <QString>

#include <optional>

namespace tarnolix {

// The same path item by item: same length, same types, equal values
// (QVariant equality).
bool sameItemPath(const HierarchyItems& a, const HierarchyItems& b);

class FavoritesSearchSettings : public SearchSettings
{
public:
    struct Catalog
    {
        TarnolixConstants::CatalogTab catalogTab = TarnolixConstants::InvalidCatalogTab;
        HierarchyItems path;
    };

    // Neither a node nor a text.
    FavoritesSearchSettings() = default;
    // Lists the node `path` of catalogue tab `catalogTab`.
    FavoritesSearchSettings(TarnolixConstants::Language language, TarnolixConstants::CatalogTab catalogTab,
                            HierarchyItems path);

    TarnolixConstants::SearchType searchType() const override { return TarnolixConstants::FavoritesSearch; }
    SearchSettingsPtr clone(SearchSettingsPtr target = {}) const override;
    // 1 also when which of node and text is set differs, or what it holds.
    int compare(const SearchSettingsConstPtr& other) const override;

    const std::optional<Catalog>& catalog() const { return m_catalog; }
    const std::optional<QString>& text() const { return m_text; }
    // Makes this a text search: the node is dropped.
    void setText(const QString& text);

private:
    std::optional<Catalog> m_catalog;
    std::optional<QString> m_text;
};

} // namespace tarnolix
