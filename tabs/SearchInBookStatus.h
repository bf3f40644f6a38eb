#pragma once
// The search inside the book a tab shows: a full-text search limited to
// that book in the page language, run on a thread taken from the full-text
// thread pool, whose results the open-book page highlights while it has
// finished, and whose matches the reader steps through with the open book's
// hit index. QML makes one next to the open-book page kind. Every request
// carries a generation: a status or error that a cancelled request's thread
// sends late is dropped. GUI thread only.

#include "core/TarnolixConstants.h"
#include "search/searchers/FTSearchRecords.h"
#include "tabs/SearchRecords.h"

#include <QElapsedTimer>
#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <QVariant>

#include <memory>

class OpenBookStatus;
class PageSearchData;
struct HTMLCreatorSRSettings;

namespace tarnolix {
class FTSearchThread;
} // namespace tarnolix

class SearchInBookStatus : public QObject
{
    Q_OBJECT
    Q_PROPERTY(OpenBookStatus* openBookStatus READ openBookStatus WRITE setOpenBookStatus NOTIFY openBookStatusChanged)
    Q_PROPERTY(TarnolixConstants::SearchStatus status READ status NOTIFY statusChanged)
    Q_PROPERTY(tarnolix::SearchResultsPointer* searchResultsPointer READ searchResultsPointer
                   NOTIFY searchResultsPointerChanged)
    Q_PROPERTY(bool nothingFound READ nothingFound NOTIFY nothingFoundChanged)

public:
    explicit SearchInBookStatus(QObject* parent = nullptr);
    ~SearchInBookStatus() override;

    OpenBookStatus* openBookStatus() const { return m_openBookStatus; }
    void setOpenBookStatus(OpenBookStatus* status);
    TarnolixConstants::SearchStatus status() const { return m_status; }
    tarnolix::SearchResultsPointer* searchResultsPointer() const { return m_searchResultsPointer; }
    bool nothingFound() const { return m_nothingFound; }

    // The finished search's results with an empty hidden-hits mask, as the
    // open-book page's highlighting takes them; no results before that.
    PageSearchData* searchData() const { return m_searchData; }
    const std::shared_ptr<HTMLCreatorSRSettings>& highlightSettings() const { return m_highlightSettings; }
    // The query of the current request; empty without one.
    QString query() const;
    // The thread held; null when none.
    tarnolix::FTSearchThread* searchThread() const;

    // Errors (among them a second start while searching) are shown to the
    // reader; a running search goes on.
    Q_INVOKABLE void startSearchInBook(const QString& query);
    // Only a finished search ends; any other status is a warning.
    Q_INVOKABLE void endSearchInBook();
    // {"sectionCode", "matchIndex"} of the next or previous match; null
    // when there is none.
    Q_INVOKABLE QVariant getNextMatchInBook();
    Q_INVOKABLE QVariant getPreviousMatchInBook();
    // The tab's stored library search is full text with the same query as
    // this search's results, so its highlighting may stay when this ends.
    Q_INVOKABLE bool canLeaveHighlightText() const;

    // Ends the search in any status (the book's content changed); with
    // `releaseThread` the thread also goes back to the pool.
    void reset(bool releaseThread);

signals:
    void openBookStatusChanged();
    void statusChanged();
    void searchResultsPointerChanged();
    void nothingFoundChanged();
    void searchResultsChanged();

public slots:
    void searchThreadStatusChanged(TarnolixConstants::SearchStatus status);
    void onSearchError(const QString& error);

private:
    // Whether a signal of `thread` under `generation` belongs to the request
    // held now.
    bool isCurrentRequest(const tarnolix::FTSearchThread* thread, quint32 generation) const;
    void cancelRequest();
    void attachRequest(std::shared_ptr<const tarnolix::FTSearchSettings> settings);
    void setStatus(TarnolixConstants::SearchStatus status);
    void setNothingFound(bool nothingFound);
    void setResults(const SearchResultsPtr& results);
    // Drops the results, the highlighting and the hit pointer.
    void dropResults();
    void dropFindTextHelper();
    void releaseSearchThread();
    QVariant stepMatch(bool forward);

    QPointer<OpenBookStatus> m_openBookStatus;
    TarnolixConstants::SearchStatus m_status = TarnolixConstants::InvalidSearchStatus;
    QPointer<tarnolix::FTSearchThread> m_searchThread;
    quint32 m_generation = 0;
    std::shared_ptr<const tarnolix::FTSearchSettings> m_settings;
    QMetaObject::Connection m_statusConnection;
    QMetaObject::Connection m_errorConnection;
    SearchResultsPtr m_results;
    tarnolix::SearchResultsPointer* m_searchResultsPointer = nullptr;
    PageSearchData* m_searchData = nullptr;
    std::shared_ptr<HTMLCreatorSRSettings> m_highlightSettings;
    QElapsedTimer m_stepTimer;
    bool m_nothingFound = false;
};
