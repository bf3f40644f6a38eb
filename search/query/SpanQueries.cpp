#include "search/query/SpanQueries.h"

#include <PrefixTermEnum.h>
#include <SingleTermEnum.h>
#include <WildcardTermEnum.h>

#include <QString>
#include <QtDebug>

#include <algorithm>

namespace tarnolix {

namespace {

// Steps of a term or span walk between two stop checks.
constexpr int kStopCheckInterval = 256;

bool hasWildcard(const Lucene::String& text)
{
    return text.find_first_of(L"*?") != Lucene::String::npos;
}

} // namespace

void SpanQueries::collectWildcard(const Lucene::WildcardQueryPtr& query)
{
    m_wildcardQueries.push_back(query);
}

void SpanQueries::collectMatchAll(const Lucene::MatchAllDocsQueryPtr& query)
{
    m_matchAllDocsQueries.push_back(query);
}

void SpanQueries::collectRange(const Lucene::TermRangeQueryPtr& query)
{
    m_termRangeQueries.push_back(query);
}

void SpanQueries::collectFuzzy(const Lucene::FuzzyQueryPtr& query)
{
    m_fuzzyQueries.push_back(query);
}

void SpanQueries::collectPrefix(const Lucene::PrefixQueryPtr& query)
{
    m_prefixQueries.push_back(query);
}

void SpanQueries::collectMultiPhrase(const Lucene::MultiPhraseQueryPtr& query)
{
    m_multiPhraseQueries.push_back(query);
}

void SpanQueries::collectPhrase(const Lucene::PhraseQueryPtr& query)
{
    m_phraseQueries.push_back(query);
}

void SpanQueries::collectTerm(const Lucene::TermQueryPtr& query)
{
    m_termQueries.push_back(query);
}

void SpanQueries::collectBoolean(const Lucene::BooleanQueryPtr& query)
{
    m_booleanQueries.push_back(query);
}

void SpanQueries::collectSpanNear(const Lucene::SpanNearQueryPtr& query)
{
    m_spanNearQueries.push_back(query);
}

void SpanQueries::init(const SearchScope& scope, const Lucene::IndexReaderPtr& reader, const StopCheck& stopCheck)
{
    expand(scope, reader, stopCheck, true);
}

void SpanQueries::initWithoutSpans(const SearchScope& scope, const Lucene::IndexReaderPtr& reader,
                                   const StopCheck& stopCheck)
{
    expand(scope, reader, stopCheck, false);
}

void SpanQueries::expand(const SearchScope& scope, const Lucene::IndexReaderPtr& reader, const StopCheck& stopCheck,
                         bool walkSpans)
{
    const int64_t start = Lucene::MiscUtils::currentTimeMillis();

    bool allRequired = true;
    for (const Lucene::BooleanQueryPtr& query : m_booleanQueries) {
        for (const Lucene::BooleanClausePtr& clause : query->getClauses())
            allRequired = allRequired && clause->getOccur() == Lucene::BooleanClause::MUST;
    }
    m_fastFreq = m_prefixQueries.empty() && m_wildcardQueries.empty() && m_spanNearQueries.empty()
              && scope.categories.empty() && scope.books.empty() && scope.sections.isEmpty() && allRequired;

    if (!m_multiPhraseQueries.empty())
        qWarning("multiPhraseQueries is not empty!!!");
    if (!m_matchAllDocsQueries.empty())
        qWarning("matchAllDocsQueries is not empty!!!");
    if (!m_termRangeQueries.empty())
        qWarning("termRangeQueries is not empty!!!");

    for (const Lucene::PhraseQueryPtr& query : m_phraseQueries) {
        for (const Lucene::TermPtr& term : query->getTerms())
            m_fields.insert(term->field());
    }
    for (const Lucene::TermQueryPtr& query : m_termQueries)
        addTerm(query->getTerm());
    for (const Lucene::PrefixQueryPtr& query : m_prefixQueries)
        addEnumTerms(Lucene::newLucene<Lucene::PrefixTermEnum>(reader, query->getPrefix()), query, stopCheck);
    for (const Lucene::WildcardQueryPtr& query : m_wildcardQueries) {
        const Lucene::TermPtr term = query->getTerm();
        if (hasWildcard(term->text()))
            addEnumTerms(Lucene::newLucene<Lucene::WildcardTermEnum>(reader, term), query, stopCheck);
        else
            addEnumTerms(Lucene::newLucene<Lucene::SingleTermEnum>(reader, term), query, stopCheck);
    }
    for (const Lucene::SpanNearQueryPtr& query : m_spanNearQueries) {
        if (walkSpans)
            addSpans(query, reader, stopCheck);
        else
            m_fields.insert(query->getField());
    }

    qInfo("SpanQueries::init: %lldms. elapsed. fast freq %s",
          static_cast<long long>(Lucene::MiscUtils::currentTimeMillis() - start),
          m_fastFreq ? "enabled" : "disabled");
}

std::shared_ptr<const SpanQueries::SpanList> SpanQueries::findSpans(int32_t doc) const
{
    const auto found = m_spans.find(doc);
    return found != m_spans.end() ? found->second : nullptr;
}

void SpanQueries::collectSpans(const Lucene::IndexReaderPtr& reader, const std::vector<int32_t>& docs,
                               const StopCheck& stopCheck)
{
    if (docs.empty())
        return;
    for (const Lucene::SpanNearQueryPtr& query : m_spanNearQueries) {
        const Lucene::SpansPtr spans = query->getSpans(reader);
        int walked = 0;
        auto wanted = docs.begin();
        // Positioned on a match at or after *wanted, or at the end.
        bool more = spans->skipTo(*wanted);
        while (more && wanted != docs.end()) {
            if (stopCheck && ++walked % kStopCheckInterval == 0)
                stopCheck();
            const int32_t doc = spans->doc();
            wanted = std::lower_bound(wanted, docs.end(), doc);
            if (wanted == docs.end())
                break;
            if (*wanted != doc) {
                more = spans->skipTo(*wanted);
                continue;
            }
            std::shared_ptr<SpanList>& list = m_spans[doc];
            if (!list)
                list = std::make_shared<SpanList>();
            list->emplace_back(spans->start(), spans->end());
            more = spans->next();
        }
    }
}

void SpanQueries::addTerm(const Lucene::TermPtr& term)
{
    m_terms[term->field()][term->text()] = term;
    m_allTerms.push_back(term);
    m_fields.insert(term->field());
}

void SpanQueries::addEnumTerms(const Lucene::FilteredTermEnumPtr& termEnum, const Lucene::QueryPtr& query,
                               const StopCheck& stopCheck)
{
    struct Closer
    {
        const Lucene::FilteredTermEnumPtr& termEnum;
        ~Closer() { termEnum->close(); }
    } closer{termEnum};

    int added = 0;
    do {
        const Lucene::TermPtr term = termEnum->term();
        if (!term)
            break;
        if (added >= m_expansionLimit) {
            qWarning("SpanQueries::init: %s expands to more than %d terms; only their occurrences are counted!!!",
                     qUtf8Printable(QString::fromStdWString(query->toString())), m_expansionLimit);
            break;
        }
        if (stopCheck && added % kStopCheckInterval == 0)
            stopCheck();
        addTerm(term);
        ++added;
    } while (termEnum->next());
}

void SpanQueries::addSpans(const Lucene::SpanNearQueryPtr& query, const Lucene::IndexReaderPtr& reader,
                           const StopCheck& stopCheck)
{
    const Lucene::SpansPtr spans = query->getSpans(reader);
    int walked = 0;
    while (spans->next()) {
        if (stopCheck && ++walked % kStopCheckInterval == 0)
            stopCheck();
        std::shared_ptr<SpanList>& list = m_spans[spans->doc()];
        if (!list)
            list = std::make_shared<SpanList>();
        list->emplace_back(spans->start(), spans->end());
    }
    m_fields.insert(query->getField());
}

} // namespace tarnolix
