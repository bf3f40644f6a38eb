#pragma once
// The page kinds that show search results (full text, word by word,
// glossary): the state of their search for QML and the hiding of hits. The
// page kinds connect their searcher's signals to the protected setters.

#include "core/TarnolixConstants.h"
#include "tabs/PageStatus.h"
#include "tabs/SearchRecords.h"

#include <QVariantList>

class SearchPageStatus : public PageStatus
{
    Q_OBJECT
    Q_PROPERTY(TarnolixConstants::SearchStatus status READ status NOTIFY statusChanged)
    Q_PROPERTY(int numberBooksFound READ numberBooksFound NOTIFY numberBooksFoundChanged)
    Q_PROPERTY(int totalFreq READ totalFreq NOTIFY totalFreqChanged)

public:
    using PageStatus::PageStatus;

    TarnolixConstants::SearchStatus status() const { return m_status; }
    int numberBooksFound() const { return m_numberBooksFound; }
    int totalFreq() const { return m_totalFreq; }

    // The search id of the page's current results; 0 without results.
    Q_INVOKABLE virtual int getSearchId();
    // The page's current results; may be null.
    virtual SearchResultsPtr searchResults() = 0;
    // The page's hidden-hits mask.
    virtual HiddenSearchResultsPtr hiddenSearchResults() = 0;
    // Hides or shows the hits of those numbers in the page's mask; an entry
    // that is no number is skipped with a warning. Nothing without results.
    Q_INVOKABLE virtual void setSearchResultsHidden(const QVariantList& docNumbers, bool hidden);
    // The page's result entries in result order, after a change of their
    // hidden state.
    virtual QVariantList visibleSearchResults() = 0;

    // Every hit hidden, also those beyond the mask; gives the entries.
    Q_INVOKABLE QVariantList setSearchResultsHiddenAll();
    // Every hit shown; gives the entries.
    Q_INVOKABLE QVariantList setSearchResultsVisibleAll();

signals:
    void statusChanged();
    void numberBooksFoundChanged();
    void totalFreqChanged();

protected:
    // After the page's mask changed.
    virtual void hiddenSearchResultsChanged() {}

protected slots:
    void setStatus(TarnolixConstants::SearchStatus status);
    void setNumberBooksFound(int numberBooksFound);
    void setTotalFreq(int totalFreq);

private:
    TarnolixConstants::SearchStatus m_status = TarnolixConstants::InvalidSearchStatus;
    int m_numberBooksFound = 0;
    int m_totalFreq = 0;
};
