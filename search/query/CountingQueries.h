#pragma once
// The term, phrase and span-near queries of the query language: the stock
// kinds, whose weights also report every scorer they make (with the query's
// field) to the calling thread's scorer registry (MockScorerVisitor.h), so
// that a hit collector can count occurrences from the scorers' term
// frequencies. Text form, equality, rewriting and highlighting see the stock
// kinds; clones stay counting.

#include "search/index/LuceneClass.h"

namespace tarnolix {

class CountingTermQuery : public Lucene::TermQuery
{
public:
    explicit CountingTermQuery(const Lucene::TermPtr& term);
    ~CountingTermQuery() override;
    TARNOLIX_LUCENE_CLASS(CountingTermQuery);

    Lucene::WeightPtr createWeight(const Lucene::SearcherPtr& searcher) override;
    Lucene::LuceneObjectPtr clone(const Lucene::LuceneObjectPtr& other = Lucene::LuceneObjectPtr()) override;
};

class CountingPhraseQuery : public Lucene::PhraseQuery
{
public:
    CountingPhraseQuery();
    ~CountingPhraseQuery() override;
    TARNOLIX_LUCENE_CLASS(CountingPhraseQuery);

    Lucene::WeightPtr createWeight(const Lucene::SearcherPtr& searcher) override;
    Lucene::LuceneObjectPtr clone(const Lucene::LuceneObjectPtr& other = Lucene::LuceneObjectPtr()) override;
};

class CountingSpanNearQuery : public Lucene::SpanNearQuery
{
public:
    CountingSpanNearQuery(const Lucene::Collection<Lucene::SpanQueryPtr>& clauses, int32_t slop, bool inOrder);
    ~CountingSpanNearQuery() override;
    TARNOLIX_LUCENE_CLASS(CountingSpanNearQuery);

    Lucene::WeightPtr createWeight(const Lucene::SearcherPtr& searcher) override;
    // The stock clone makes a stock query; a rewrite with changed clauses
    // clones, so this one keeps the kind.
    Lucene::LuceneObjectPtr clone(const Lucene::LuceneObjectPtr& other = Lucene::LuceneObjectPtr()) override;
};

} // namespace tarnolix
