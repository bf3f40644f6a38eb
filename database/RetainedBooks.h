#pragma once
// Keeping the rows of a book that is no longer available to the account. Before
// the library update removes such a book, every row of it is copied into a
// shadow table "Retained_<table>" (same columns, no keys) and the book is
// recorded in RetainedBookState; copy and removal happen as one unit inside a
// savepoint. Nothing in the program reads the shadow tables back.

#include <QSqlDatabase>
#include <QString>
#include <QtGlobal>

#include <functional>
#include <vector>

// One table that holds rows of a book, with the column that names the book
// (or, for BookParts<N>, its section) and the table linking it to the book.
struct RetainedTableSpec
{
    QString table;
    QString keyColumn;
    QString linkTable; // empty unless the rows are found through the book's sections
};

// The tables of a book in the order they are kept: the shared book tables,
// then per language 1, 2, 3 its info, parts, sections and covers.
const std::vector<RetainedTableSpec>& retainedTableSpecs();

// Copies every row of `bookId` into the shadow tables, records it in
// RetainedBookState (verifiedThrough below 0 is stored as 0), then calls
// removeLiveRows, all inside one savepoint on `connection`: on any failure,
// removeLiveRows' own included, the savepoint is rolled back and the
// exception passes on unchanged. Call it inside the caller's open
// transaction on the same connection. Throws std::runtime_error
// ("Cannot preserve unavailable book: ...").
void preserveUnavailableBook(QSqlDatabase connection, int bookId, qint64 verifiedThrough,
                             const std::function<void()>& removeLiveRows);
