#pragma once
// A cheap test of whether a connection's database may have changed since an
// earlier look: SQLite's own counters of commits by other connections
// (data_version), of changes made through this connection (total_changes)
// and of schema changes, with the connection's name, file, driver and open
// handle. The counters restart with each connection, so a stamp names the
// connection's driver: a connection that was removed and added again (as
// closing a library does) never matches the stamps of the old one. Equal
// stamps mean that no table changed in between, so what was read then
// still holds.

#include <QPointer>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QString>

namespace tarnolix {

struct DatabaseStamp
{
    QString connection;
    QString file;
    QPointer<QSqlDriver> driver;
    const void* handle = nullptr;
    qint64 dataVersion = -1;
    qint64 totalChanges = -1;
    qint64 schemaVersion = -1;

    // False when the counters could not be read: nothing may be cached then.
    bool valid() const { return handle != nullptr && !driver.isNull(); }
    bool operator==(const DatabaseStamp& other) const;
    bool operator!=(const DatabaseStamp& other) const { return !(*this == other); }
};

// An invalid stamp for a closed or non-SQLite connection or a failed read.
DatabaseStamp databaseStamp(const QSqlDatabase& database);

// The file's absolute path; the connection name for an in-memory database.
QString databaseIdentity(const QSqlDatabase& database);

} // namespace tarnolix
