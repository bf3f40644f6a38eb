#pragma once
// The base of every searcher: the state of its current search and the three
// counts a page shows. While a search runs it polls the subclass for fresh
// counts every 100 ms, so the numbers grow before the search ends; the final
// counts are published before the end of a search is announced.
//
// Lives on the GUI thread. Subclasses that search on other threads deliver
// their state to setStatus through queued connections and keep
// getNumberOfResults safe to call from the GUI thread.

#include "core/SearchSettings.h"
#include "core/TarnolixConstants.h"

#include <QObject>
#include <QString>

#include <memory>

namespace tarnolix {

class SearchResults2;

class Searcher : public QObject
{
    Q_OBJECT

public:
    explicit Searcher(QObject* parent = nullptr);
    ~Searcher() override;

    virtual TarnolixConstants::SearchType searchType() const = 0;
    // Of the current or last search; empty when none.
    virtual SearchSettingsConstPtr searchSettings() const = 0;
    virtual std::shared_ptr<SearchResults2> searchResults() const = 0;
    virtual bool search(SearchSettingsConstPtr settings) = 0;
    // Overwrites the counts it knows; the others stay as passed in (the
    // stored values).
    virtual void getNumberOfResults(int& numberBooksFound, int& numberItemsFound, int& totalFreq) = 0;

    TarnolixConstants::SearchStatus status() const { return m_status; }
    int numberBooksFound() const { return m_numberBooksFound; }
    int numberItemsFound() const { return m_numberItemsFound; }
    int totalFreq() const { return m_totalFreq; }

signals:
    void statusChanged(TarnolixConstants::SearchStatus status);
    void numberBooksFoundChanged(int numberBooksFound);
    void numberItemsFoundChanged(int numberItemsFound);
    void totalFreqChanged(int totalFreq);
    // A failed search, in words for the reader.
    void error(QString error);

protected slots:
    void setStatus(TarnolixConstants::SearchStatus status);

protected:
    void timerEvent(QTimerEvent* event) override;

private:
    void updateCounts();

    int m_timerId = 0;
    TarnolixConstants::SearchStatus m_status = TarnolixConstants::InvalidSearchStatus;
    int m_numberBooksFound = 0;
    int m_numberItemsFound = 0;
    int m_totalFreq = 0;
};

} // namespace tarnolix
