#pragma once
// One page request of the URL model and its "tarnolix" URL: its kind, its
// language, the catalogue tab it was reached through, the catalogue item
// path of what it shows or the search settings of a search, and the tab it
// belongs to. A value: each thread works on its own copy, and the same
// request writes the same URL on any thread.
//
// URL grammar: tarnolix://<kind host word>.<language code><item path>?<keys>,
// e.g. tarnolix://openbook.ru/Letter-Б/Book-12/Section-3.1.7?catalogTab=Names&tabId=4.
// Search kinds carry their settings as keys (pages/SearchUrlFamilies.h)
// instead of a path. A book section is addressed either by ids (OpenBook:
// Book id, Section code) or by slugs (OpenBookSlug: book slug, section slug).
//
// The addressing operations that read the library take the calling thread's
// connection and throw on failure, leaving the request as it was.

#include "core/ItemPath.h"
#include "core/SearchSettings.h"
#include "core/TarnolixConstants.h"
#include "pages/UrlCreator.h"

#include <QChar>
#include <QString>
#include <QUrl>
#include <QUuid>
#include <QVariant>
#include <QVariantList>

#include <memory>
#include <utility>
#include <vector>

class TarnolixDB;
struct Glossary;

class UrlCreatorImpl
{
public:
    // (item type, id): an integer id, a character for a Letter, a text for a
    // Section code, a folder or favorite UUID, or any slug.
    using ItemPathItem = HierarchyItem;
    using ItemPathItems = HierarchyItems;

    UrlCreatorImpl() = default;
    // Copies share the settings record: settings are never changed once
    // attached (a change attaches a changed clone), so sharing is safe.
    UrlCreatorImpl(const UrlCreatorImpl& other) = default;
    // The fields of `other` with `settings` in place of its own (a search
    // re-issued with changed settings).
    UrlCreatorImpl(const UrlCreatorImpl& other, SearchSettingsConstPtr settings);
    // Moving swaps the path, the settings and the redirect text.
    UrlCreatorImpl(UrlCreatorImpl&& other) noexcept;
    UrlCreatorImpl& operator=(const UrlCreatorImpl& other) = default;
    UrlCreatorImpl& operator=(UrlCreatorImpl&& other) noexcept;
    ~UrlCreatorImpl() = default;

    UrlCreator::QueryType queryType() const { return m_queryType; }
    void setQueryType(UrlCreator::QueryType queryType) { m_queryType = queryType; }

    TarnolixConstants::Language language() const { return m_language; }
    // Also the language of the attached settings.
    void setLanguage(TarnolixConstants::Language language);

    TarnolixConstants::CatalogTab catalogTab() const { return m_catalogTab; }
    void setCatalogTab(TarnolixConstants::CatalogTab catalogTab) { m_catalogTab = catalogTab; }

    int searchId() const { return m_searchId; }
    void setSearchId(int searchId) { m_searchId = searchId; }

    int tabId() const { return m_tabId; }
    void setTabId(int tabId) { m_tabId = tabId; }

    // For slug requests: look in the other languages when the book is
    // missing in this one (processSlugMode).
    bool findInAnotherLanguageIfNotExists() const { return m_findInAnotherLanguageIfNotExists; }
    void setFindInAnotherLanguageIfNotExists(bool find) { m_findInAnotherLanguageIfNotExists = find; }

    const ItemPathItems& itemPathItems() const { return m_itemPath.items; }
    void setItemPathItems(ItemPathItems items);
    // The QML form: a list of {"type", "id"} maps, made on each call (no
    // cache, so that a shared const request stays safe to read).
    QVariantList itemPathVariant() const { return hierarchyItemsToVariant(m_itemPath.items); }
    void setItemPathVariant(const QVariantList& items);

    const SearchSettingsConstPtr& searchSettings() const { return m_searchSettings; }
    // Takes the kind from the settings' family (FullText FTSearch,
    // WordByWord WBWSearch, GlossarySearch GlossarySearch, FavoritesSearch
    // FavoritesSearch) and the language from the settings, and keeps them.
    // Throws Exception "INVALID SEARCH TYPE(0x54456215)(<key name>)" for
    // another family and for null settings, changing nothing.
    void setSearchSettings(SearchSettingsConstPtr settings);
    // The sort of the attached settings, if any.
    void setSort(TarnolixConstants::SearchSort sort);

    const QString& redirect() const { return m_redirect; }
    // Makes this a Redirect request to `target` (a URL as text).
    void setRedirect(const QString& target);

    // Kind and language both set.
    bool isValid() const;
    // Every field at its default but the settings and the redirect text.
    bool isEmpty() const;
    void clear();

