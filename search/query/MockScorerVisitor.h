#pragma once
// The hit collector's record of the scorers whose term frequencies make up a
// hit's occurrence count. Lucene++ offers no working walk over a scorer tree,
// so the counting query kinds (CountingQueries.h) report each scorer they
// make, with its field, to the registry that is current on the calling
// thread; a ResultCollector makes its own registry current for the segment
// it is about to collect and withdraws it once the segment's scorers exist.
// Only scorers of the current segment are ever held, so no scorer is tested
// against another segment's document numbers.

#include "search/index/LuceneClass.h"

#include <boost/smart_ptr/owner_less.hpp>

#include <set>

namespace tarnolix {

class MockScorerVisitor
{
public:
    MockScorerVisitor() = default;
    ~MockScorerVisitor();
    MockScorerVisitor(const MockScorerVisitor&) = delete;
    MockScorerVisitor& operator=(const MockScorerVisitor&) = delete;

    // Records `scorer`, made for a query on `field`, once. A term scorer
    // counts only on a content field (one that parses as an FTFieldName);
    // other scorers are taken without that test.
    void visit(const Lucene::ScorerPtr& scorer, const Lucene::String& field);

    // The sum of the rounded-up term frequencies of the recorded scorers
    // positioned on `doc` (a segment-relative number). A scorer whose
    // frequency throws is dropped without a word.
    float occurrences(int32_t doc);

    std::size_t size() const { return m_scorers.size(); }

    // Empties the record and makes it the calling thread's current registry
    // for the scorers made on `reader`.
    void beginSegment(const Lucene::IndexReaderPtr& reader);
    // Ends the current registration, if this registry holds it.
    void endSegment();

    // Called by the counting weights: records into the calling thread's
    // current registry when it collects `reader`.
    static void report(const Lucene::IndexReaderPtr& reader, const Lucene::ScorerPtr& scorer,
                       const Lucene::String& field);

private:
    std::set<Lucene::ScorerPtr, boost::owner_less<Lucene::ScorerPtr>> m_scorers;
    const Lucene::IndexReader* m_reader = nullptr;
};

} // namespace tarnolix
