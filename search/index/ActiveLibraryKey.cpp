#include "search/index/ActiveLibraryKey.h"

#include "search/index/DatabaseStamp.h"

#include <QCryptographicHash>
#include <QDataStream>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <limits>
#include <map>
#include <mutex>

namespace tarnolix {

namespace {

const char* const keyQuery =
    "SELECT 0 AS kind, 0 AS id, COALESCE((SELECT value FROM Settings WHERE key='DBOwned' LIMIT 1),'') AS owner "
    "UNION ALL SELECT 1,info.id,'' FROM BookInfo1 AS info INNER JOIN BookBase AS base ON base.id=info.id "
    "UNION ALL SELECT 2,info.id,'' FROM BookInfo2 AS info INNER JOIN BookBase AS base ON base.id=info.id "
    "UNION ALL SELECT 3,info.id,'' FROM BookInfo3 AS info INNER JOIN BookBase AS base ON base.id=info.id "
    "ORDER BY kind,id";

QByteArray computeKey(const QSqlDatabase& database)
{
    QSqlQuery query(database);
    query.setForwardOnly(true);
    if (!query.exec(QLatin1String(keyQuery)))
        return {};

    const QString identity = databaseIdentity(database);

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

// The last key of each connection with the stamp it was read at: every
// search takes the key, and reading it walks every book of the library.
struct CachedKey
{
    DatabaseStamp stamp;
    QByteArray key;
};
std::mutex s_keysMutex;
std::map<QString, CachedKey> s_keys;

} // namespace

QByteArray activeLibraryCacheKey(const QSqlDatabase& database)
{
    if (!database.isOpen() || database.driverName() != QLatin1String("QSQLITE"))
        return {};
    const DatabaseStamp stamp = databaseStamp(database);
    if (stamp.valid()) {
        std::lock_guard<std::mutex> lock(s_keysMutex);
        const auto found = s_keys.find(stamp.connection);
        if (found != s_keys.end() && found->second.stamp == stamp)
            return found->second.key;
    }
    const QByteArray key = computeKey(database);
    if (stamp.valid() && !key.isEmpty()) {
        std::lock_guard<std::mutex> lock(s_keysMutex);
        // Connections that are gone keep no key.
        for (auto it = s_keys.begin(); it != s_keys.end();)
            it = QSqlDatabase::contains(it->first) ? std::next(it) : s_keys.erase(it);
        s_keys[stamp.connection] = CachedKey{stamp, key};
    }
    return key;
}

} // namespace tarnolix
