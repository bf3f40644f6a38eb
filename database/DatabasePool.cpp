#include "database/DatabasePool.h"

#include "core/Exception.h"
#include "core/LocationInfo.h"
#include "database/TarnolixDB.h"

#include <atomic>

namespace {

std::atomic<DatabasePool*> g_pool{nullptr};

} // namespace

void openTarnolixDB(TarnolixDB& db, const QString& path, int busyTimeoutMs)
{
    db.open(path, busyTimeoutMs);
    if (!db.setJournalMode(QStringLiteral("WAL")))
        qWarning("Change database journal mode error");
}

DatabasePool::DatabasePool(std::thread::id guiThread, std::function<QString()> databasePath)
    : m_guiThread(guiThread)
    , m_guiConnection(std::make_shared<TarnolixDB>())
    , m_databasePath(std::move(databasePath))
{
}

DatabasePool::DatabasePool(std::thread::id guiThread, const LocationInfo& locations)
    : DatabasePool(guiThread, [&locations] { return locations.databasePath(); })
{
}

DatabasePool::~DatabasePool() = default;

void DatabasePool::openConnection(TarnolixDB& db, int busyTimeoutMs) const
{
    openTarnolixDB(db, m_databasePath(), busyTimeoutMs);
}

std::shared_ptr<TarnolixDB>& DatabasePool::database(std::thread::id thread, bool open, int busyTimeoutMs)
{
    if (thread == m_guiThread) {
        if (open && !m_guiConnection->isOpen())
            openConnection(*m_guiConnection, busyTimeoutMs);
        return m_guiConnection;
    }

    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_connections.find(thread);
    if (it != m_connections.end()) {
        if (open && !it->second->isOpen())
            openConnection(*it->second, busyTimeoutMs);
        return it->second;
    }

    auto db = std::make_shared<TarnolixDB>();
    // The wait cursor belongs to the GUI thread.
    db->setWaitCursorOnTransaction(false);
    if (open)
        openConnection(*db, busyTimeoutMs); // a failure inserts nothing: the next request tries again
    return m_connections.emplace(thread, std::move(db)).first->second;
}

std::size_t DatabasePool::workerConnectionCount() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_connections.size();
}

void setDatabasePool(DatabasePool* pool)
{
    g_pool.store(pool);
}

DatabasePool* databasePool()
{
    return g_pool.load();
}

std::shared_ptr<TarnolixDB>& currentDatabase()
{
    DatabasePool* pool = g_pool.load();
    if (!pool)
        throw DBException(QStringLiteral("No library database is open(0x8B51D2E5)"));
    return pool->database(std::this_thread::get_id(), true, DatabasePool::kInteractiveBusyTimeoutMs);
}
