#include "search/query/QueryFactory.h"

namespace tarnolix {

Lucene::TermQueryPtr makeTermQuery(const Lucene::TermPtr& term)
{
    return Lucene::newLucene<Lucene::TermQuery>(term);
}

Lucene::PhraseQueryPtr makePhraseQuery()
{
    return Lucene::newLucene<Lucene::PhraseQuery>();
}

Lucene::SpanNearQueryPtr makeSpanNearQuery(const Lucene::Collection<Lucene::SpanQueryPtr>& clauses, int32_t slop,
                                           bool inOrder)
{
    return Lucene::newLucene<Lucene::SpanNearQuery>(clauses, slop, inOrder);
}

} // namespace tarnolix
