#include "core/LocationInfo.h"

#include "core/Exception.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QThread>
#include <QUuid>

#include <atomic>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const char kDataKey[] = "Locations/Data";

std::atomic<LocationInfo*> g_current{nullptr};

bool tryDataLocation(const QString& location, QString& dataDir)
{
    const QString candidate = location + QLatin1String("/Data");
    if (!QDir(candidate).exists() && !QDir().mkpath(candidate))
        return false;
    QFile probe(candidate + QLatin1String("/tarnolix.tmp"));
    if (!probe.open(QIODevice::WriteOnly))
        return false;
    probe.close();
    probe.remove();
    dataDir = candidate;
    return true;
}

enum class DirState { Ready, Symlink, CannotCreate, CannotProtect };

// Creates `path` (and its parents) when missing and leaves it readable,
// writable and searchable by its owner only. A symbolic link is refused, also
// one that appears between the creation and the permission change.
DirState makePrivateDirectory(const QString& path)
{
    const QByteArray native = QFile::encodeName(path);
    struct stat st;
    if (::lstat(native.constData(), &st) == 0) {
        if (S_ISLNK(st.st_mode))
            return DirState::Symlink;
    } else {
        if (errno != ENOENT || !QDir().mkpath(QFileInfo(path).absolutePath()))
            return DirState::CannotCreate;
        if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST)
            return DirState::CannotCreate;
    }
    const int fd = ::open(native.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return errno == ELOOP ? DirState::Symlink : DirState::CannotCreate;
    const bool protectedOk = ::fchmod(fd, S_IRWXU) == 0;
    ::close(fd);
    return protectedOk ? DirState::Ready : DirState::CannotProtect;
}

bool sameAccount(const QString& owner, const QString& normalisedId)
{
    return owner.trimmed().compare(normalisedId, Qt::CaseInsensitive) == 0;
}

} // namespace

LocationInfo::LocationInfo(QSettings& settings, QObject* parent)
    : QObject(parent)
{
    m_dataDir = settings.value(QLatin1String(kDataKey)).toString();
    if (m_dataDir.isEmpty()) {
        // Only the per-user application-data locations: an installed program's
        // directory is not the reader's, and a build tree must not collect data.
        m_dataDir = findDataDirectory(QStandardPaths::standardLocations(QStandardPaths::AppDataLocation));
        settings.setValue(QLatin1String(kDataKey), m_dataDir);
    }
}

LocationInfo::~LocationInfo()
{
    LocationInfo* self = this;
    g_current.compare_exchange_strong(self, nullptr);
}

LocationInfo* LocationInfo::current()
{
    return g_current.load();
}

void LocationInfo::setCurrent(LocationInfo* locations)
{
    g_current.store(locations);
}

QString LocationInfo::findDataDirectory(const QStringList& locations)
{
    QString dataDir;
    for (const QString& location : locations) {
        if (location.contains(QLatin1String("Roaming"), Qt::CaseInsensitive)) {
            if (tryDataLocation(location, dataDir))
                return dataDir;
            break;
        }
    }
    for (const QString& location : locations) {
        if (tryDataLocation(location, dataDir))
            return dataDir;
    }
    throw Exception("Directory for data not found!");
}

QString LocationInfo::libraryBase() const
{
    return m_accountLibraryDir.isEmpty() ? m_dataDir : m_accountLibraryDir;
}

QString LocationInfo::dataLocation() const
{
    return m_dataDir;
}

QString LocationInfo::databasePath() const
{
    return libraryBase() + QLatin1String("/Tarnolix.db");
}

QString LocationInfo::indexPath(unsigned languageId) const
{
    return libraryBase() + QLatin1String("/Index_") + QString::number(languageId);
}

QString LocationInfo::index2Path() const
{
    return libraryBase() + QLatin1String("/Index2");
}

QString LocationInfo::index3Path() const
{
    return libraryBase() + QLatin1String("/Index3");
}

