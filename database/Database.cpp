#include "database/Database.h"

#include "core/Exception.h"
#include "core/OverrideCursorGuard.h"
#include "database/DatabaseTransaction.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <QSqlError>

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("Database", text);
}

[[noreturn]] void throwNotConnected()
{
    throw DBException(tr("Соединение с базой данных не установлено!"));
}

} // namespace

void bindValues(QSqlQuery& query, const QVariantList& values)
{
    for (const QVariant& value : values)
        query.addBindValue(value);
}

void bindValues(QSqlQuery& query, const QVariantMap& values)
{
    for (auto it = values.cbegin(); it != values.cend(); ++it) {
        const QString& key = it.key();
        query.bindValue(key.startsWith(QLatin1Char(':')) ? key : QLatin1Char(':') + key, it.value());
    }
}

Database::Database() = default;

Database::~Database()
{
    if (m_isTransaction)
        qWarning("Database::~Database: isTransaction=true");
    close();
}

QSqlDatabase& Database::connection()
{
    if (!m_db || !m_db->isOpen())
        throwNotConnected();
    return *m_db;
}

void Database::initialize()
{
    QSqlQuery q = newQuery();
    if (isTableExist(q, QStringLiteral("Settings")))
        return;

    const bool foreignKeys = foreignKeysEnabled();
    setForeignKeys(false);
    try {
        execInTransaction(createTablesStatements());
        if (foreignKeys)
            setForeignKeys(true);
    } catch (...) {
        if (foreignKeys)
            setForeignKeys(true);
        throw;
    }
}

bool Database::transaction()
{
    if (!connection().transaction()) {
        setTransactionError(m_db->lastError());
        qWarning("Database::transaction error: %s", qUtf8Printable(m_transactionError));
        return false;
    }
    m_isTransaction = true;
    return true;
}

bool Database::commit()
{
    if (!connection().commit()) {
        setTransactionError(m_db->lastError());
        qWarning("Database::commit error: %s", qUtf8Printable(m_transactionError));
        return false;
    }
    m_isTransaction = false;
    return true;
}

bool Database::rollback()
{
    if (!connection().rollback()) {
        setTransactionError(m_db->lastError());
        qWarning("QSqlDatabase::rollback error: %s", qUtf8Printable(m_transactionError));
        return false;
    }
    m_isTransaction = false;
    return true;
}

void Database::throwQueryError(const QSqlQuery& query)
{
    throwQueryError(query, tr("Ошибка базы данных"));
    // Overrides always throw; this keeps the promise if one ever returns.
    throw DBException(queryErrorMessage(query, tr("Ошибка базы данных")));
}

QString Database::queryErrorMessage(const QSqlQuery& query, const QString& title)
{
    return queryErrorMessage(title, query.lastError().text(), query.lastQuery());
}

QString Database::queryErrorMessage(const QString& title, const QString& error, QString statement)
{
    if (statement.size() > 300)
        statement = statement.left(300) + QStringLiteral("...");
    return tr("%1: %2\nПоследний запрос: %3").arg(title, error, statement);
}

void Database::throwQueryError(const QSqlQuery& query, const QString& title)
{
    const QString message = queryErrorMessage(query, title);
    qWarning("%s", qUtf8Printable(message));
    throw DBException(message);
}

QStringList Database::createTablesStatements() const
{
    return {QStringLiteral("CREATE TABLE Settings ([key] TEXT PRIMARY KEY UNIQUE, value BLOB)")};
}

QSqlQuery Database::newQuery()
{
    return QSqlQuery(connection());
}

QSqlQuery Database::query(const QString& sql)
{
    QSqlQuery q = newQuery();
    if (!q.prepare(sql)) {
        qCritical("Database::query: Prepare failed: %s. Query was: %s",
                  qUtf8Printable(q.lastError().text()), qUtf8Printable(sql));
    }
    return q;
}

QSqlQuery Database::execSql(const QString& sql)
{
    OverrideCursorGuard cursor(m_waitCursorOnTransaction, m_waitCursorShape);
    QSqlQuery q = newQuery();
    if (!q.exec(sql))
        throwQueryError(q);
    return q;
}

QSqlQuery Database::execSql(const QString& sql, bool forwardOnly)
{
    OverrideCursorGuard cursor(m_waitCursorOnTransaction, m_waitCursorShape);
    QSqlQuery q = newQuery();
    q.setForwardOnly(forwardOnly);
    if (!q.exec(sql))
        throwQueryError(q);
    return q;
}

template <typename Values>
QSqlQuery Database::execBound(const QString& sql, const Values& values, bool forwardOnly)
{
    OverrideCursorGuard cursor(m_waitCursorOnTransaction, m_waitCursorShape);
    QSqlQuery q = newQuery();
    q.setForwardOnly(forwardOnly);
    if (!q.prepare(sql))
        throwQueryError(q);
    bindValues(q, values);
    if (!q.exec())
        throwQueryError(q);
    return q;
}

