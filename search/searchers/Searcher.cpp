#include "search/searchers/Searcher.h"

#include <QTimerEvent>

namespace tarnolix {

namespace {
constexpr int kCountPollMs = 100;
}

Searcher::Searcher(QObject* parent)
    : QObject(parent)
{
}

Searcher::~Searcher() = default;

void Searcher::setStatus(TarnolixConstants::SearchStatus status)
{
    if (status == m_status)
        return;
    m_status = status;
    if (status == TarnolixConstants::Searching) {
        if (m_timerId == 0)
            m_timerId = startTimer(kCountPollMs, Qt::CoarseTimer);
    } else {
        updateCounts();
        if (m_timerId != 0) {
            killTimer(m_timerId);
            m_timerId = 0;
        }
    }
    emit statusChanged(status);
}

void Searcher::timerEvent(QTimerEvent* event)
{
    if (m_timerId != 0 && event->timerId() == m_timerId)
        updateCounts();
    else
        QObject::timerEvent(event);
}

void Searcher::updateCounts()
{
    int books = m_numberBooksFound;
    int items = m_numberItemsFound;
    int freq = m_totalFreq;
    getNumberOfResults(books, items, freq);
    if (books != m_numberBooksFound) {
        m_numberBooksFound = books;
        emit numberBooksFoundChanged(books);
    }
    if (items != m_numberItemsFound) {
        m_numberItemsFound = items;
        emit numberItemsFoundChanged(items);
    }
    if (freq != m_totalFreq) {
        m_totalFreq = freq;
        emit totalFreqChanged(freq);
    }
}

} // namespace tarnolix
