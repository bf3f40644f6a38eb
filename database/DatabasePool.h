#pragma once
// One library connection per thread, all on the one library file. The GUI
// thread's connection is reached without the lock (only that thread uses
// it); every other thread's connection is made on its first request under
// the lock and kept until the pool is destroyed.

#include <QString>

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

class LocationInfo;
class TarnolixDB;

class DatabasePool
{
public:
    // Busy timeouts: interactive paths wait one minute for a writer, long
    // writers five.
    static constexpr int kInteractiveBusyTimeoutMs = 60000;
    static constexpr int kWriterBusyTimeoutMs = 300000;

    // databasePath is asked each time a connection opens (the library paths
    // stay frozen while the pool lives).
    DatabasePool(std::thread::id guiThread, std::function<QString()> databasePath);
    // On the library file of the selected account; `locations` outlives the pool.
    DatabasePool(std::thread::id guiThread, const LocationInfo& locations);
    ~DatabasePool();

    DatabasePool(const DatabasePool&) = delete;
    DatabasePool& operator=(const DatabasePool&) = delete;

    // The connection of `thread`, made on first use and opened when `open` is
    // true and it is not open yet. Only the thread itself may use it. The
    // reference stays valid while the pool lives.
    std::shared_ptr<TarnolixDB>& database(std::thread::id thread, bool open, int busyTimeoutMs);

    // Number of worker connections made so far.
    std::size_t workerConnectionCount() const;

private:
    void openConnection(TarnolixDB& db, int busyTimeoutMs) const;

    mutable std::mutex m_mutex;
    // Keyed by the full thread id: two live threads never share a connection.
    std::map<std::thread::id, std::shared_ptr<TarnolixDB>> m_connections;
    const std::thread::id m_guiThread;
    std::shared_ptr<TarnolixDB> m_guiConnection;
    const std::function<QString()> m_databasePath;
};

// Opens `db` on the library file at `path` and switches it to WAL; a file
// that stays in another journal mode is only a warning.
void openTarnolixDB(TarnolixDB& db, const QString& path, int busyTimeoutMs);

// The pool of the open account runtime. The application sets it when it
// creates the pool and clears it before deleting it; tests set their own.
void setDatabasePool(DatabasePool* pool);
DatabasePool* databasePool();

// The calling thread's library connection, open, busy timeout 60 s. Throws
// when no pool is set or the library cannot be opened.
std::shared_ptr<TarnolixDB>& currentDatabase();
