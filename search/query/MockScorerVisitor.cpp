#include "search/query/MockScorerVisitor.h"

#include "search/index/FTFieldName.h"

#include <TermScorer.h>

#include <cmath>

namespace tarnolix {

namespace {

// The registry the counting weights of this thread report to.
thread_local MockScorerVisitor* currentRegistry = nullptr;

} // namespace

MockScorerVisitor::~MockScorerVisitor()
{
    endSegment();
}

void MockScorerVisitor::visit(const Lucene::ScorerPtr& scorer, const Lucene::String& field)
{
    if (!scorer || m_scorers.count(scorer) != 0)
        return;
    if (boost::dynamic_pointer_cast<Lucene::TermScorer>(scorer) && !FTFieldName::parse(field).isValid())
        return;
    m_scorers.insert(scorer);
}

float MockScorerVisitor::occurrences(int32_t doc)
{
    float total = 0;
    for (auto it = m_scorers.begin(); it != m_scorers.end();) {
        const Lucene::ScorerPtr& scorer = *it;
        if (scorer->docID() != doc) {
            ++it;
            continue;
        }
        try {
            total += std::ceil(scorer->termFreq());
            ++it;
        } catch (...) {
            it = m_scorers.erase(it);
        }
    }
    return total;
}

void MockScorerVisitor::beginSegment(const Lucene::IndexReaderPtr& reader)
{
    m_scorers.clear();
    m_reader = reader.get();
    currentRegistry = this;
}

void MockScorerVisitor::endSegment()
{
    if (currentRegistry == this)
        currentRegistry = nullptr;
}

void MockScorerVisitor::report(const Lucene::IndexReaderPtr& reader, const Lucene::ScorerPtr& scorer,
                               const Lucene::String& field)
{
    MockScorerVisitor* registry = currentRegistry;
    if (registry && registry->m_reader == reader.get())
        registry->visit(scorer, field);
}

} // namespace tarnolix
