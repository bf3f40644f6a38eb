#include "search/index/ScopeQueries.h"

#include "core/ProgramConstants.h"

#include <QString>

#include <algorithm>
#include <limits>
#include <mutex>
#include <set>

namespace tarnolix {

namespace {

// Several search threads build scopes at once; the limit is process-wide.
std::mutex clauseLimitMutex;

void raiseClauseLimit(qint64 needed)
{
    const int32_t count = int32_t(std::min<qint64>(needed, std::numeric_limits<int32_t>::max()));
    std::lock_guard<std::mutex> lock(clauseLimitMutex);
    if (Lucene::BooleanQuery::getMaxClauseCount() < count) {
        qWarning("BooleanQuery::maxClauseCount changed to %d", count);
        Lucene::BooleanQuery::setMaxClauseCount(count);
    }
}

Lucene::QueryPtr termQuery(const wchar_t* field, const QString& text)
{
    return Lucene::newLucene<Lucene::TermQuery>(Lucene::newLucene<Lucene::Term>(field, text.toStdWString()));
}

} // namespace

Lucene::BooleanQueryPtr booksQuery(const std::vector<int>& categoryIds, const std::vector<int>& bookIds,
                                   const QStringList& sectionCodes)
{
    if (categoryIds.empty() && bookIds.empty() && sectionCodes.isEmpty())
        return {};
    raiseClauseLimit(qint64(categoryIds.size()) + 1 + sectionCodes.size() + qint64(bookIds.size()));

    const auto query = Lucene::newLucene<Lucene::BooleanQuery>();
    for (const int id : std::set<int>(categoryIds.begin(), categoryIds.end()))
        query->add(termQuery(IndexField::c, QString::number(id)), Lucene::BooleanClause::SHOULD);
    for (const int id : std::set<int>(bookIds.begin(), bookIds.end()))
        query->add(termQuery(IndexField::bid, QString::number(id)), Lucene::BooleanClause::SHOULD);
    for (const QString& code : std::set<QString>(sectionCodes.begin(), sectionCodes.end()))
        query->add(termQuery(IndexField::s, code), Lucene::BooleanClause::SHOULD);
    return query;
}

Lucene::BooleanQueryPtr buildScopeQuery(const SearchScope& scope)
{
    const auto query = Lucene::newLucene<Lucene::BooleanQuery>();
    query->add(Lucene::newLucene<Lucene::MatchAllDocsQuery>(), Lucene::BooleanClause::MUST);
    if (scope.searchInBook != 0) {
        query->add(termQuery(IndexField::bid, QString::number(scope.searchInBook)), Lucene::BooleanClause::MUST);
    } else if (const Lucene::BooleanQueryPtr books = booksQuery(scope.categories, scope.books, scope.sections)) {
        query->add(books, Lucene::BooleanClause::MUST);
    }
    return query;
}

Lucene::BooleanQueryPtr restrictQueryToScope(const SearchScope& scope, const Lucene::QueryPtr& query)
{
    const Lucene::BooleanQueryPtr scoped = buildScopeQuery(scope);
    scoped->add(query, Lucene::BooleanClause::MUST);
    return scoped;
}

} // namespace tarnolix
