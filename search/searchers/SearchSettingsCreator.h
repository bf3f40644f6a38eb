#pragma once
// The search field of a tab: its form (search type, language, query, the
// catalogue filter, the search-in-book button, the word-by-word search area
// and match mode) is bound to these properties, which edit one settings
// record per search family in place. Starting a search hands the URL model
// a clone of the record of the current search type, limited to the items
// checked in the tab's catalogue when the filter is on; later typing never
// changes a search that has started.
//
// GUI thread only: the records, the catalogue helper and the reader's
// notices all live there.

#include "core/SearchSettings.h"
#include "core/TarnolixConstants.h"
#include "pages/UrlCreator.h"

#include <QObject>
#include <QString>

#include <memory>

namespace tarnolix {

class CheckedItemsSource;
class FTSearchSettings;
class FavoritesSearchSettings;
class GlossarySearchSettings;
class WBWSearchSettings;

class SearchSettingsCreator : public QObject
{
    Q_OBJECT
    // A QObject implementing CheckedItemsSource (the tab's CatalogTreeHelper).
    Q_PROPERTY(QObject* catalogTreeHelper READ catalogTreeHelper WRITE setCatalogTreeHelper NOTIFY
                   catalogTreeHelperChanged)
    Q_PROPERTY(TarnolixConstants::Language language READ language WRITE setLanguage NOTIFY languageChanged)
    Q_PROPERTY(TarnolixConstants::SearchType searchType READ searchType WRITE setSearchType NOTIFY searchTypeChanged)
    Q_PROPERTY(QString query READ query WRITE setQuery NOTIFY queryChanged)
    Q_PROPERTY(bool exactMatch READ exactMatch WRITE setExactMatch NOTIFY exactMatchChanged)
    Q_PROPERTY(bool accountOfDiacritics READ accountOfDiacritics WRITE setAccountOfDiacritics NOTIFY
                   accountOfDiacriticsChanged)
    Q_PROPERTY(bool searchFilter READ searchFilter WRITE setSearchFilter NOTIFY searchFilterChanged)
    Q_PROPERTY(int searchInBook READ searchInBook WRITE setSearchInBook NOTIFY searchInBookChanged)
    Q_PROPERTY(bool searchAreaOriginal READ searchAreaOriginal WRITE setSearchAreaOriginal NOTIFY
                   searchAreaOriginalChanged)
    Q_PROPERTY(bool searchAreaTranslate READ searchAreaTranslate WRITE setSearchAreaTranslate NOTIFY
                   searchAreaTranslateChanged)
    Q_PROPERTY(TarnolixConstants::OriginalChoise originalChoise READ originalChoise WRITE setOriginalChoise NOTIFY
                   originalChoiseChanged)

public:
    explicit SearchSettingsCreator(QObject* parent = nullptr);
    ~SearchSettingsCreator() override;

    QObject* catalogTreeHelper() const { return m_helperObject; }
    // An object that is no CheckedItemsSource is taken as none.
    void setCatalogTreeHelper(QObject* helper);
    TarnolixConstants::Language language() const;
    void setLanguage(TarnolixConstants::Language language);
    TarnolixConstants::SearchType searchType() const { return m_searchType; }
    void setSearchType(TarnolixConstants::SearchType searchType);
    QString query() const;
    void setQuery(const QString& text);
    bool exactMatch() const;
    void setExactMatch(bool exactMatch);
    bool accountOfDiacritics() const;
    // Only false is taken: the indexes have no such field.
    void setAccountOfDiacritics(bool accountOfDiacritics);
    bool searchFilter() const { return m_searchFilter; }
    void setSearchFilter(bool searchFilter);
    int searchInBook() const;
    void setSearchInBook(int bookId);
    bool searchAreaOriginal() const { return m_searchAreaOriginal; }
    void setSearchAreaOriginal(bool searchAreaOriginal);
    bool searchAreaTranslate() const { return m_searchAreaTranslate; }
    void setSearchAreaTranslate(bool searchAreaTranslate);
    TarnolixConstants::OriginalChoise originalChoise() const;
    void setOriginalChoise(TarnolixConstants::OriginalChoise choise);

    // A clone of the record of the current search type with the current
    // catalogue scope. Throws Exception for an unknown search type, a filter
    // without catalogue, a failed collection and a call off the creator's
    // thread.
    SearchSettingsConstPtr createSearchSettings();
    // The language of the catalogue the search looks in: the tab's, or for
    // a favorites search the language of the query's letters.
    TarnolixConstants::Language catalogModelLanguage() const;

signals:
    void catalogTreeHelperChanged();
    void languageChanged();
    void searchTypeChanged();
    void queryChanged();
    void exactMatchChanged();
    void accountOfDiacriticsChanged();
    void searchFilterChanged();
    void searchInBookChanged();
    void searchAreaOriginalChanged();
    void searchAreaTranslateChanged();
    void originalChoiseChanged();

public slots:
    void catalogTreeHelperTreeViewProxyModelChanged();
    void catalogTreeHelperDestroyed();
    void treeViewProxyModelDestroyed();
    void treeViewProxyModelCheckStateChanged();

public:
    // Whether a search may start: true without the catalogue filter;
    // otherwise whether the current search type's record has a scope (a
    // favorites search always has). A failed collection answers false.
    Q_INVOKABLE bool hasValidSearchScope();
    // Gives `urlCreator` the settings of a new search. A failure is logged,
    // shown to the reader and answers false.
    Q_INVOKABLE bool setSearch(UrlCreator* urlCreator);

private:
    void setTreeViewProxyModel(QObject* model);
    // Fills the records' scope lists from the catalogue unless they are up
    // to date.
    void refreshScope();
    bool hasScope(const SearchSettings& settings) const;
    void checkThread() const;

    QObject* m_helperObject = nullptr;
    CheckedItemsSource* m_helper = nullptr;
    QObject* m_treeViewProxyModel = nullptr;
    TarnolixConstants::SearchType m_searchType = TarnolixConstants::InvalidSearchType;
    bool m_searchFilter = false;
    bool m_searchAreaOriginal = false;
    bool m_searchAreaTranslate = false;
    bool m_scopeUpToDate = false;
    const std::shared_ptr<FTSearchSettings> m_fullText;
    const std::shared_ptr<WBWSearchSettings> m_wordByWord;
    const std::shared_ptr<GlossarySearchSettings> m_glossary;
    const std::shared_ptr<FavoritesSearchSettings> m_favorites;
};

} // namespace tarnolix
