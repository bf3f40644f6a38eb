#include "search/query/QueryFactory.h"

#include "search/query/CountingQueries.h"

namespace tarnolix {

Lucene::TermQueryPtr makeTermQuery(const Lucene::TermPtr& term)
{
    return Lucene::newLucene<CountingTermQuery>(term);
}

Lucene::PhraseQueryPtr makePhraseQuery()
{
    return Lucene::newLucene<CountingPhraseQuery>();
}

Lucene::SpanNearQueryPtr makeSpanNearQuery(const Lucene::Collection<Lucene::SpanQueryPtr>& clauses, int32_t slop,
                                           bool inOrder)
{
    return Lucene::newLucene<CountingSpanNearQuery>(clauses, slop, inOrder);
}

} // namespace tarnolix
