#pragma once
// One connection to a relational database over Qt Sql. Every failed statement
// becomes a DBException carrying the driver's error and the statement; values
// travel only as bound parameters.

#include <QHash>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <memory>

class Database : public std::enable_shared_from_this<Database>
{
public:
    Database();
    virtual ~Database();

    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // Creates the schema when the Settings table is missing.
    virtual void initialize();

    virtual bool transaction();
    virtual bool commit();
    virtual bool rollback();

    virtual bool foreignKeysEnabled() = 0;
    virtual void setForeignKeys(bool enabled) = 0;
    virtual bool isTableExist(QSqlQuery& query, const QString& table) = 0;
    virtual bool isColumnExist(QSqlQuery& query, const QString& table, const QString& column) = 0;
    virtual bool addColumnIfNotExist(QSqlQuery& query, const QString& table, const QString& column,
                                     const QString& type) = 0;

    [[noreturn]] void throwQueryError(const QSqlQuery& query);
    [[noreturn]] virtual void throwQueryError(const QSqlQuery& query, const QString& title);

    virtual QStringList createTablesStatements() const;

    QSqlQuery newQuery();
    // A query with the statement prepared; bind values on it, then exec().
    QSqlQuery query(const QString& sql);

    // Runs a statement without values.
    QSqlQuery execSql(const QString& sql);
    QSqlQuery execSql(const QString& sql, bool forwardOnly);
    // Runs a statement whose values are bound: positional ("?") in order, or
    // named (":key") by name. The statement text never carries a value.
    QSqlQuery execSql(const QString& sql, const QVariantList& values, bool forwardOnly = true);
    QSqlQuery execSql(const QString& sql, const QVariantMap& values, bool forwardOnly = true);

    // Runs a statement kept prepared on this connection (for statements run
    // again and again, such as reading a section), its values bound in order,
    // and hands the query to read(query). The statement is reset afterwards,
    // even when read throws, so it never holds the connection's read snapshot.
    template <typename Read>
    decltype(auto) execPrepared(const QString& sql, const QVariantList& values, Read&& read);

    void exec(QSqlQuery& query);
    void exec(QSqlQuery& query, const QString& sql);

    QSqlQuery execInTransaction(const QStringList& statements);

    QVariant getSetting(const QString& key);
    QVariant getSettingOr(const QString& key, const QVariant& defaultValue);
    void setSetting(const QString& key, const QVariant& value);

    bool isColumnExist(const QString& table, const QString& column);
    bool addColumnIfNotExist(const QString& table, const QString& column, const QString& type);

    void open(const QSqlDatabase& database);
    void close();
    bool isOpen() const;
    // The Qt connection itself, for code that works on Qt Sql directly;
    // invalid when nothing is open.
    QSqlDatabase sqlDatabase() const;

    bool isTransaction() const { return m_isTransaction; }
    void setWaitCursorOnTransaction(bool on) { m_waitCursorOnTransaction = on; }
    bool waitCursorOnTransaction() const { return m_waitCursorOnTransaction; }
    Qt::CursorShape waitCursorShape() const { return m_waitCursorShape; }

    // The driver's last error text on this connection (empty when closed).
    QString lastErrorText() const;
    // Why the last begin, commit or rollback that failed on this connection
    // failed, taken from the statement that failed: SQLite's BEGIN runs on a
    // query of its own, whose error the connection does not hold.
    QString transactionErrorText() const { return m_transactionError; }

    // Builds the "title: error / last statement" text; the statement is cut at
    // 300 characters.
    static QString queryErrorMessage(const QSqlQuery& query, const QString& title);
    static QString queryErrorMessage(const QString& title, const QString& error, QString statement);

protected:
    QSqlDatabase& connection();
    // Called while the connection is still open, before it closes: the place
    // to release what was made on its handle. Not called from ~Database, so a
    // subclass that keeps anything there releases it in its own destructor.
    virtual void releaseHandleResources() {}
    void setTransactionOpen(bool open) { m_isTransaction = open; }
    void setTransactionError(const QSqlError& error) { m_transactionError = error.text(); }
    // Refuses any name that is not a plain SQL identifier: identifiers cannot be bound.
    static void checkIdentifier(const QString& name);

private:
    template <typename Values>
    QSqlQuery execBound(const QString& sql, const Values& values, bool forwardOnly);
    // The kept statement for `sql`, executed with `values`.
    QSqlQuery& execKept(const QString& sql, const QVariantList& values);

    // Resets a kept statement when its reader is done.
    class KeptQueryReset
    {
    public:
        explicit KeptQueryReset(QSqlQuery& query) : m_query(query) {}
        ~KeptQueryReset() { m_query.finish(); }
        KeptQueryReset(const KeptQueryReset&) = delete;
        KeptQueryReset& operator=(const KeptQueryReset&) = delete;

    private:
        QSqlQuery& m_query;
    };

    std::unique_ptr<QSqlDatabase> m_db;
    // Prepared statements by text; dropped before the connection closes.
    QHash<QString, QSqlQuery> m_keptQueries;
    bool m_isTransaction = false;
    QString m_transactionError;
    bool m_waitCursorOnTransaction = true;
    Qt::CursorShape m_waitCursorShape = Qt::BusyCursor;
};

template <typename Read>
decltype(auto) Database::execPrepared(const QString& sql, const QVariantList& values, Read&& read)
{
    QSqlQuery& query = execKept(sql, values);
    KeptQueryReset reset(query);
    return read(query);
}

// Binds values on a prepared query: a list positionally, a map by ":name".
void bindValues(QSqlQuery& query, const QVariantList& values);
void bindValues(QSqlQuery& query, const QVariantMap& values);
