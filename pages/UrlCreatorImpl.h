#pragma once
// One page request of the URL model: its kind, language, the catalogue tab
// it was reached through and the catalogue item path of what it shows. A
// book section is addressed either by ids (OpenBook: Book id, Section code)
// or by slugs (OpenBookSlug: book slug, section slug).

#include "core/TarnolixConstants.h"
#include "pages/UrlCreator.h"

#include <QVariant>

#include <utility>
#include <vector>

class TarnolixDB;

class UrlCreatorImpl
{
public:
    // (item type, id): an integer id, a character for a Letter, a text for a
    // Section code or a slug.
    using ItemPathItem = std::pair<TarnolixConstants::CatalogItemType, QVariant>;
    using ItemPathItems = std::vector<ItemPathItem>;

    UrlCreator::QueryType queryType() const { return m_queryType; }
    void setQueryType(UrlCreator::QueryType queryType) { m_queryType = queryType; }

    TarnolixConstants::Language language() const { return m_language; }
    void setLanguage(TarnolixConstants::Language language) { m_language = language; }

    TarnolixConstants::CatalogTab catalogTab() const { return m_catalogTab; }
    void setCatalogTab(TarnolixConstants::CatalogTab catalogTab) { m_catalogTab = catalogTab; }

    const ItemPathItems& itemPathItems() const { return m_itemPath; }
    void setItemPathItems(ItemPathItems items) { m_itemPath = std::move(items); }

    // Turns an OpenBook request (Book id, last Section code) into its slug
    // form: path (Book, book slug), (Section, section slug), kind
    // OpenBookSlug, tab Names. Throws, leaving the request unchanged, when the
    // request is not OpenBook, lacks the book or section, or the slugs cannot
    // be read from `db`.
    void toSlugMode(TarnolixDB& db);

private:
    UrlCreator::QueryType m_queryType = UrlCreator::InvalidQuery;
    TarnolixConstants::Language m_language = TarnolixConstants::InvalidLanguage;
    TarnolixConstants::CatalogTab m_catalogTab = TarnolixConstants::InvalidCatalogTab;
    ItemPathItems m_itemPath;
};
