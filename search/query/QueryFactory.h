#pragma once
// The one place where the term, phrase and span-near queries of the query
// language are made: searches count occurrences through these kinds (the
// counting kinds of CountingQueries.h), so every builder goes through here
// rather than calling newLucene itself.

#include <LuceneHeaders.h>

namespace tarnolix {

Lucene::TermQueryPtr makeTermQuery(const Lucene::TermPtr& term);
// An empty phrase with slop 0.
Lucene::PhraseQueryPtr makePhraseQuery();
Lucene::SpanNearQueryPtr makeSpanNearQuery(const Lucene::Collection<Lucene::SpanQueryPtr>& clauses, int32_t slop,
                                           bool inOrder);

} // namespace tarnolix
