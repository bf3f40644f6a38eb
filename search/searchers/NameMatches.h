#pragma once
// The matches of a full-text query against the library's names: authors
// whose name is the query, books whose short name is the query, and
// sections whose short name (a book abbreviation with a chapter or verse
// number) the query finds. Run as a task on Qt's global thread pool beside
// the index search, with its own library connection; it only reads the
// status and the searcher it is given and writes only its own new results.

#include "search/index/LuceneClass.h"

#include <QString>

#include <memory>

class TarnolixDB;

namespace tarnolix {

class FTSearchResults;
class FTSearchStatus;

// Which name searches a query text runs.
struct NameMatchKinds
{
    bool authors = false;
    bool bookNames = false;
    bool shortNames = false;
};

// Decided from the query in lower case, untrimmed: letters, digits, words
// (spaces plus one) and whether a boolean word or an operator character
// appears.
NameMatchKinds nameMatchKinds(const QString& query);

// New results of `status` holding only the name matches; none for a search
// restricted to a book or a catalogue scope. Throws Exception "cast search
// settings error" when the status carries no full-text settings, "Read
// bookId or section code failed" for a short-name hit without either, and
// whatever the library or the index throws.
std::shared_ptr<FTSearchResults> searchNameMatches(std::shared_ptr<FTSearchStatus> status,
                                                   Lucene::IndexSearcherPtr searcher);

void matchAuthors(TarnolixDB& db, const FTSearchStatus& status, FTSearchResults& results);
void matchBookNames(TarnolixDB& db, const FTSearchStatus& status, FTSearchResults& results);
// One match per section: the best-scoring hit of each.
void matchShortNames(TarnolixDB& db, const Lucene::IndexSearcherPtr& searcher, const FTSearchStatus& status,
                     FTSearchResults& results);

} // namespace tarnolix
