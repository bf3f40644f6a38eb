#include "database/SQLiteDatabase.h"

#include "core/Exception.h"

#include <QDateTime>
#include <QRegularExpression>
#include <QSqlError>

namespace {

// PRAGMA arguments cannot be bound; accept only the bare words SQLite knows.
void checkPragmaWord(const QString& word)
{
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z]+$"));
    if (!plain.match(word).hasMatch())
        throw Exception(QStringLiteral("Invalid PRAGMA argument: %1 (0x8A3C1E09)").arg(word));
}

} // namespace

SQLiteDatabase::SQLiteDatabase() = default;
SQLiteDatabase::~SQLiteDatabase() = default;

void SQLiteDatabase::open(const QString& path, int busyTimeoutMs)
{
    // Reopening within the same millisecond would otherwise pick the name of
    // the connection still open and replace it under its owner.
    close();
    const QString name = QStringLiteral("DB_%1_%2")
                             .arg(static_cast<qulonglong>(reinterpret_cast<quintptr>(this)))
                             .arg(QDateTime::currentDateTime().toMSecsSinceEpoch());
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(busyTimeoutMs));
        db.setDatabaseName(path);
        try {
            Database::open(db);
        } catch (...) {
            db = QSqlDatabase();
            QSqlDatabase::removeDatabase(name);
            throw;
        }
    }
    setForeignKeys(true);
}

bool SQLiteDatabase::transaction()
{
    QSqlQuery q = newQuery();
    if (!q.exec(QStringLiteral("BEGIN IMMEDIATE TRANSACTION"))) {
        setTransactionError(q.lastError());
        qWarning("SQLiteDatabase::transaction error: %s", qUtf8Printable(transactionErrorText()));
        return false;
    }
    // The driver's own transaction() would begin a deferred transaction;
    // IMMEDIATE takes the write lock now, so a second writer waits here.
    setTransactionOpen(true);
    return true;
}

bool SQLiteDatabase::rollback()
{
    if (Database::rollback())
        return true;
    if (!isTransaction())
        return false;
    // SQLite ends the whole transaction by itself after some errors (a full
    // disk, an I/O error, RAISE(ROLLBACK)), and ROLLBACK then finds nothing
    // to undo. Believing a transaction still open, every later guard on this
    // connection would join it: none would begin, commit or roll back again.
    // BEGIN succeeds only when no transaction is open.
    QSqlQuery probe = newQuery();
    if (!probe.exec(QStringLiteral("BEGIN")))
        return false;
    const bool ended = probe.exec(QStringLiteral("ROLLBACK"));
    setTransactionOpen(!ended);
    return ended;
}

bool SQLiteDatabase::foreignKeysEnabled()
{
    QSqlQuery q = execSql(QStringLiteral("PRAGMA foreign_keys"));
    if (!q.next())
        throwQueryError(q, QStringLiteral("Get foreign_keys status error"));
    return q.value(0).toBool();
}

void SQLiteDatabase::setForeignKeys(bool enabled)
{
    execSql(enabled ? QStringLiteral("PRAGMA foreign_keys=on") : QStringLiteral("PRAGMA foreign_keys=off"));
}

bool SQLiteDatabase::isTableExist(QSqlQuery& query, const QString& table)
{
    if (!query.prepare(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type='table' AND name=?")))
        throwQueryError(query, QStringLiteral("isTableExist"));
    query.addBindValue(table);
    if (!query.exec())
        throwQueryError(query, QStringLiteral("isTableExist"));
    if (!query.next())
        throw Exception("Database::isTableExist: Unknown error");
    const bool exists = query.value(0).toInt() > 0;
    // A pending read statement would block journal-mode changes and checkpoints.
    query.finish();
    return exists;
}

bool SQLiteDatabase::isColumnExist(QSqlQuery& query, const QString& table, const QString& column)
{
    if (!query.prepare(QStringLiteral("SELECT name FROM pragma_table_info(?)")))
        throwQueryError(query, QStringLiteral("isColumnExist"));
    query.addBindValue(table);
    if (!query.exec())
        throwQueryError(query, QStringLiteral("isColumnExist"));
    bool found = false;
    while (!found && query.next())
        found = query.value(0).toString() == column;
    query.finish();
    return found;
}

bool SQLiteDatabase::addColumnIfNotExist(QSqlQuery& query, const QString& table, const QString& column,
                                         const QString& type)
{
    if (isColumnExist(query, table, column))
        return false;
    checkIdentifier(table);
    checkIdentifier(column);
    if (type.contains(QLatin1Char(';')))
        throw Exception(QStringLiteral("Invalid column type: %1 (0x8A3C1E0A)").arg(type));
    if (!query.exec(QStringLiteral("ALTER TABLE %1 ADD COLUMN %2 %3").arg(table, column, type)))
        throwQueryError(query, QStringLiteral("addColumnIfNotExist"));
    return true;
}

void SQLiteDatabase::throwQueryError(const QSqlQuery& query, const QString& title)
{
    const QString message = queryErrorMessage(query, title);
    qWarning("%s", qUtf8Printable(message));
    bool ok = false;
    const int code = query.lastError().nativeErrorCode().toInt(&ok);
    if (ok && code == 19)
        throw DBUniqueConstraint(message);
    throw DBException(message);
}

bool SQLiteDatabase::setJournalMode(const QString& mode)
{
    checkPragmaWord(mode);
    QSqlQuery q = execSql(QStringLiteral("PRAGMA journal_mode=") + mode);
    if (!q.next())
        throw Exception("ERROR 0x87996358");
    return q.value(0).toString().toUpper() == mode.toUpper();
}

bool SQLiteDatabase::walCheckpoint(const QString& mode)
{
    checkPragmaWord(mode);
    QSqlQuery q = execSql(QStringLiteral("PRAGMA wal_checkpoint(") + mode + QLatin1Char(')'));
    if (!q.next())
        throw Exception("ERROR 0x87996360");
    return q.value(0).toInt() == 0;
}
