#pragma once
// The reader's search scope (one book, or the checked categories, books and
// sections) as a query over the stored fields "c", "bid" and "s" of the
// index documents, required beside the reader's query.

#include "search/index/LuceneClass.h"

#include <QStringList>

#include <vector>

namespace tarnolix {

// What a full-text search is limited to. Empty lists and searchInBook 0 mean
// the whole library; searchInBook wins over the lists.
struct SearchScope
{
    std::vector<int> categories;
    std::vector<int> books;
    QStringList sections;
    int searchInBook = 0;
};

// SHOULD clauses: "c" per distinct category, then "bid" per distinct book,
// then "s" per distinct section, each ascending. Empty when all three lists
// are. Raises Lucene++'s process-wide clause limit when the lists need it
// (with a warning); the limit never goes down.
Lucene::BooleanQueryPtr booksQuery(const std::vector<int>& categoryIds, const std::vector<int>& bookIds,
                                   const QStringList& sectionCodes);

// Every document, limited to the scope: a match-all clause, then the book of
// searchInBook or the booksQuery of the lists, both required.
Lucene::BooleanQueryPtr buildScopeQuery(const SearchScope& scope);

// buildScopeQuery with `query` as one more required clause.
Lucene::BooleanQueryPtr restrictQueryToScope(const SearchScope& scope, const Lucene::QueryPtr& query);

} // namespace tarnolix
