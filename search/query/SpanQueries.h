#pragma once
// The query collector of a full-text search: it keeps every query the parser
// builds, by kind, and once the query is parsed expands them against the
// index reader into the index terms the query can match (for counting
// occurrences and choosing highlighted fields) and the positions of its
// proximity matches. It also decides whether occurrences can be counted fast,
// from the term frequencies of the scorers while hits are collected.
//
// Filled and expanded by one thread before its results are published; only
// read afterwards.

#include "search/index/LuceneClass.h"
#include "search/index/ScopeQueries.h"
#include "search/query/QueryCollector.h"

#include <functional>
#include <memory>
#include <set>
#include <unordered_map>
#include <utility>
#include <vector>

namespace tarnolix {

class SpanQueries final : public QueryCollector
{
public:
    using SpanList = std::vector<std::pair<int32_t, int32_t>>;
    // Called now and then during the expansion; throws to abandon it.
    using StopCheck = std::function<void()>;

    // Terms one prefix or wildcard expansion takes at most: a lone "*" or a
    // one-letter prefix would otherwise take the whole vocabulary.
    static constexpr int DefaultExpansionLimit = 1024;

    void collectWildcard(const Lucene::WildcardQueryPtr& query) override;
    void collectMatchAll(const Lucene::MatchAllDocsQueryPtr& query) override;
    void collectRange(const Lucene::TermRangeQueryPtr& query) override;
    void collectFuzzy(const Lucene::FuzzyQueryPtr& query) override;
    void collectPrefix(const Lucene::PrefixQueryPtr& query) override;
    void collectMultiPhrase(const Lucene::MultiPhraseQueryPtr& query) override;
    void collectPhrase(const Lucene::PhraseQueryPtr& query) override;
    void collectTerm(const Lucene::TermQueryPtr& query) override;
    void collectBoolean(const Lucene::BooleanQueryPtr& query) override;
    void collectSpanNear(const Lucene::SpanNearQueryPtr& query) override;

    // Expands the collected queries for a search limited to `scope` on
    // `reader`; once, after parsing and before searching. Errors of the
    // reader pass, and so does whatever `stopCheck` throws.
    void init(const SearchScope& scope, const Lucene::IndexReaderPtr& reader, const StopCheck& stopCheck = {});
    // The same, without walking the proximity matches over the whole index:
    // collectSpans then walks them in the documents that need them only.
    void initWithoutSpans(const SearchScope& scope, const Lucene::IndexReaderPtr& reader,
                          const StopCheck& stopCheck = {});
    // The proximity matches of `docs` (index-wide numbers, ascending) for
    // findSpans, skipping the documents in between.
    void collectSpans(const Lucene::IndexReaderPtr& reader, const std::vector<int32_t>& docs,
                      const StopCheck& stopCheck = {});

    // The (start, end) positions of the proximity matches in `doc` (an
    // index-wide number); null when there are none.
    std::shared_ptr<const SpanList> findSpans(int32_t doc) const;

    // Occurrences can be counted from the scorers while collecting: every
    // term is plain, every clause required, and the search is not limited
    // to categories, books or sections.
    bool fastFreq() const { return m_fastFreq; }
    // Every expanded index term in the order added; a term added twice
    // stands twice.
    const std::vector<Lucene::TermPtr>& allTerms() const { return m_allTerms; }
    // By field, then text: the last term added with that text.
    const std::unordered_map<Lucene::String, std::unordered_map<Lucene::String, Lucene::TermPtr>>& terms() const
    {
        return m_terms;
    }
    const std::set<Lucene::String>& fields() const { return m_fields; }

    const std::vector<Lucene::TermQueryPtr>& termQueries() const { return m_termQueries; }
    const std::vector<Lucene::SpanNearQueryPtr>& spanNearQueries() const { return m_spanNearQueries; }
    const std::vector<Lucene::BooleanQueryPtr>& booleanQueries() const { return m_booleanQueries; }
    const std::vector<Lucene::PrefixQueryPtr>& prefixQueries() const { return m_prefixQueries; }
    const std::vector<Lucene::WildcardQueryPtr>& wildcardQueries() const { return m_wildcardQueries; }
    const std::vector<Lucene::PhraseQueryPtr>& phraseQueries() const { return m_phraseQueries; }
    const std::vector<Lucene::MultiPhraseQueryPtr>& multiPhraseQueries() const { return m_multiPhraseQueries; }
    const std::vector<Lucene::FuzzyQueryPtr>& fuzzyQueries() const { return m_fuzzyQueries; }
    const std::vector<Lucene::MatchAllDocsQueryPtr>& matchAllDocsQueries() const { return m_matchAllDocsQueries; }
    const std::vector<Lucene::TermRangeQueryPtr>& termRangeQueries() const { return m_termRangeQueries; }

    int expansionLimit() const { return m_expansionLimit; }
    void setExpansionLimit(int limit) { m_expansionLimit = limit; }

private:
    void addTerm(const Lucene::TermPtr& term);
    // Adds the enumeration's terms up to the expansion limit, then closes
    // it; warns naming `query` when the limit cut it short.
    void addEnumTerms(const Lucene::FilteredTermEnumPtr& termEnum, const Lucene::QueryPtr& query,
                      const StopCheck& stopCheck);
    void addSpans(const Lucene::SpanNearQueryPtr& query, const Lucene::IndexReaderPtr& reader,
                  const StopCheck& stopCheck);
    void expand(const SearchScope& scope, const Lucene::IndexReaderPtr& reader, const StopCheck& stopCheck,
                bool walkSpans);

    std::vector<Lucene::TermQueryPtr> m_termQueries;
    std::vector<Lucene::SpanNearQueryPtr> m_spanNearQueries;
    std::vector<Lucene::BooleanQueryPtr> m_booleanQueries;
    std::vector<Lucene::PrefixQueryPtr> m_prefixQueries;
    std::vector<Lucene::WildcardQueryPtr> m_wildcardQueries;
    std::vector<Lucene::PhraseQueryPtr> m_phraseQueries;
    std::vector<Lucene::MultiPhraseQueryPtr> m_multiPhraseQueries;
    std::vector<Lucene::FuzzyQueryPtr> m_fuzzyQueries;
    std::vector<Lucene::MatchAllDocsQueryPtr> m_matchAllDocsQueries;
    std::vector<Lucene::TermRangeQueryPtr> m_termRangeQueries;

    bool m_fastFreq = true;
    std::unordered_map<Lucene::String, std::unordered_map<Lucene::String, Lucene::TermPtr>> m_terms;
    std::vector<Lucene::TermPtr> m_allTerms;
    std::unordered_map<int32_t, std::shared_ptr<SpanList>> m_spans;
    std::set<Lucene::String> m_fields;
    int m_expansionLimit = DefaultExpansionLimit;
};

} // namespace tarnolix
