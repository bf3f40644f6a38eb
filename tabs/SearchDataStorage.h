#pragma once
// A tab's slot for the search data of its last search. The search pages put
// their data here; the tab's URL handler decides on every new URL whether
// the data still serves the page (tryRestoreSearchResults). Not owning: the
// data belongs to its parent, and a destroyed object is forgotten. A child
// of its tab; GUI thread only.

#include "tabs/PageSearchData.h"

#include <QObject>
#include <QString>

class TabStatus;
class UrlCreatorImpl;

class SearchDataStorage : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool hasSearchResults READ hasSearchResults NOTIFY hasSearchResultsChanged)
    Q_PROPERTY(PageSearchData* searchData READ searchData WRITE setSearchData NOTIFY searchDataChanged)

public:
    SearchDataStorage(TabStatus* tab, QObject* parent);

    PageSearchData* searchData() const { return m_searchData; }
    // Null clears the storage.
    void setSearchData(PageSearchData* searchData);
    bool hasSearchResults() const;

    // The URL of the search that produced the held results, for this tab;
    // empty without results.
    Q_INVOKABLE QString getSearchUrl();

    // On a new page in the tab: keeps the held data when the page was
    // reached from its results in this tab (moving the hit pointer to the
    // page's hit), takes a clone of the data of the finished search page of
    // the tab that made the URL, and clears the storage otherwise.
    void tryRestoreSearchResults(const UrlCreatorImpl& url);

signals:
    void hasSearchResultsChanged();
    void searchDataChanged();

public slots:
    void onSearchResultsChanged();
    void searchDataDestroyed();

private:
    // Moves a books search's hit pointer to the tab's result item, if any.
    void seekTabResultItem(PageSearchData& data) const;

    TabStatus* m_tab;
    PageSearchData* m_searchData = nullptr;
};
