#include "tabs/SearchPageStatus.h"

#include <QDebug>

int SearchPageStatus::getSearchId()
{
    const SearchResultsPtr results = searchResults();
    return results ? results->id() : 0;
}

void SearchPageStatus::setSearchResultsHidden(const QVariantList& docNumbers, bool hidden)
{
    if (getSearchId() == 0) {
        qWarning("SearchPageStatus::setSearchResultsHidden: getSearchId=0");
        return;
    }
    qDebug() << "SearchPageStatus::setSearchResultsHidden: hidden =" << hidden
             << " docNumbers.size =" << docNumbers.size();
    const HiddenSearchResultsPtr mask = hiddenSearchResults();
    if (!mask)
        return;
    for (const QVariant& entry : docNumbers) {
        bool ok = false;
        const int number = entry.toInt(&ok);
        if (!ok) {
            qWarning("TabStatus::setSearchResultsHidden: docNumber convert error");
            continue;
        }
        mask->bitMaskSet(number, hidden);
    }
    hiddenSearchResultsChanged();
}

QVariantList SearchPageStatus::setSearchResultsHiddenAll()
{
    if (const HiddenSearchResultsPtr mask = hiddenSearchResults()) {
        mask->bitMaskFillAll();
        hiddenSearchResultsChanged();
    }
    return visibleSearchResults();
}

QVariantList SearchPageStatus::setSearchResultsVisibleAll()
{
    if (const HiddenSearchResultsPtr mask = hiddenSearchResults()) {
        mask->bitMaskClear();
        hiddenSearchResultsChanged();
    }
    return visibleSearchResults();
}

void SearchPageStatus::setStatus(TarnolixConstants::SearchStatus status)
{
    if (status == m_status)
        return;
    m_status = status;
    emit statusChanged();
}

void SearchPageStatus::setNumberBooksFound(int numberBooksFound)
{
    if (numberBooksFound == m_numberBooksFound)
        return;
    m_numberBooksFound = numberBooksFound;
    emit numberBooksFoundChanged();
}

void SearchPageStatus::setTotalFreq(int totalFreq)
{
    if (totalFreq == m_totalFreq)
        return;
    m_totalFreq = totalFreq;
    emit totalFreqChanged();
}
