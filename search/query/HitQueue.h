#pragma once
// The queue of the best hits: lowest score on top, and among equal scores the
// highest document number, so that results come out by falling score and then
// rising document number. It keeps its heap in a vector that grows with what
// it holds, never sized up front by its capacity: searches ask for as many
// hits as the index has documents.

#include "search/index/LuceneClass.h"

#include <HitQueueBase.h>

#include <vector>

namespace tarnolix {

class HitQueue : public Lucene::HitQueueBase
{
public:
    // Holds at most `size` entries; with `prePopulate` it starts full of
    // sentinels (score minus infinity, the largest document number).
    HitQueue(int32_t size, bool prePopulate);
    ~HitQueue() override;
    TARNOLIX_LUCENE_CLASS(HitQueue);

    void initialize() override;

    // Throws IndexOutOfBoundsException when the queue is full.
    Lucene::ScoreDocPtr add(const Lucene::ScoreDocPtr& scoreDoc) override;
    // Adds when there is room; else replaces the top when `scoreDoc` is not
    // less than it and returns what dropped out (null when nothing did).
    Lucene::ScoreDocPtr addOverflow(const Lucene::ScoreDocPtr& scoreDoc) override;
    // The least entry; null when empty.
    Lucene::ScoreDocPtr top() override;
    Lucene::ScoreDocPtr pop() override;
    // Restores the order after the top entry was changed in place.
    Lucene::ScoreDocPtr updateTop() override;
    int32_t size() override;
    bool empty() override;
    void clear() override;

    int32_t maxSize() const { return queueSize; }
    // Entries the heap can take before its vector grows again.
    std::size_t capacity() const { return m_heap.capacity(); }

protected:
    bool lessThan(const Lucene::ScoreDocPtr& first, const Lucene::ScoreDocPtr& second) override;
    Lucene::ScoreDocPtr getSentinelObject() override;

private:
    void upHeap(std::size_t index);
    void downHeap(std::size_t index);

    const bool m_prePopulate;
    std::vector<Lucene::ScoreDocPtr> m_heap;
};

} // namespace tarnolix
