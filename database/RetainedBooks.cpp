#include "database/RetainedBooks.h"

#include <QDateTime>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringList>
#include <QUuid>
#include <QVariant>

#include <stdexcept>

namespace {

const char kShadowPrefix[] = "Retained_";

[[noreturn]] void fail(const char* reason)
{
    throw std::runtime_error(std::string("Cannot preserve unavailable book: ") + reason);
}

QString shadowOf(const QString& table)
{
    return QLatin1String(kShadowPrefix) + table;
}

// The rows of the book in `entry`'s table; `linkTable` is the live or the
// shadow table of the book's sections.
QString rowCondition(const RetainedTableSpec& entry, const QString& linkTable)
{
    if (entry.linkTable.isEmpty())
        return entry.keyColumn + QLatin1String("=:book");
    return QStringLiteral("%1 IN (SELECT code FROM %2 WHERE bookId=:book)").arg(entry.keyColumn, linkTable);
}

// A statement without values, on a fresh query.
void run(const QSqlDatabase& connection, const QString& sql)
{
    QSqlQuery query(connection);
    if (!query.exec(sql))
        fail("database operation failed");
}

// A statement with the book id bound to ":book".
void runForBook(const QSqlDatabase& connection, const QString& sql, int bookId)
{
    QSqlQuery query(connection);
    if (!query.prepare(sql))
        fail("database query failed");
    query.bindValue(QStringLiteral(":book"), bookId);
    if (!query.exec())
        fail("database operation failed");
}

QStringList columnNames(const QSqlDatabase& connection, const QString& table)
{
    QSqlQuery query(connection);
    if (!query.exec(QStringLiteral("PRAGMA table_info(%1)").arg(table)))
        fail("schema query failed");
    const int nameColumn = query.record().indexOf(QStringLiteral("name"));
    QStringList names;
    while (query.next())
        names << query.value(nameColumn).toString();
    if (names.isEmpty())
        fail("missing table");
    return names;
}

void requireActiveBook(const QSqlDatabase& connection, int bookId)
{
    QSqlQuery query(connection);
    if (!query.prepare(QStringLiteral("SELECT id FROM BookBase WHERE id=:book")))
        fail("database query failed");
    query.bindValue(QStringLiteral(":book"), bookId);
    if (!query.exec() || !query.next())
        fail("missing active book");
    query.finish();
}

void prepareShadowTables(const QSqlDatabase& connection)
{
    run(connection, QStringLiteral("CREATE TABLE IF NOT EXISTS RetainedBookState (bookId INTEGER PRIMARY KEY, "
                                   "formatVersion INTEGER NOT NULL, retainedAt INTEGER NOT NULL, "
                                   "verifiedThrough INTEGER NOT NULL)"));
    for (const RetainedTableSpec& entry : retainedTableSpecs()) {
        const QString shadow = shadowOf(entry.table);
        run(connection, QStringLiteral("CREATE TABLE IF NOT EXISTS %1 AS SELECT * FROM %2 WHERE 0").arg(shadow, entry.table));
        // A shadow made under an older schema would take the rows into the
        // wrong columns, or refuse them.
        if (columnNames(connection, entry.table) != columnNames(connection, shadow))
            fail("incompatible retained schema");
        run(connection, QStringLiteral("CREATE INDEX IF NOT EXISTS %1_owner ON %1(%2)").arg(shadow, entry.keyColumn));
    }
}

void copyRows(const QSqlDatabase& connection, int bookId)
{
    // BookParts<N> comes before BookSections<N>: both its clearing and its
    // copying find the book's sections before those rows are replaced.
    for (const RetainedTableSpec& entry : retainedTableSpecs()) {
        const QString shadow = shadowOf(entry.table);
        const QString shadowLink = entry.linkTable.isEmpty() ? QString() : shadowOf(entry.linkTable);
        runForBook(connection, QStringLiteral("DELETE FROM %1 WHERE %2").arg(shadow, rowCondition(entry, shadowLink)),
                   bookId);
        runForBook(connection,
                   QStringLiteral("INSERT INTO %1 SELECT * FROM %2 WHERE %3")
                       .arg(shadow, entry.table, rowCondition(entry, entry.linkTable)),
                   bookId);
    }
}

void recordState(const QSqlDatabase& connection, int bookId, qint64 verifiedThrough)
{
    QSqlQuery query(connection);
    if (!query.prepare(QStringLiteral("INSERT OR REPLACE INTO RetainedBookState VALUES(:book,1,:time,:verified)")))
        fail("inventory query failed");
    query.bindValue(QStringLiteral(":book"), bookId);
    query.bindValue(QStringLiteral(":time"), QDateTime::currentSecsSinceEpoch());
    query.bindValue(QStringLiteral(":verified"), qMax<qint64>(verifiedThrough, 0));
    if (!query.exec())
        fail("inventory save failed");
    query.finish();
}

} // namespace

const std::vector<RetainedTableSpec>& retainedTableSpecs()
{
    static const std::vector<RetainedTableSpec> specs = [] {
        std::vector<RetainedTableSpec> list = {
            {QStringLiteral("BookBase"), QStringLiteral("id"), {}},
            {QStringLiteral("BookBaseAuthors"), QStringLiteral("bookId"), {}},
            {QStringLiteral("BookBaseCommentators"), QStringLiteral("bookId"), {}},
            {QStringLiteral("BookBaseCategories"), QStringLiteral("bookId"), {}},
            {QStringLiteral("BookBaseRelatedBooks"), QStringLiteral("bookId"), {}},
            {QStringLiteral("BookBaseOtherPublications"), QStringLiteral("bookId"), {}},
            {QStringLiteral("BooksCovers"), QStringLiteral("bookId"), {}},
        };
        for (int language = 1; language <= 3; ++language) {
            const QString n = QString::number(language);
            list.push_back({QStringLiteral("BookInfo") + n, QStringLiteral("id"), {}});
            list.push_back({QStringLiteral("BookParts") + n, QStringLiteral("sectionCode"),
                            QStringLiteral("BookSections") + n});
            list.push_back({QStringLiteral("BookSections") + n, QStringLiteral("bookId"), {}});
            list.push_back({QStringLiteral("BooksCovers") + n, QStringLiteral("bookId"), {}});
        }
        return list;
    }();
    return specs;
}

void preserveUnavailableBook(QSqlDatabase connection, int bookId, qint64 verifiedThrough,
                             const std::function<void()>& removeLiveRows)
{
    if (bookId < 1 || !removeLiveRows || !connection.isOpen() || connection.driverName() != QLatin1String("QSQLITE"))
        fail("invalid storage request");

    const QString savepoint = QLatin1String("retainbook_") + QUuid::createUuid().toString(QUuid::Id128);
    run(connection, QLatin1String("SAVEPOINT ") + savepoint);
    try {
        requireActiveBook(connection, bookId);
        prepareShadowTables(connection);
        copyRows(connection, bookId);
        recordState(connection, bookId, verifiedThrough);
        removeLiveRows();
        run(connection, QLatin1String("RELEASE SAVEPOINT ") + savepoint);
    } catch (...) {
        // Undo everything since the savepoint, then drop it; the caller's
        // transaction stays open for the caller to decide about.
        QSqlQuery(connection).exec(QLatin1String("ROLLBACK TO SAVEPOINT ") + savepoint);
        QSqlQuery(connection).exec(QLatin1String("RELEASE SAVEPOINT ") + savepoint);
        throw;
    }
}
