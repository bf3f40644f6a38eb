#include "search/query/ResultCollector.h"

#include "core/Exception.h"
#include "core/ProgramConstants.h"

#include <MapFieldSelector.h>

#include <string>

namespace tarnolix {

namespace {

// What a hit's record is built from; its other stored fields (search name,
// categories) are skipped unread.
const Lucene::FieldSelectorPtr& hitFields()
{
    static const Lucene::FieldSelectorPtr selector = Lucene::newLucene<Lucene::MapFieldSelector>(
        Lucene::newCollection<Lucene::String>(IndexField::bid, IndexField::s, IndexField::ei, IndexField::pi));
    return selector;
}

} // namespace

ResultCollector::ResultCollector(bool countOccurrences, int32_t numHits)
    // Without sentinels: a queue that has room takes every hit, as one
    // full of sentinels would, and grows only by the hits it takes.
    : Lucene::TopDocsCollector(Lucene::newLucene<HitQueue>(numHits, false))
    , m_queue(boost::static_pointer_cast<HitQueue>(pq))
    , m_numHits(std::max(numHits, 0))
    , m_countOccurrences(countOccurrences)
{
}

ResultCollector::~ResultCollector() = default;

void ResultCollector::checkRejected() const
{
    if (m_rejected)
        boost::throw_exception(Lucene::RuntimeException(L"Search rejected"));
}

void ResultCollector::setScorer(const Lucene::ScorerPtr& scorer)
{
    // Every scorer of the segment exists by now.
    m_visitor.endSegment();
    checkRejected();
    m_scorer = scorer;
}

void ResultCollector::setNextReader(const Lucene::IndexReaderPtr& reader, int32_t docBase)
{
    m_reader = reader;
    m_docBase = docBase;
    if (m_countOccurrences)
        m_visitor.beginSegment(reader);
}

bool ResultCollector::acceptsDocsOutOfOrder()
{
    return true;
}

void ResultCollector::collect(int32_t doc)
{
    checkRejected();
    const Lucene::ScorerPtr scorer = m_scorer.lock();
    if (!scorer || !m_reader)
        boost::throw_exception(Lucene::IllegalStateException(L"collect before setScorer and setNextReader"));
    const double score = scorer->score();
    ++totalHits;
    m_hitCount.store(totalHits);
    const int32_t absDoc = m_docBase + doc;

    if (m_numHits == 0) {
        // Room for no hit: the collector only counts, and reads nothing.
        if (m_countOccurrences)
            m_occurrenceTotal.store(m_occurrenceTotal.load() + double(m_visitor.occurrences(doc)));
        return;
    }

    const bool full = m_queue->size() >= m_numHits;
    if (full) {
        // Hits arrive in any order: among equal scores the smaller document
        // number wins.
        if (!m_pqTop || m_pqTop->score > score || (m_pqTop->score == score && absDoc > m_pqTop->doc))
            return;
    }

    float occurrences = 0;
    if (m_countOccurrences) {
        occurrences = m_visitor.occurrences(doc);
        m_occurrenceTotal.store(m_occurrenceTotal.load() + double(occurrences));
    }

    const Lucene::DocumentPtr document = m_reader->document(doc, hitFields());
    const int32_t bookId = std::stoi(document->get(IndexField::bid));
    if (bookId == 0)
        throw Exception("Read bookId failed");

    if (full) {
        m_pqTop->doc = absDoc;
        m_pqTop->score = score;
        m_pqTop->occurrences = occurrences;
        m_pqTop->bookId = bookId;
        m_pqTop->document = document;
        m_pqTop = boost::static_pointer_cast<ScoreDocEx>(m_queue->updateTop());
    } else {
        const auto hit = Lucene::newLucene<ScoreDocEx>(absDoc, score);
        hit->occurrences = occurrences;
        hit->bookId = bookId;
        hit->document = document;
        m_queue->add(hit);
        if (m_queue->size() >= m_numHits)
            m_pqTop = boost::static_pointer_cast<ScoreDocEx>(m_queue->top());
    }
    if (m_bookIds.insert(bookId).second)
        m_bookCount.store(m_bookIds.size());
}

Lucene::TopDocsPtr ResultCollector::newTopDocs(Lucene::Collection<Lucene::ScoreDocPtr> results, int32_t start)
{
    if (!results)
        return EMPTY_TOPDOCS();
    double maxScore = 0;
    if (start == 0) {
        maxScore = results[0]->score;
    } else {
        // The queue still holds the best `start` hits; the best comes last.
        for (int32_t i = m_queue->size(); i > 1; --i)
            m_queue->pop();
        maxScore = m_queue->pop()->score;
    }
    return Lucene::newLucene<Lucene::TopDocs>(totalHits, results, maxScore);
}

FastContainsCollector::FastContainsCollector(int32_t numHits)
    : m_numHits(std::max(numHits, 0))
    , m_bits((std::size_t(m_numHits) + 63) / 64, 0)
{
}

FastContainsCollector::~FastContainsCollector() = default;

void FastContainsCollector::setScorer(const Lucene::ScorerPtr&)
{
}

void FastContainsCollector::collect(int32_t doc)
{
    const int64_t number = int64_t(m_docBase) + doc;
    if (number < 0 || number >= m_numHits)
        throw Exception("FastContainsCollector: doc number > num hits");
    m_bits[std::size_t(number) / 64] |= uint64_t(1) << (number % 64);
}

void FastContainsCollector::setNextReader(const Lucene::IndexReaderPtr&, int32_t docBase)
{
    m_docBase = docBase;
}

bool FastContainsCollector::acceptsDocsOutOfOrder()
{
    return true;
}

bool FastContainsCollector::contains(int32_t doc) const
{
    if (doc < 0 || doc >= m_numHits)
        return false;
    return (m_bits[std::size_t(doc) / 64] >> (doc % 64)) & 1;
}

} // namespace tarnolix
