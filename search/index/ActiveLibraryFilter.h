#pragma once
// The filter that keeps every full-text and word-by-word hit inside the
// active library: a document passes when one of its book-id terms names a
// book that the library holds in the searched language. Read through the
// searching thread's connection; the books read and each index segment's
// document set are kept between searches, and read again once that
// connection's database has changed or for a segment not seen before.

#include "search/index/LuceneClass.h"

#include <QSqlDatabase>

#include <string>

namespace tarnolix {

// The books of `language` (1, 2 or 3) that have both their edition row and
// their book row, over the book-id field `field`. Throws std::runtime_error:
// "Cannot verify active search library" (bad language, empty field, a closed
// connection or one not of SQLite), "Cannot read active search library",
// "Invalid active search library membership" (an id outside 1..2147483647)
// or "Cannot finish reading active search library".
Lucene::FilterPtr readActiveLibraryBooks(const QSqlDatabase& database, int language, const std::wstring& field);

} // namespace tarnolix