    // The first Book (0 when none), the first Author (0 when none), the last
    // Section (empty when none).
    int getBookId() const;
    int getAuthorId() const;
    QString getSectionCode() const;
    // Fills the outputs given from the item path (itemPathComponents).
    void pathComponents(int* bookId, int* authorId, QString* sectionCode, int* srItemId, QUuid* folderUuid,
                        QUuid* favoriteUuid) const;

    // The URL for the tab `tabId` (no "tabId" key when 0). An invalid
    // request gives an empty URL and the warning "toUrl: Invalid urlcreator".
    QUrl toUrl(int tabId) const;
    QUrl toUrl() const { return toUrl(m_tabId); }
    // toUrl() as QUrl writes it for people (pretty-decoded); fromString
    // reads it back.
    QString toString() const;

    // Never throws: a URL that does not parse gives an empty, invalid
    // request (for a valid URL, with the warning "Parse URL error: <url>").
    static UrlCreatorImpl fromUrl(const QUrl& url);
    // The text as a URL in tolerant mode, then fromUrl.
    static UrlCreatorImpl fromString(const QString& url);

    // Addressing through the library ---------------------------------------

    // The path of the catalogue item (type, id) as reached in catalogue tab
    // `mode`, and the kind that shows it: Author OpenAuthor; Book Favorites
    // in FavoritesByBooks, else OpenBookCover; Section OpenBook; Glossary
    // Glossary; FavoriteFolder Favorites. Another type throws "Invalid
    // type(0x87965428)(<key name>)"; an item the tab cannot reach throws
    // DBNotFound. A glossary's path comes from the glossary tree.
    void createPath(TarnolixDB& db, TarnolixConstants::Language language, TarnolixConstants::CatalogTab mode,
                    const QVariant& id, TarnolixConstants::CatalogItemType type);
    // createPath in Categories, or in Names when the item is under no category.
    void tryCreateCategoryPath(TarnolixDB& db, TarnolixConstants::Language language, const QVariant& id,
                               TarnolixConstants::CatalogItemType type);
    // The section's path (as tryCreateCategoryPath) and the hit's SRItemId.
    void tryCreateSectionResultPath(TarnolixDB& db, TarnolixConstants::Language language, const QString& sectionCode,
                                    int resultIndex);
    // The item's path (as tryCreateCategoryPath) and the favorite's
    // FavoriteItemId (its UUID without braces).
    void tryCreateFavoriteItemPath(TarnolixDB& db, TarnolixConstants::Language language, const QVariant& id,
                                   TarnolixConstants::CatalogItemType type, const QUuid& favoriteUuid);
    // A Glossary request for the glossary in the Glossaries tab, or in
    // GlossariesNames when it is under no category. The glossary tree comes
    // from PageServices.
    void createGlossaryPath(TarnolixConstants::Language language, int glossaryId);

    // An OpenBookSlug request (Book slug, optional Section slug) becomes the
    // OpenBook request of that book and section: path Letter (the book
    // name's first character), Book id and the Section chain from the top,
    // tab Names. With findInAnotherLanguageIfNotExists the other languages
    // are tried in turn when the book is not found in the request's.
    void processSlugMode(TarnolixDB& db);
    // Turns an OpenBook request (Book id, last Section code) into its slug
    // form: path (Book, book slug), (Section, section slug), kind
    // OpenBookSlug, tab Names.
    void toSlugMode(TarnolixDB& db);
    // The same book and the corresponding section (same verse, else same
    // slug) in `newLanguage`, reached in the same catalogue tab when it can
    // be, else in Names. The kind is kept.
    void findBookWithDifferentLanguage(TarnolixDB& db, TarnolixConstants::Language newLanguage);

    // A link to a book on the maker's web site ("<origin host or www.
    // host>/<language>/books/<book slug>[/<section slug>]") becomes an
    // OpenBookSlug request in tab Names; false, with the request unchanged,
    // for any other URL.
    bool fromWebBookUrl(const QUrl& url, const QUrl& webSiteOrigin);

    // The URL of a Redirect request (same language, no tab id) whose target
    // is this request's URL with its own tab id.
    QUrl createRedirectUrl() const;

    // The glossary a Glossary request names (its last Category and Glossary
    // items) in the glossary tree of PageServices, and the Letter given
    // after them (null when none). Throws "Glossary not found!(0x54878852)".
    std::pair<std::shared_ptr<Glossary>, QChar> findGlossaryByItemPath() const;

private:
    UrlCreator::QueryType m_queryType = UrlCreator::InvalidQuery;
    TarnolixConstants::Language m_language = TarnolixConstants::InvalidLanguage;
    TarnolixConstants::CatalogTab m_catalogTab = TarnolixConstants::InvalidCatalogTab;
    int m_searchId = 0;
    int m_tabId = 0;
    bool m_findInAnotherLanguageIfNotExists = false;
    // Held as items only; the QML form is made from them when asked for.
    ItemPathCached m_itemPath;
    SearchSettingsConstPtr m_searchSettings;
    QString m_redirect;
};
