#include "search/index/ActiveLibraryKey.h"

#include <QCryptographicHash>
#include <QDataStream>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <limits>

namespace tarnolix {

namespace {

const char* const keyQuery =
    "SELECT 0 AS kind, 0 AS id, COALESCE((SELECT value FROM Settings WHERE key='DBOwned' LIMIT 1),'') AS owner "
    "UNION ALL SELECT 1,info.id,'' FROM BookInfo1 AS info INNER JOIN BookBase AS base ON base.id=info.id "
    "UNION ALL SELECT 2,info.id,'' FROM BookInfo2 AS info INNER JOIN BookBase AS base ON base.id=info.id "
    "UNION ALL SELECT 3,info.id,'' FROM BookInfo3 AS info INNER JOIN BookBase AS base ON base.id=info.id "
    "ORDER BY kind,id";

} // namespace

QByteArray activeLibraryCacheKey(const QSqlDatabase& database)
{
    if (!database.isOpen() || database.driverName() != QLatin1String("QSQLITE"))
        return {};
    QSqlQuery query(database);
    query.setForwardOnly(true);
    if (!query.exec(QLatin1String(keyQuery)))
        return {};

    const QString name = database.databaseName();
    const QString identity =
        name == QLatin1String(":memory:") ? database.connectionName() : QFileInfo(name).absoluteFilePath();

    QByteArray bytes;
    bytes.reserve(65536);
    QDataStream stream(&bytes, QIODevice::WriteOnly);
    stream.setVersion(QDataStream::Qt_5_12);
    stream << QByteArray("active-library-v1") << identity;
    bool ownerRow = false;
    while (query.next()) {
        bool kindOk = false;
        bool idOk = false;
        const qint64 kind = query.value(0).toLongLong(&kindOk);
        const qint64 id = query.value(1).toLongLong(&idOk);
        if (!kindOk || !idOk || kind < 0 || kind > 3)
            return {};
        if (kind != 0 && (id < 1 || id > std::numeric_limits<int32_t>::max()))
            return {};
        stream << qint32(kind) << id;
        if (kind == 0) {
            stream << query.value(2).toString();
            ownerRow = true;
        }
    }
    if (!ownerRow || query.lastError().isValid() || stream.status() != QDataStream::Ok)
        return {};
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256);
}

} // namespace tarnolix
