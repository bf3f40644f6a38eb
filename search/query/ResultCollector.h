#pragma once
// The collector of a full-text or word-by-word search: the best hits as
// ScoreDocEx records (with their stored book id, section code, entity and
// paragraph numbers as a document, the book id and the occurrence count), the set of books they belong to, and, when asked, the total number
// of occurrences of the query in them, summed from the term frequencies of
// the counting scorers positioned on each hit (MockScorerVisitor.h). Another
// thread may reject it; the search then ends with "Search rejected".
//
// Memory follows the hits taken, not numHits: callers pass the index's
// document count so that no hit is dropped. With numHits 0 it keeps no hit
// and reads no stored document: it only counts (when asked to).

#include "search/index/LuceneClass.h"
#include "search/index/ScoreDocEx.h"
#include "search/query/HitQueue.h"
#include "search/query/MockScorerVisitor.h"

#include <atomic>
#include <cstdint>
#include <set>

namespace tarnolix {

class ResultCollector : public Lucene::TopDocsCollector
{
public:
    ResultCollector(bool countOccurrences, int32_t numHits);
    ~ResultCollector() override;
    TARNOLIX_LUCENE_CLASS(ResultCollector);

    // Both throw RuntimeException "Search rejected" once rejected.
    void setScorer(const Lucene::ScorerPtr& scorer) override;
    // Throws Exception "Read bookId failed" for a hit whose "bid" reads as
    // 0, and the standard conversion errors for one that does not read.
    void collect(int32_t doc) override;
    void setNextReader(const Lucene::IndexReaderPtr& reader, int32_t docBase) override;
    bool acceptsDocsOutOfOrder() override;

    // The counts below may be read on another thread while the search runs.
    // Distinct books among the hits that entered the queue.
    uint64_t bookCount() const { return m_bookCount.load(); }
    double totalOccurrences() const { return m_occurrenceTotal.load(); }
    // Hits collected so far (getTotalHits, readable during the search).
    int32_t hitCount() const { return m_hitCount.load(); }
    // Any thread; the search stops at its next setScorer or collect.
    void reject() { m_rejected = true; }

protected:
    Lucene::TopDocsPtr newTopDocs(Lucene::Collection<Lucene::ScoreDocPtr> results, int32_t start) override;

private:
    void checkRejected() const;

    const boost::shared_ptr<HitQueue> m_queue;
    const int32_t m_numHits;
    // The weakest hit of a full queue, overwritten in place by a better one;
    // null while the queue has room.
    boost::shared_ptr<ScoreDocEx> m_pqTop;
    int32_t m_docBase = 0;
    Lucene::ScorerWeakPtr m_scorer;
    const bool m_countOccurrences;
    Lucene::IndexReaderPtr m_reader;
    MockScorerVisitor m_visitor;
    std::atomic<bool> m_rejected{false};
    std::set<int32_t> m_bookIds;
    std::atomic<uint64_t> m_bookCount{0};
    std::atomic<double> m_occurrenceTotal{0};
    std::atomic<int32_t> m_hitCount{0};
};

// Which documents match, one bit per document of the index.
class FastContainsCollector : public Lucene::Collector
{
public:
    explicit FastContainsCollector(int32_t numHits);
    ~FastContainsCollector() override;
    TARNOLIX_LUCENE_CLASS(FastContainsCollector);

    void setScorer(const Lucene::ScorerPtr& scorer) override;
    // Throws Exception "FastContainsCollector: doc number > num hits" for a
    // document outside the bits.
    void collect(int32_t doc) override;
    void setNextReader(const Lucene::IndexReaderPtr& reader, int32_t docBase) override;
    bool acceptsDocsOutOfOrder() override;

    // `doc` is index-wide; false outside 0..numHits - 1.
    bool contains(int32_t doc) const;

private:
    int32_t m_docBase = 0;
    const int32_t m_numHits;
    std::vector<uint64_t> m_bits;
};

} // namespace tarnolix
