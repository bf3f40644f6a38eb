#pragma once
// Told about every query object the query parser builds, right after it is
// made, so that a search can find its terms and proximity clauses again
// after parsing. The parser never reads anything back.

#include <LuceneHeaders.h>

namespace tarnolix {

class QueryCollector
{
public:
    virtual void collectWildcard(const Lucene::WildcardQueryPtr& query) = 0;
    virtual void collectMatchAll(const Lucene::MatchAllDocsQueryPtr& query) = 0;
    virtual void collectRange(const Lucene::TermRangeQueryPtr& query) = 0;
    virtual void collectFuzzy(const Lucene::FuzzyQueryPtr& query) = 0;
    virtual void collectPrefix(const Lucene::PrefixQueryPtr& query) = 0;
    // The parser never builds a reportable multi-phrase query.
    virtual void collectMultiPhrase(const Lucene::MultiPhraseQueryPtr& query) = 0;
    virtual void collectPhrase(const Lucene::PhraseQueryPtr& query) = 0;
    virtual void collectTerm(const Lucene::TermQueryPtr& query) = 0;
    virtual void collectBoolean(const Lucene::BooleanQueryPtr& query) = 0;
    virtual void collectSpanNear(const Lucene::SpanNearQueryPtr& query) = 0;

protected:
    // Owners hold a collector through a shared pointer to its own class.
    ~QueryCollector() = default;
};

} // namespace tarnolix
