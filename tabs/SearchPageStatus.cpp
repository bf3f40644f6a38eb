#include "tabs/SearchPageStatus.h"

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
