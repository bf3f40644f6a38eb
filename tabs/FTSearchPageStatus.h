#pragma once
// The page kind of a full-text results page. It runs the search of the
// tab's URL on a search thread taken from the thread manager, keeps the
// results, the hidden-hits mask and the rendered page in the tab's search
// data (so that coming back from a hit finds them), and hands the page
// logic the page's entries one by one as the reader scrolls. A results URL
// that the tab loads again while its stored page still fits is served from
// that page and shown as it was, without a search. GUI thread only.

#include "tabs/PageSearchData.h"
#include "tabs/SearchPageStatus.h"

#include <QPointer>
#include <QUrl>
#include <QVariant>

class UrlCreatorImpl;

namespace tarnolix {
class FTSearchThread;
class FTSearchThreadManager;
class SearchResultsPointer;
} // namespace tarnolix

class FTSearchPageStatus : public SearchPageStatus
{
    Q_OBJECT
    Q_PROPERTY(tarnolix::SearchResultsPointer* SearchResultsPointer READ searchResultsPointer NOTIFY searchDataChanged)
    Q_PROPERTY(bool resultsPageRestored READ resultsPageRestored NOTIFY resultsPageRestoredChanged)

public:
    explicit FTSearchPageStatus(QObject* parent = nullptr);
    ~FTSearchPageStatus() override;

    // The pool the pages take their search threads from; not owned. The
    // application sets it while its account runtime is open.
    static void setThreadManager(tarnolix::FTSearchThreadManager* manager);
    static tarnolix::FTSearchThreadManager* threadManager();

    UrlCreator::QueryType type() const override { return UrlCreator::FTSearch; }
    // Adopts or creates the tab's search data, restores the page served
    // from it or starts the search of the tab's URL, and sets the title.
    void initializePage() override;

    SearchResultsPtr searchResults() override;
    HiddenSearchResultsPtr hiddenSearchResults() override;
    // The result item number of every item already on the page.
    QVariantList visibleSearchResults() override;

    tarnolix::SearchResultsPointer* searchResultsPointer() const;
    bool resultsPageRestored() const { return m_resultsPageRestored; }
    FTSearchData* searchData() const { return m_searchData; }
    // The search thread attached; null when none.
    tarnolix::FTSearchThread* searchThread() const;

    // The name-match blocks of the page, as script literal text.
    Q_INVOKABLE int getAuthorMatchCount();
    Q_INVOKABLE int getBookNameMatchCount();
    Q_INVOKABLE int getShortNameMatchCount();
    Q_INVOKABLE QString getAuthorMatch(int i);
    Q_INVOKABLE QString getBookNameMatch(int i);
    Q_INVOKABLE QString getShortNameMatch(int i);
    // The next hit appended to the page: {"html": script literal text,
    // "hidden": bool}; null at the end.
    Q_INVOKABLE QVariant getNextSearchResult();
    // A hit not yet on the page is visible.
    Q_INVOKABLE bool isHiddenResultsBecameVisible();
    Q_INVOKABLE void setSearchResultFocusElement(const QString& elementId, int yOffset);
    // {"id", "yOffset"}; null before any focus was stored.
    Q_INVOKABLE QVariant getSavedElemendScrollPositon();

    // Whether the tab's stored page answers `url` (being loaded in the tab
    // with the request `request`); when it does, the page adopts that data
    // and will show the page as stored.
    bool tryRestoreSearchResultsPage(const QUrl& url, const UrlCreatorImpl& request);

signals:
    void searchDataChanged();
    void resultsPageRestoredChanged();

public slots:
    void searchThreadStatusChanged(TarnolixConstants::SearchStatus status);
    void onSearchError(const QString& error);
    void searchDataDestroyed();

protected:
    void hiddenSearchResultsChanged() override;

private:
    void adoptSearchData(FTSearchData* data);
    void adoptOrCreateSearchData();
    void startOrRestoreSearch();
    void setTitle();
    void setResultsPageRestored(bool restored);
    // Whether the data's results and stored page can be shown again as
    // they are.
    static bool canServeRestore(const FTSearchData* data);
    void setSearchResults(const SearchResultsPtr& results, TarnolixConstants::SearchStatus status,
                          bool attachPointer);
    void detachSearchThread();
    void attachSearchThread();
    quint32 tabId() const;

    QPointer<FTSearchData> m_searchData;
    QPointer<tarnolix::FTSearchThread> m_searchThread;
    bool m_resultsPageRestored = false;
    QUrl m_restoreUrl;
    SearchSettingsConstPtr m_restoreSettings;
};
