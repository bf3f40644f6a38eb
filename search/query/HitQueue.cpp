#include "search/query/HitQueue.h"

#include "search/index/ScoreDocEx.h"

#include <algorithm>
#include <limits>

namespace tarnolix {

HitQueue::HitQueue(int32_t size, bool prePopulate)
    : Lucene::HitQueueBase(std::max(size, 0))
    , m_prePopulate(prePopulate)
{
}

HitQueue::~HitQueue() = default;

void HitQueue::initialize()
{
    // The base would make a heap of the full capacity.
    if (!m_prePopulate)
        return;
    m_heap.reserve(std::size_t(queueSize));
    for (int32_t i = 0; i < queueSize; ++i)
        m_heap.push_back(getSentinelObject());
}

Lucene::ScoreDocPtr HitQueue::add(const Lucene::ScoreDocPtr& scoreDoc)
{
    if (m_heap.size() >= std::size_t(queueSize))
        boost::throw_exception(Lucene::IndexOutOfBoundsException());
    m_heap.push_back(scoreDoc);
    upHeap(m_heap.size() - 1);
    return m_heap.front();
}

Lucene::ScoreDocPtr HitQueue::addOverflow(const Lucene::ScoreDocPtr& scoreDoc)
{
    if (m_heap.size() < std::size_t(queueSize)) {
        add(scoreDoc);
        return Lucene::ScoreDocPtr();
    }
    if (!m_heap.empty() && !lessThan(scoreDoc, m_heap.front())) {
        Lucene::ScoreDocPtr dropped = m_heap.front();
        m_heap.front() = scoreDoc;
        downHeap(0);
        return dropped;
    }
    return scoreDoc;
}

Lucene::ScoreDocPtr HitQueue::top()
{
    return m_heap.empty() ? Lucene::ScoreDocPtr() : m_heap.front();
}

Lucene::ScoreDocPtr HitQueue::pop()
{
    if (m_heap.empty())
        return Lucene::ScoreDocPtr();
    Lucene::ScoreDocPtr least = m_heap.front();
    m_heap.front() = m_heap.back();
    m_heap.pop_back();
    if (!m_heap.empty())
        downHeap(0);
    return least;
}

Lucene::ScoreDocPtr HitQueue::updateTop()
{
    if (!m_heap.empty())
        downHeap(0);
    return top();
}

int32_t HitQueue::size()
{
    return int32_t(m_heap.size());
}

bool HitQueue::empty()
{
    return m_heap.empty();
}

void HitQueue::clear()
{
    m_heap.clear();
}

bool HitQueue::lessThan(const Lucene::ScoreDocPtr& first, const Lucene::ScoreDocPtr& second)
{
    if (first->score == second->score)
        return first->doc > second->doc;
    return first->score < second->score;
}

Lucene::ScoreDocPtr HitQueue::getSentinelObject()
{
    if (!m_prePopulate)
        return Lucene::ScoreDocPtr();
    return Lucene::newLucene<ScoreDocEx>(std::numeric_limits<int32_t>::max(),
                                         -std::numeric_limits<double>::infinity());
}

void HitQueue::upHeap(std::size_t index)
{
    Lucene::ScoreDocPtr moving = m_heap[index];
    while (index > 0) {
        const std::size_t parent = (index - 1) / 2;
        if (!lessThan(moving, m_heap[parent]))
            break;
        m_heap[index] = m_heap[parent];
        index = parent;
    }
    m_heap[index] = moving;
}

void HitQueue::downHeap(std::size_t index)
{
    const std::size_t count = m_heap.size();
    Lucene::ScoreDocPtr moving = m_heap[index];
    for (;;) {
        std::size_t child = 2 * index + 1;
        if (child >= count)
            break;
        if (child + 1 < count && lessThan(m_heap[child + 1], m_heap[child]))
            ++child;
        if (!lessThan(m_heap[child], moving))
            break;
        m_heap[index] = m_heap[child];
        index = child;
    }
    m_heap[index] = moving;
}

} // namespace tarnolix
