#pragma once
// A digest of which books the open library holds per language, with the
// library's identity and owner: stored search results are reused only while
// it stays the same.

#include <QByteArray>
#include <QSqlDatabase>

namespace tarnolix {

// SHA-256 over the library file's absolute path (the connection name for an
// in-memory database), its "DBOwned" owner and the ids of the books that have
// an edition row and a book row, language by language. Empty when it cannot
// be computed: a closed or non-SQLite connection, a failed query, an id
// outside 1..2147483647. Never throws and never logs. Kept per connection
// and read again only once the connection's database has changed.
QByteArray activeLibraryCacheKey(const QSqlDatabase& database);

} // namespace tarnolix
