#include "database/DatabaseTransaction.h"

#include "core/Exception.h"
#include "database/Database.h"

DatabaseTransaction::DatabaseTransaction(std::shared_ptr<Database> db)
    : m_db(std::move(db))
{
    begin();
}

DatabaseTransaction::DatabaseTransaction(std::shared_ptr<Database> db, const char* label)
    : m_db(std::move(db))
{
    begin();
    m_label = label;
}

DatabaseTransaction::~DatabaseTransaction()
{
    if (m_active) {
        try {
            m_db->rollback();
        } catch (...) {
            // A closed connection has nothing left to roll back.
        }
        m_active = false;
    }
    m_cursor.restore();
}

void DatabaseTransaction::begin()
{
    if (m_active || m_db->isTransaction())
        return;
    if (m_db->waitCursorOnTransaction())
        m_cursor.set(m_db->waitCursorShape());
    m_active = m_db->transaction();
    if (!m_active) {
        m_cursor.restore();
        throw DBException(QStringLiteral("Cannot start database transaction: ") + m_db->transactionErrorText());
    }
}

void DatabaseTransaction::commit()
{
    if (!m_active)
        return;
    if (!m_db->commit())
        throw DBException(QStringLiteral("Cannot commit database transaction: ") + m_db->transactionErrorText());
    m_active = false;
    m_cursor.restore();
}