QSqlQuery Database::execSql(const QString& sql, const QVariantList& values, bool forwardOnly)
{
    return execBound(sql, values, forwardOnly);
}

QSqlQuery Database::execSql(const QString& sql, const QVariantMap& values, bool forwardOnly)
{
    return execBound(sql, values, forwardOnly);
}

QSqlQuery& Database::execKept(const QString& sql, const QVariantList& values)
{
    OverrideCursorGuard cursor(m_waitCursorOnTransaction, m_waitCursorShape);
    auto it = m_keptQueries.find(sql);
    if (it == m_keptQueries.end()) {
        QSqlQuery q = newQuery();
        q.setForwardOnly(true);
        if (!q.prepare(sql))
            throwQueryError(q);
        it = m_keptQueries.insert(sql, q);
    }
    QSqlQuery& q = it.value();
    for (int i = 0; i < values.size(); ++i)
        q.bindValue(i, values.at(i));
    if (!q.exec()) {
        // Leave nothing behind that a later call could trip over.
        const QSqlQuery failed = q;
        m_keptQueries.erase(it);
        throwQueryError(failed);
    }
    return q;
}

void Database::exec(QSqlQuery& query)
{
    OverrideCursorGuard cursor(m_waitCursorOnTransaction, m_waitCursorShape);
    if (!query.exec())
        throwQueryError(query);
}

void Database::exec(QSqlQuery& query, const QString& sql)
{
    OverrideCursorGuard cursor(m_waitCursorOnTransaction, m_waitCursorShape);
    if (!query.exec(sql))
        throwQueryError(query);
}

QSqlQuery Database::execInTransaction(const QStringList& statements)
{
    std::shared_ptr<Database> self = weak_from_this().lock();
    if (!self)
        throw Exception("ERROR 0x8A3C1E07");

    DatabaseTransaction transaction(self);
    QSqlQuery q = newQuery();
    for (const QString& statement : statements)
        exec(q, statement);
    transaction.commit();
    return q;
}

QVariant Database::getSetting(const QString& key)
{
    QSqlQuery q = execSql(QStringLiteral("SELECT value FROM Settings WHERE key=? LIMIT 1"), QVariantList{key});
    if (!q.next())
        throw DBNotFound(QStringLiteral("%1 Not found").arg(key));
    return q.value(0);
}

QVariant Database::getSettingOr(const QString& key, const QVariant& defaultValue)
{
    QSqlQuery q = execSql(QStringLiteral("SELECT value FROM Settings WHERE key=? LIMIT 1"), QVariantList{key});
    if (!q.next())
        return defaultValue;
    return q.value(0);
}

void Database::setSetting(const QString& key, const QVariant& value)
{
    // The upsert names the value once: a placeholder used twice would need the
    // driver to bind one name to two slots.
    execSql(QStringLiteral("INSERT INTO Settings(key, value) VALUES(:key, :value) "
                           "ON CONFLICT(key) DO UPDATE SET value=excluded.value"),
            QVariantMap{{QStringLiteral(":key"), key}, {QStringLiteral(":value"), value}});
}

bool Database::isColumnExist(const QString& table, const QString& column)
{
    QSqlQuery q = newQuery();
    return isColumnExist(q, table, column);
}

bool Database::addColumnIfNotExist(const QString& table, const QString& column, const QString& type)
{
    QSqlQuery q = newQuery();
    return addColumnIfNotExist(q, table, column, type);
}

void Database::open(const QSqlDatabase& database)
{
    close();
    QSqlDatabase db = database;
    if (!db.open())
        throw DBException(QStringLiteral("Open database error: ") + db.lastError().text());
    m_db = std::make_unique<QSqlDatabase>(db);
}

void Database::close()
{
    if (!m_db)
        return;
    // Statements must go before the connection they were prepared on.
    releaseHandleResources();
    m_keptQueries.clear();
    const QString name = m_db->connectionName();
    m_db->close();
    m_db.reset();
    m_isTransaction = false;
    QSqlDatabase::removeDatabase(name);
}

bool Database::isOpen() const
{
    return m_db && m_db->isOpen();
}

QSqlDatabase Database::sqlDatabase() const
{
    return m_db ? *m_db : QSqlDatabase();
}

QString Database::lastErrorText() const
{
    return m_db ? m_db->lastError().text() : QString();
}

void Database::checkIdentifier(const QString& name)
{
    static const QRegularExpression identifier(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*$"));
    if (!identifier.match(name).hasMatch())
        throw Exception(QStringLiteral("Invalid SQL identifier: %1 (0x8A3C1E08)").arg(name));
}
