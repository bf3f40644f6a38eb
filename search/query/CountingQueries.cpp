#include "search/query/CountingQueries.h"

#include "search/query/MockScorerVisitor.h"

namespace tarnolix {

namespace {

// The stock weight of a counting query, reporting the scorers it makes.
class CountingWeight : public Lucene::Weight
{
public:
    CountingWeight(const Lucene::WeightPtr& weight, const Lucene::String& field)
        : m_weight(weight)
        , m_field(field)
    {
    }
    ~CountingWeight() override = default;
    TARNOLIX_LUCENE_CLASS(CountingWeight);

    Lucene::ExplanationPtr explain(const Lucene::IndexReaderPtr& reader, int32_t doc) override
    {
        return m_weight->explain(reader, doc);
    }
    Lucene::QueryPtr getQuery() override { return m_weight->getQuery(); }
    double getValue() override { return m_weight->getValue(); }
    void normalize(double norm) override { m_weight->normalize(norm); }
    double sumOfSquaredWeights() override { return m_weight->sumOfSquaredWeights(); }
    bool scoresDocsOutOfOrder() override { return m_weight->scoresDocsOutOfOrder(); }

    Lucene::ScorerPtr scorer(const Lucene::IndexReaderPtr& reader, bool scoreDocsInOrder, bool topScorer) override
    {
        Lucene::ScorerPtr scorer = m_weight->scorer(reader, scoreDocsInOrder, topScorer);
        if (scorer)
            MockScorerVisitor::report(reader, scorer, m_field);
        return scorer;
    }

private:
    const Lucene::WeightPtr m_weight;
    const Lucene::String m_field;
};

Lucene::WeightPtr counting(const Lucene::WeightPtr& weight, const Lucene::String& field)
{
    return Lucene::newLucene<CountingWeight>(weight, field);
}

} // namespace

CountingTermQuery::CountingTermQuery(const Lucene::TermPtr& term)
    : Lucene::TermQuery(term)
{
}

CountingTermQuery::~CountingTermQuery() = default;

Lucene::WeightPtr CountingTermQuery::createWeight(const Lucene::SearcherPtr& searcher)
{
    return counting(Lucene::TermQuery::createWeight(searcher), term->field());
}

Lucene::LuceneObjectPtr CountingTermQuery::clone(const Lucene::LuceneObjectPtr& other)
{
    return Lucene::TermQuery::clone(other ? other : Lucene::newLucene<CountingTermQuery>(term));
}

CountingPhraseQuery::CountingPhraseQuery() = default;

CountingPhraseQuery::~CountingPhraseQuery() = default;

Lucene::WeightPtr CountingPhraseQuery::createWeight(const Lucene::SearcherPtr& searcher)
{
    // A one-term phrase makes a term weight, whose term scorer then meets
    // the content-field test.
    return counting(Lucene::PhraseQuery::createWeight(searcher), field);
}

Lucene::LuceneObjectPtr CountingPhraseQuery::clone(const Lucene::LuceneObjectPtr& other)
{
    return Lucene::PhraseQuery::clone(other ? other : Lucene::newLucene<CountingPhraseQuery>());
}

CountingSpanNearQuery::CountingSpanNearQuery(const Lucene::Collection<Lucene::SpanQueryPtr>& clauses, int32_t slop,
                                             bool inOrder)
    : Lucene::SpanNearQuery(clauses, slop, inOrder)
{
}

CountingSpanNearQuery::~CountingSpanNearQuery() = default;

Lucene::WeightPtr CountingSpanNearQuery::createWeight(const Lucene::SearcherPtr& searcher)
{
    return counting(Lucene::SpanNearQuery::createWeight(searcher), field);
}

Lucene::LuceneObjectPtr CountingSpanNearQuery::clone(const Lucene::LuceneObjectPtr& other)
{
    if (other)
        return Lucene::SpanNearQuery::clone(other);
    auto copies = Lucene::Collection<Lucene::SpanQueryPtr>::newInstance(clauses.size());
    for (int32_t i = 0; i < clauses.size(); ++i)
        copies[i] = boost::dynamic_pointer_cast<Lucene::SpanQuery>(clauses[i]->clone());
    const auto copy = Lucene::newLucene<CountingSpanNearQuery>(copies, slop, inOrder);
    copy->setBoost(getBoost());
    return copy;
}

} // namespace tarnolix
