#pragma once
// A full-text search page kind as the catalogue panel and the result models
// see it: its status, counters and results, set by the test.

#include "core/TarnolixConstants.h"
#include "models/SearchPageAccess.h"
#include "search/searchers/FTSearchRecords.h"
#include "tabs/PageStatus.h"

#include <memory>

class FakeSearchStatus : public PageStatus
{
    Q_OBJECT
    Q_PROPERTY(int status READ status NOTIFY statusChanged)
    Q_PROPERTY(int totalFreq READ totalFreq NOTIFY countsChanged)
    Q_PROPERTY(int numberBooksFound READ numberBooksFound NOTIFY countsChanged)
    Q_PROPERTY(bool resultsPageRestored READ resultsPageRestored NOTIFY resultsPageRestoredChanged)

public:
    explicit FakeSearchStatus(int searchId)
        : m_searchId(searchId)
    {
    }

    UrlCreator::QueryType type() const override { return UrlCreator::FTSearch; }
    Q_INVOKABLE int getSearchId() const { return m_searchId; }

    int status() const { return m_status; }
    int totalFreq() const { return m_totalFreq; }
    int numberBooksFound() const { return m_books; }
    bool resultsPageRestored() const { return m_restored; }

    void setCounts(int totalFreq, int books)
    {
        m_totalFreq = totalFreq;
        m_books = books;
        emit countsChanged();
    }
    void setStatus(TarnolixConstants::SearchStatus status)
    {
        m_status = status;
        emit statusChanged();
    }
    void setResultsPageRestored(bool restored)
    {
        m_restored = restored;
        emit resultsPageRestoredChanged();
    }

    std::shared_ptr<tarnolix::SearchResults2> results;

signals:
    void statusChanged();
    void countsChanged();
    void resultsPageRestoredChanged();

private:
    int m_searchId;
    int m_status = TarnolixConstants::Searching;
    int m_totalFreq = 0;
    int m_books = 0;
    bool m_restored = false;
};

// What the result models read of the fake page: its results, nothing hidden.
class FakeSearchAccess final : public SearchPageAccess
{
public:
    explicit FakeSearchAccess(FakeSearchStatus& page)
        : m_page(page)
    {
    }
    std::shared_ptr<tarnolix::SearchResults2> searchResults() override { return m_page.results; }
    bool hasHiddenSet() override { return true; }
    bool noneHidden() override { return true; }
    bool isHidden(quint32) override { return false; }

private:
    FakeSearchStatus& m_page;
};
