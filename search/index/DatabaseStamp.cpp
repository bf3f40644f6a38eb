#include "search/index/DatabaseStamp.h"

#include <QFileInfo>
#include <QSqlQuery>
#include <QVariant>

namespace tarnolix {

bool DatabaseStamp::operator==(const DatabaseStamp& other) const
{
    return valid() && other.valid() && driver == other.driver && handle == other.handle
        && dataVersion == other.dataVersion
        && totalChanges == other.totalChanges && schemaVersion == other.schemaVersion
        && connection == other.connection && file == other.file;
}

QString databaseIdentity(const QSqlDatabase& database)
{
    const QString name = database.databaseName();
    return name == QLatin1String(":memory:") ? database.connectionName() : QFileInfo(name).absoluteFilePath();
}

DatabaseStamp databaseStamp(const QSqlDatabase& database)
{
    DatabaseStamp stamp;
    if (!database.isOpen() || database.driverName() != QLatin1String("QSQLITE"))
        return stamp;
    // A reopened connection gets a new handle and counters of its own.
    const QVariant handle = database.driver()->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return stamp;
    const void* const open = *static_cast<void* const*>(handle.constData());
    if (!open)
        return stamp;

    QSqlQuery query(database);
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("SELECT total_changes(),(SELECT data_version FROM pragma_data_version),"
                                   "(SELECT schema_version FROM pragma_schema_version)"))
        || !query.next())
        return stamp;
    bool changesOk = false, dataOk = false, schemaOk = false;
    const qint64 totalChanges = query.value(0).toLongLong(&changesOk);
    const qint64 dataVersion = query.value(1).toLongLong(&dataOk);
    const qint64 schemaVersion = query.value(2).toLongLong(&schemaOk);
    if (!changesOk || !dataOk || !schemaOk)
        return stamp;

    stamp.connection = database.connectionName();
    stamp.file = databaseIdentity(database);
    stamp.totalChanges = totalChanges;
    stamp.dataVersion = dataVersion;
    stamp.schemaVersion = schemaVersion;
    stamp.driver = database.driver();
    stamp.handle = open;
    return stamp;
}

} // namespace tarnolix
