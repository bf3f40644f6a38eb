#pragma once
// Database over Qt's QSQLITE driver: busy timeout, foreign keys on, WAL
// helpers, BEGIN IMMEDIATE transactions and constraint violations reported
// as DBUniqueConstraint.

#include "database/Database.h"

class SQLiteDatabase : public Database
{
public:
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
};
