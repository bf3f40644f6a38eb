#include "database/SQLiteDatabase.h"

#include "core/Exception.h"
#include "core/OverrideCursorGuard.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QRegularExpression>
#include <QSqlDriver>
#include <QSqlError>

#include <sqlite3.h>

namespace {

// PRAGMA arguments cannot be bound; accept only the bare words SQLite knows.
void checkPragmaWord(const QString& word)
{
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z]+$"));
    if (!plain.match(word).hasMatch())
        throw Exception(QStringLiteral("Invalid PRAGMA argument: %1 (0x8A3C1E09)").arg(word));
}

// The driver's own handle: QSQLITE links the system's SQLite, as we do.
sqlite3* handleOf(const QSqlDatabase& db)
{
    const QVariant handle = db.driver()->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return nullptr;
    return *static_cast<sqlite3* const*>(handle.constData());
}

[[noreturn]] void throwStatementError(sqlite3* db, const QString& sql)
{
    const int code = sqlite3_errcode(db);
    const QString message = Database::queryErrorMessage(
        QCoreApplication::translate("Database", "Ошибка базы данных"),
        QString::fromUtf16(static_cast<const char16_t*>(sqlite3_errmsg16(db))), sql);
    qWarning("%s", qUtf8Printable(message));
    if ((code & 0xFF) == SQLITE_CONSTRAINT)
        throw DBUniqueConstraint(message);
    throw DBException(message);
}

} // namespace

SQLiteDatabase::SQLiteDatabase() = default;

SQLiteDatabase::~SQLiteDatabase()
{
    // Before ~Database closes the connection: SQLite does not close a handle
    // that still has statements.
    releaseHandleResources();
}

void SQLiteDatabase::releaseHandleResources()
{
    for (sqlite3_stmt* statement : qAsConst(m_inPlaceStatements))
        sqlite3_finalize(statement);
    m_inPlaceStatements.clear();
}

SQLiteDatabase::InPlaceRow SQLiteDatabase::stepKept(const QString& sql, const QString& value)
{
    OverrideCursorGuard cursor(waitCursorOnTransaction(), waitCursorShape());
    sqlite3* db = handleOf(connection());
    if (!db)
        throw DBException(QStringLiteral("No SQLite handle for a kept statement (0x8A3C1E0B)"));
    sqlite3_stmt* statement = m_inPlaceStatements.value(sql);
    if (!statement) {
        if (sqlite3_prepare16_v3(db, sql.utf16(), sql.size() * 2, SQLITE_PREPARE_PERSISTENT, &statement, nullptr) !=
            SQLITE_OK) {
            sqlite3_finalize(statement);
            throwStatementError(db, sql);
        }
        m_inPlaceStatements.insert(sql, statement);
    }
    // The value outlives the step: readInPlace holds it until the reset.
    sqlite3_bind_text16(statement, 1, value.utf16(), value.size() * 2, SQLITE_STATIC);
    const int result = sqlite3_step(statement);
    if (result == SQLITE_ROW || result == SQLITE_DONE)
        return InPlaceRow(statement, result == SQLITE_ROW);
    StatementReset reset(statement);
    throwStatementError(db, sql);
}

SQLiteDatabase::StatementReset::~StatementReset()
{
    sqlite3_reset(m_statement);
    sqlite3_clear_bindings(m_statement);
}

QString SQLiteDatabase::InPlaceRow::text(int column) const
{
    const auto* units = static_cast<const char16_t*>(sqlite3_column_text16(m_statement, column));
    if (!units)
        return QString();
    return QString::fromUtf16(units, sqlite3_column_bytes16(m_statement, column) / 2);
}

const char* SQLiteDatabase::InPlaceRow::blob(int column, int& size) const
{
    const void* bytes = sqlite3_column_blob(m_statement, column);
    size = sqlite3_column_bytes(m_statement, column);
    return static_cast<const char*>(bytes);
}

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