QString LocationInfo::logPath() const
{
    return m_dataDir + QLatin1String("/Log");
}

void LocationInfo::selectAccountLibrary(const QString& accountId)
{
    const QString normalisedId = accountId.trimmed().toLower();
    if (thread() != QThread::currentThread() || m_pathsFrozen || m_accountSelected || normalisedId.isEmpty())
        throw Exception("Legacy account library can only be selected once before worker startup");

    if (const QString owner = readAccountLibraryOwner(m_dataDir + QLatin1String("/Tarnolix.db"));
        !owner.isEmpty() && sameAccount(owner, normalisedId)) {
        m_accountSelected = true;
        return;
    }

    const QString accountsDir = m_dataDir + QLatin1String("/Accounts");
    switch (makePrivateDirectory(accountsDir)) {
    case DirState::Ready:
        break;
    // One refusal for both: whatever stands in the way is not our directory.
    case DirState::Symlink:
    case DirState::CannotCreate:
        throw Exception("Account libraries directory is a symlink");
    case DirState::CannotProtect:
        throw Exception("Cannot protect account libraries directory");
    }

    const QByteArray digest = QCryptographicHash::hash(normalisedId.toUtf8(), QCryptographicHash::Sha256).toHex();
    const QString accountDir = accountsDir + QLatin1Char('/') + QString::fromLatin1(digest);
    switch (makePrivateDirectory(accountDir)) {
    case DirState::Ready:
        break;
    case DirState::Symlink:
    case DirState::CannotCreate:
        throw Exception("Cannot create private account library directory");
    case DirState::CannotProtect:
        throw Exception("Cannot protect account library directory");
    }

    const QString owner = readAccountLibraryOwner(accountDir + QLatin1String("/Tarnolix.db"));
    if (!owner.isEmpty() && !sameAccount(owner, normalisedId))
        throw Exception("Account library owner mismatch");
    m_accountLibraryDir = accountDir;
    m_accountSelected = true;
}

void LocationInfo::freezeLibraryPaths()
{
    if (thread() != QThread::currentThread())
        throw Exception("Library paths must be frozen on the startup thread");
    m_pathsFrozen = true;
}

void LocationInfo::releaseLibraryPaths()
{
    if (thread() != QThread::currentThread())
        throw Exception("Library paths must be released on the startup thread");
    m_pathsFrozen = false;
    m_accountSelected = false;
    m_accountLibraryDir.clear();
}

QString readAccountLibraryOwner(const QString& databasePath)
{
    struct stat st;
    if (::lstat(QFile::encodeName(databasePath).constData(), &st) != 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return {};
        throw Exception(QStringLiteral("Cannot inspect account library owner: ")
                        + QString::fromLocal8Bit(std::strerror(errno)));
    }
    // A dangling link counts too: the database layer would create its target.
    if (S_ISLNK(st.st_mode) || !S_ISREG(st.st_mode))
        throw Exception("Account library database is not a regular file");

    const QString connection = QStringLiteral("account-owner-") + QUuid::createUuid().toString();
    QString owner;
    QString error;
    bool failed = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(databasePath);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (!db.open()) {
            failed = true;
            error = db.lastError().text();
        } else {
            QSqlQuery query(db);
            if (query.exec(QStringLiteral("SELECT value FROM Settings WHERE key='DBOwned' LIMIT 1"))) {
                if (query.next())
                    owner = query.value(0).toString();
            } else {
                // Only a database with no schema at all (left by a first start
                // that ended before the schema was made) is an ownerless library
                // of ours; any other file without Settings belongs to something
                // else and must not be adopted.
                error = query.lastError().text();
                QSqlQuery schema(db);
                failed = !schema.exec(QStringLiteral("SELECT count(*) FROM sqlite_master")) || !schema.next() ||
                         schema.value(0).toInt() != 0;
            }
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(connection);
    if (failed)
        throw Exception(QStringLiteral("Cannot inspect account library owner: ") + error);
    return owner;
}
