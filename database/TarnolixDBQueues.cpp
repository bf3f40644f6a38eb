// Cover images, and the queues that hand books to the index writers (BFI<N>),
// to the cover loader (BFLC) and persons to the photo loader (PFLP).

#include "database/TarnolixDB.h"

#include "core/Exception.h"
#include "database/DatabaseTransaction.h"
#include "database/TarnolixDBNames.h"

#include <QSqlQuery>

using Language = TarnolixConstants::Language;
using tarnolixdb::languageTable;

namespace {

int countRow(QSqlQuery& q)
{
    if (!q.next())
        throw DBNotFound(QString::fromUtf8(TarnolixDB::kUnknownError));
    return q.value(0).toInt();
}

// Queues of unique ids: an id already queued stays queued once.
void enqueueIds(TarnolixDB& db, const QString& upsertSql, const std::vector<int>& ids)
{
    QSqlQuery q = db.query(upsertSql);
    for (int id : ids) {
        q.bindValue(QStringLiteral(":id"), id);
        db.exec(q);
    }
}

// An empty queue throws DBNotFound with an empty message.
int firstQueuedId(TarnolixDB& db, const char* table)
{
    QSqlQuery q = db.execSql(QStringLiteral("SELECT id FROM %1 LIMIT 1").arg(QLatin1String(table)));
    if (!q.next())
        throw DBNotFound(QString());
    return q.value(0).toInt();
}

} // namespace

std::pair<int, QByteArray> TarnolixDB::selectBookCover(int bookId, Language language, bool useCommonCover)
{
    QSqlQuery q = execSql(QStringLiteral("SELECT format, data FROM %1 WHERE bookId=?")
                              .arg(languageTable("BooksCovers", language)),
                          QVariantList{bookId});
    if (!q.next()) {
        if (!useCommonCover)
            throw DBNotFound(QString::fromUtf8(kBookCoverNotFound));
        q = execSql(QStringLiteral("SELECT format, data FROM BooksCovers WHERE bookId=?"), QVariantList{bookId});
        if (!q.next())
            throw DBNotFound(QString::fromUtf8(kBookCoverNotFound));
    }
    return {q.value(0).toInt(), q.value(1).toByteArray()};
}

namespace {

QString coverUpsert(const QString& table)
{
    return QStringLiteral("INSERT INTO %1(format, data, bookId) VALUES(:format, :data, :bookId) ON CONFLICT(bookId) "
                          "DO UPDATE SET format=:format, data=:data")
        .arg(table);
}

QVariantMap coverValues(int bookId, int format, const QByteArray& data)
{
    return {{QStringLiteral(":bookId"), bookId}, {QStringLiteral(":format"), format}, {QStringLiteral(":data"), data}};
}

} // namespace

void TarnolixDB::insertBookCover(int bookId, int format, const QByteArray& data)
{
    execSql(coverUpsert(QStringLiteral("BooksCovers")), coverValues(bookId, format, data));
}

void TarnolixDB::insertBookLanguageCover(int bookId, Language language, int format, const QByteArray& data)
{
    execSql(coverUpsert(languageTable("BooksCovers", language)), coverValues(bookId, format, data));
}

void TarnolixDB::upsertBFI(int bookId, quint8 action)
{
    for (Language language : languageList())
        upsertBFIList(language, {bookId}, action);
}

void TarnolixDB::upsertBFIList(Language language, const std::vector<int>& ids, quint8 action)
{
    QSqlQuery q = query(upsertStatement(languageTable("BFI", language), QStringLiteral("id"),
                                        {QStringLiteral("action")}));
    for (int id : ids) {
        q.bindValue(QStringLiteral(":action"), static_cast<int>(action));
        q.bindValue(QStringLiteral(":id"), id);
        exec(q);
    }
}

void TarnolixDB::queueAllBooksForIndexing(Language language, quint8 action)
{
    // One transaction: other connections never see the queue empty between
    // the two statements.
    DatabaseTransaction guard(shared_from_this(), "queueAllBooksForIndexing");
    const QString queue = languageTable("BFI", language);
    execSql(QStringLiteral("DELETE FROM ") + queue);
    execSql(QStringLiteral("INSERT INTO %1(id, action) SELECT id, ? FROM %2")
                .arg(queue, languageTable("BookInfo", language)),
            QVariantList{static_cast<int>(action)});
    guard.commit();
}

std::vector<std::pair<int, int>> TarnolixDB::selectBFI(Language language)
{
    QSqlQuery q = execSql(QStringLiteral("SELECT id, action FROM %1").arg(languageTable("BFI", language)), true);
    std::vector<std::pair<int, int>> entries;
    while (q.next())
        entries.emplace_back(q.value(0).toInt(), q.value(1).toInt());
    return entries;
}

int TarnolixDB::countBFI(Language language)
{
    QSqlQuery q = execSql(QStringLiteral("SELECT count(*) FROM ") + languageTable("BFI", language));
    return countRow(q);
}

void TarnolixDB::deleteFromBFI(Language language, const std::vector<int>& ids)
{
    QString sql = QStringLiteral("DELETE FROM %1 WHERE id IN(").arg(languageTable("BFI", language));
    appendIdList(sql, ids);
    sql += QLatin1Char(')');
    execSql(sql);
}

void TarnolixDB::insertBFLC(const std::vector<int>& ids)
{
    static const QString sql = upsertStatement(QStringLiteral("BFLC"), QStringLiteral("id"), {});
    enqueueIds(*this, sql, ids);
}

int TarnolixDB::selectFirstBFLC()
{
    return firstQueuedId(*this, "BFLC");
}

int TarnolixDB::countBFLC()
{
    QSqlQuery q = execSql(QStringLiteral("SELECT count(*) FROM BFLC"));
    return countRow(q);
}

void TarnolixDB::deleteFromBFLC(int id)
{
    execSql(QStringLiteral("DELETE FROM BFLC WHERE id=?"), QVariantList{id});
}

void TarnolixDB::insertPFLP(const std::vector<int>& ids)
{
    // A person still queued from an earlier update stays queued once.
    static const QString sql = upsertStatement(QStringLiteral("PFLP"), QStringLiteral("id"), {});
    enqueueIds(*this, sql, ids);
}

int TarnolixDB::selectFirstPFLP()
{
    return firstQueuedId(*this, "PFLP");
}

int TarnolixDB::countPFLP()
{
    QSqlQuery q = execSql(QStringLiteral("SELECT count(*) FROM PFLP"));
    return countRow(q);
}

void TarnolixDB::deleteFromPFLP(int id)
{
    execSql(QStringLiteral("DELETE FROM PFLP WHERE id=?"), QVariantList{id});
}

QString TarnolixDB::syncJournalUpsertStatement(const QString& table)
{
    return QStringLiteral("INSERT INTO ") + table +
           QStringLiteral("(action, itemUuid) VALUES(:action, :itemUuid) ON CONFLICT(itemUuid) DO UPDATE SET "
                          "action=:action");
}
