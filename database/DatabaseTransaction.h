#pragma once
// Scoped transaction: begins on construction, commits on request, rolls back
// when destroyed uncommitted. A guard opened while a transaction is already
// open on the connection joins it and does nothing itself.

#include "core/OverrideCursorGuard.h"

#include <memory>

class Database;

class DatabaseTransaction
{
public:
    explicit DatabaseTransaction(std::shared_ptr<Database> db);
    // label: names the operation for readers of the code; unused otherwise.
    DatabaseTransaction(std::shared_ptr<Database> db, const char* label);
    ~DatabaseTransaction();

    DatabaseTransaction(const DatabaseTransaction&) = delete;
    DatabaseTransaction& operator=(const DatabaseTransaction&) = delete;

    void begin();
    void commit();

    bool isActive() const { return m_active; }

private:
    std::shared_ptr<Database> m_db;
    OverrideCursorGuard m_cursor{false, Qt::BusyCursor};
    bool m_active = false;
    const char* m_label = nullptr;
};
