#pragma once
// Database over Qt's QSQLITE driver: busy timeout, foreign keys on, WAL
// helpers, BEGIN IMMEDIATE transactions and constraint violations reported
// as DBUniqueConstraint.

#include "database/Database.h"

#include <QHash>

struct sqlite3_stmt;

class SQLiteDatabase : public Database
{
public:
    // The current row of a statement read in place: column values straight
    // from SQLite, without the driver's copy into a row of variants.
    class InPlaceRow
    {
    public:
        bool found() const { return m_found; }
        QString text(int column) const;
        // The column's bytes (null when empty), valid until the read returns.
        const char* blob(int column, int& size) const;

    private:
        friend class SQLiteDatabase;
        InPlaceRow(sqlite3_stmt* statement, bool found) : m_statement(statement), m_found(found) {}
        sqlite3_stmt* m_statement;
        bool m_found;
    };

    SQLiteDatabase();
    ~SQLiteDatabase() override;

    // Opens the file under a connection name unique to this object.
    void open(const QString& path, int busyTimeoutMs);
    using Database::open;

    bool transaction() override;
    // Also true when SQLite had already ended the transaction itself.
    bool rollback() override;

    bool foreignKeysEnabled() override;
    void setForeignKeys(bool enabled) override;
    bool isTableExist(QSqlQuery& query, const QString& table) override;
    bool isColumnExist(QSqlQuery& query, const QString& table, const QString& column) override;
    bool addColumnIfNotExist(QSqlQuery& query, const QString& table, const QString& column,
                             const QString& type) override;
    using Database::isColumnExist;
    using Database::addColumnIfNotExist;

    using Database::throwQueryError;
    [[noreturn]] void throwQueryError(const QSqlQuery& query, const QString& title) override;

    // Returns whether the mode SQLite reports afterwards is the one asked for.
    bool setJournalMode(const QString& mode);
    // Returns true when the checkpoint was not blocked.
    bool walCheckpoint(const QString& mode);

    // Runs a SELECT with one text value as a statement kept prepared on the
    // connection's own SQLite handle, and hands read(row) its first row (not
    // found when there is none), for the reads that run more than any other.
    // The statement is reset afterwards, even when read throws, so it never
    // holds the connection's read snapshot.
    template <typename Read>
    decltype(auto) readInPlace(const QString& sql, const QString& value, Read&& read);

protected:
    void releaseHandleResources() override;

private:
    InPlaceRow stepKept(const QString& sql, const QString& value);

    class StatementReset
    {
    public:
        explicit StatementReset(sqlite3_stmt* statement) : m_statement(statement) {}
        ~StatementReset();
        StatementReset(const StatementReset&) = delete;
        StatementReset& operator=(const StatementReset&) = delete;

    private:
        sqlite3_stmt* m_statement;
    };

    // Statements of readInPlace by their text; finalized before the
    // connection closes.
    QHash<QString, sqlite3_stmt*> m_inPlaceStatements;
};

template <typename Read>
decltype(auto) SQLiteDatabase::readInPlace(const QString& sql, const QString& value, Read&& read)
{
    const InPlaceRow row = stepKept(sql, value);
    StatementReset reset(row.m_statement);
    return read(row);
}
