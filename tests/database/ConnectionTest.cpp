#include "core/Exception.h"
#include "database/DatabaseTransaction.h"
#include "database/SQLiteDatabase.h"
#include "tests/core/LogCapture.h"
#include "tests/support/TestSupport.h"

#include <QCursor>
#include <QGuiApplication>
#include <QDir>
#include <QFileInfo>
#include <QSqlError>

#include <functional>

#include <gtest/gtest.h>

namespace {

// A small schema with a unique key, so constraint failures can be provoked.
class TestDb : public SQLiteDatabase
{
public:
    QStringList createTablesStatements() const override
    {
        QStringList list = SQLiteDatabase::createTablesStatements();
        list << QStringLiteral("CREATE TABLE Items (id INTEGER PRIMARY KEY, name TEXT UNIQUE)");
        return list;
    }
    int statementsRun = 0;
};

class Connection : public ::testing::Test
{
protected:
    void SetUp() override
    {
        dir = tarnolix::test::makeTempDir();
        db = std::make_shared<TestDb>();
        db->open(dir->filePath(QStringLiteral("lib.db")), 1000);
        db->initialize();
    }

    int count(const QString& table)
    {
        QSqlQuery q = db->execSql(QStringLiteral("SELECT count(*) FROM ") + table);
        return q.next() ? q.value(0).toInt() : -1;
    }

    void checkKeptStatement(const std::function<QString(int)>& nameOf);

    std::unique_ptr<QTemporaryDir> dir;
    std::shared_ptr<TestDb> db;
};

} // namespace

TEST_F(Connection, SettingsRows)
{
    try {
        db->getSetting(QStringLiteral("DatabaseVersion"));
        FAIL() << "a missing key must throw";
    } catch (const DBNotFound& e) {
        EXPECT_STREQ(e.what(), "DatabaseVersion Not found");
    }
    EXPECT_EQ(db->getSettingOr(QStringLiteral("DatabaseVersion"), 7).toInt(), 7);

    db->setSetting(QStringLiteral("DBOwned"), QStringLiteral("a@b.c"));
    db->setSetting(QStringLiteral("DBOwned"), QStringLiteral("x@y.z"));
    EXPECT_EQ(db->getSetting(QStringLiteral("DBOwned")).toString(), QStringLiteral("x@y.z"));
    EXPECT_EQ(count(QStringLiteral("Settings")), 1);

    // Keys and values travel bound: quotes neither fail nor change the statement.
    const QString quoted = QStringLiteral("it's' OR '1'='1");
    db->setSetting(quoted, QStringLiteral("v'; DROP TABLE Settings; --"));
    EXPECT_EQ(db->getSetting(quoted).toString(), QStringLiteral("v'; DROP TABLE Settings; --"));
    EXPECT_EQ(db->getSettingOr(QStringLiteral("x' OR '1'='1"), QStringLiteral("none")).toString(),
              QStringLiteral("none"));
}

TEST_F(Connection, ConstraintAndSyntaxErrors)
{
    db->execSql(QStringLiteral("INSERT INTO Items(name) VALUES(?)"), QVariantList{QStringLiteral("a")});
    EXPECT_THROW(db->execSql(QStringLiteral("INSERT INTO Items(name) VALUES(?)"), QVariantList{QStringLiteral("a")}),
                 DBUniqueConstraint);
    EXPECT_THROW(db->execSql(QStringLiteral("INSERT INTO Items(id, name) VALUES(1, 'b')")), DBUniqueConstraint);

    const QString longStatement = QStringLiteral("SELEC ") + QString(400, QLatin1Char('x'));
    try {
        db->execSql(longStatement);
        FAIL() << "a syntax error must throw";
    } catch (const DBUniqueConstraint&) {
        FAIL() << "a syntax error is not a constraint violation";
    } catch (const DBException& e) {
        const QString text = e.message();
        EXPECT_TRUE(text.startsWith(QString::fromUtf8("Ошибка базы данных: "))) << e.what();
        EXPECT_TRUE(text.endsWith(QString::fromUtf8("\nПоследний запрос: ") + longStatement.left(300) +
                                  QStringLiteral("...")))
            << e.what();
    }

    // Named and positional values bind alike.
    db->execSql(QStringLiteral("INSERT INTO Items(name) VALUES(:name)"), QVariantMap{{QStringLiteral("name"), "c"}});
    QSqlQuery q = db->execSql(QStringLiteral("SELECT count(*) FROM Items WHERE name IN (?, ?)"),
                              QVariantList{QStringLiteral("a"), QStringLiteral("c")});
    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.value(0).toInt(), 2);
}

TEST_F(Connection, TablesColumnsAndPragmas)
{
    QSqlQuery q = db->newQuery();
    EXPECT_TRUE(db->isTableExist(q, QStringLiteral("Items")));
    EXPECT_FALSE(db->isTableExist(q, QStringLiteral("Missing")));
    EXPECT_FALSE(db->isTableExist(q, QStringLiteral("Items' OR '1'='1")));

    EXPECT_TRUE(db->isColumnExist(QStringLiteral("Items"), QStringLiteral("name")));
    EXPECT_FALSE(db->isColumnExist(QStringLiteral("Items"), QStringLiteral("Name"))) << "case-sensitive";
    EXPECT_FALSE(db->addColumnIfNotExist(QStringLiteral("Items"), QStringLiteral("name"), QStringLiteral("TEXT")));
    EXPECT_TRUE(db->addColumnIfNotExist(QStringLiteral("Items"), QStringLiteral("note"), QStringLiteral("TEXT")));
    EXPECT_TRUE(db->isColumnExist(QStringLiteral("Items"), QStringLiteral("note")));
    EXPECT_THROW(db->addColumnIfNotExist(QStringLiteral("Items"), QStringLiteral("x; DROP TABLE Items"),
                                         QStringLiteral("TEXT")),
                 Exception);
    EXPECT_TRUE(db->isTableExist(q, QStringLiteral("Items")));

    EXPECT_TRUE(db->foreignKeysEnabled());
    EXPECT_TRUE(db->setJournalMode(QStringLiteral("wal")));
    EXPECT_TRUE(db->walCheckpoint(QStringLiteral("PASSIVE")));
    EXPECT_THROW(db->setJournalMode(QStringLiteral("wal; DROP TABLE Items")), Exception);
}

TEST_F(Connection, InitializeRunsOnceAndRestoresForeignKeys)
{
    db->execSql(QStringLiteral("INSERT INTO Items(name) VALUES('kept')"));
    db->initialize(); // Settings exists: nothing runs, nothing is recreated
    EXPECT_EQ(count(QStringLiteral("Items")), 1);
    EXPECT_TRUE(db->foreignKeysEnabled());

    class BrokenDb : public SQLiteDatabase
    {
    public:
        QStringList createTablesStatements() const override
        {
            return {QStringLiteral("CREATE TABLE Settings ([key] TEXT PRIMARY KEY, value BLOB)"),
                    QStringLiteral("CREATE TABLE Broken (")};
        }
    };
    auto broken = std::make_shared<BrokenDb>();
    broken->open(dir->filePath(QStringLiteral("broken.db")), 1000);
    EXPECT_THROW(broken->initialize(), DBException);
    EXPECT_TRUE(broken->foreignKeysEnabled()) << "foreign keys come back on after a failed schema";
    QSqlQuery q = broken->newQuery();
    EXPECT_FALSE(broken->isTableExist(q, QStringLiteral("Settings"))) << "the schema is all or nothing";
}

TEST_F(Connection, ClosedConnectionRefusesWork)
{
    db->close();
    db->close();
    EXPECT_FALSE(db->isOpen());
    try {
        db->execSql(QStringLiteral("SELECT 1"));
        FAIL() << "a closed connection must refuse statements";
    } catch (const DBException& e) {
        EXPECT_EQ(e.message(), QString::fromUtf8("Соединение с базой данных не установлено!"));
    }
    SQLiteDatabase unopened;
    EXPECT_THROW(unopened.newQuery(), DBException);

    auto dirFile = dir->filePath(QStringLiteral("no/such/dir/lib.db"));
    SQLiteDatabase bad;
    try {
        bad.open(dirFile, 100);
        FAIL() << "opening a file in a missing folder must fail";
    } catch (const DBException& e) {
        EXPECT_TRUE(e.message().startsWith(QStringLiteral("Open database error: "))) << e.what();
    }
    EXPECT_FALSE(bad.isOpen());
}

TEST_F(Connection, TwoConnectionsOnOneFile)
{
    auto other = std::make_shared<TestDb>();
    other->open(dir->filePath(QStringLiteral("lib.db")), 1000);
    db->setSetting(QStringLiteral("k"), 1);
    EXPECT_EQ(other->getSetting(QStringLiteral("k")).toInt(), 1);
}

TEST_F(Connection, TransactionGuard)
{
    {
        DatabaseTransaction t(db);
        db->execSql(QStringLiteral("INSERT INTO Items(name) VALUES('rolled back')"));
    }
    EXPECT_EQ(count(QStringLiteral("Items")), 0) << "destruction without commit rolls back";
    EXPECT_FALSE(db->isTransaction());

    {
        DatabaseTransaction outer(db, "outer");
        EXPECT_TRUE(outer.isActive());
        {
            DatabaseTransaction inner(db);
            EXPECT_FALSE(inner.isActive()) << "a nested guard joins the open transaction";
            db->execSql(QStringLiteral("INSERT INTO Items(name) VALUES('inner')"));
            inner.commit(); // does nothing
        }
        EXPECT_TRUE(db->isTransaction()) << "the inner guard neither commits nor rolls back";
    }
    EXPECT_EQ(count(QStringLiteral("Items")), 0) << "the outer rollback undoes the inner statements";

    {
        DatabaseTransaction t(db);
        db->execSql(QStringLiteral("INSERT INTO Items(name) VALUES('kept')"));
        t.commit();
        t.commit();
        EXPECT_FALSE(t.isActive());
    }
    EXPECT_EQ(count(QStringLiteral("Items")), 1);

    // A failure half-way through execInTransaction leaves nothing behind.
    EXPECT_THROW(db->execInTransaction({QStringLiteral("INSERT INTO Items(name) VALUES('x')"),
                                        QStringLiteral("INSERT INTO Items(name) VALUES('kept')")}),
                 DBUniqueConstraint);
    EXPECT_EQ(count(QStringLiteral("Items")), 1);
}

TEST_F(Connection, SecondWriterWaitsThenFailsToBegin)
{
    auto other = std::make_shared<TestDb>();
    other->open(dir->filePath(QStringLiteral("lib.db")), 50);
    DatabaseTransaction writer(db);
    try {
        DatabaseTransaction blocked(other);
        FAIL() << "BEGIN IMMEDIATE must not succeed while another writer holds the lock";
    } catch (const DBException& e) {
        // The cause reaches the reader and the log, not an empty text after the colon.
        EXPECT_TRUE(e.message().startsWith(QStringLiteral("Cannot start database transaction: database is locked")))
            << e.what();
    }
    EXPECT_FALSE(other->isTransaction());
}

TEST_F(Connection, TransactionShowsTheWaitCursor)
{
    ASSERT_EQ(QGuiApplication::overrideCursor(), nullptr);
    {
        DatabaseTransaction t(db);
        ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
        EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::BusyCursor);
        t.commit();
        EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr) << "commit takes the cursor down";
    }
    {
        QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
        {
            DatabaseTransaction t(db);
            EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
        }
        EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor) << "not shown twice, not taken down";
        QGuiApplication::restoreOverrideCursor();
    }
    db->setWaitCursorOnTransaction(false);
    {
        DatabaseTransaction t(db);
        EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    }
}

// What every kind of kept statement must do; nameOf reads an item's name
// through one, and throws DBNotFound when there is none.
void Connection::checkKeptStatement(const std::function<QString(int)>& nameOf)
{
    db->execSql(QStringLiteral("INSERT INTO Items(id, name) VALUES(?, ?)"), QVariantList{1, "a"});
    EXPECT_EQ(nameOf(1), "a");

    // The statement was reset after reading: it holds no read snapshot, so a
    // write through another connection is seen, and that writer is not kept
    // from checkpointing.
    auto other = std::make_shared<TestDb>();
    other->open(dir->filePath(QStringLiteral("lib.db")), 1000);
    other->execSql(QStringLiteral("UPDATE Items SET name=? WHERE id=?"), QVariantList{"b", 1});
    EXPECT_EQ(nameOf(1), "b");
    QSqlQuery checkpoint = other->execSql(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
    ASSERT_TRUE(checkpoint.next());
    EXPECT_EQ(checkpoint.value(0).toInt(), 0) << "checkpoint blocked by a reader";
    checkpoint.finish();

    // A reader that throws leaves the statement reset and usable.
    EXPECT_THROW(nameOf(2), DBNotFound);
    other->execSql(QStringLiteral("INSERT INTO Items(id, name) VALUES(?, ?)"), QVariantList{2, "c"});
    EXPECT_EQ(nameOf(2), "c");

    // A statement that stops working fails as any other and is prepared
    // afresh once its table is back.
    db->execSql(QStringLiteral("DROP TABLE Items"));
    EXPECT_THROW(nameOf(1), DBException);
    db->execSql(QStringLiteral("CREATE TABLE Items (id INTEGER PRIMARY KEY, name TEXT UNIQUE)"));
    db->execSql(QStringLiteral("INSERT INTO Items(id, name) VALUES(?, ?)"), QVariantList{1, "d"});
    EXPECT_EQ(nameOf(1), "d");

    // Closing drops kept statements with the connection; a reopened one
    // prepares them again.
    db->close();
    db->open(dir->filePath(QStringLiteral("lib.db")), 1000);
    EXPECT_EQ(nameOf(1), "d");
}

const QString kSelectName = QStringLiteral("SELECT name FROM Items WHERE id=?");

TEST_F(Connection, KeptStatementsSeeNewRowsAndSurviveErrors)
{
    checkKeptStatement([&](int id) {
        return db->execPrepared(kSelectName, QVariantList{id}, [](QSqlQuery& q) {
            if (!q.next())
                throw DBNotFound(QStringLiteral("no item"));
            return q.value(0).toString();
        });
    });
}

TEST_F(Connection, StatementsReadInPlaceSeeNewRowsAndSurviveErrors)
{
    checkKeptStatement([&](int id) {
        return db->readInPlace(kSelectName, QString::number(id), [](const SQLiteDatabase::InPlaceRow& row) {
            if (!row.found())
                throw DBNotFound(QStringLiteral("no item"));
            return row.text(0);
        });
    });
}

TEST_F(Connection, RowsReadInPlaceGiveTextsAndBlobsAndTheirHandleIsReleased)
{
    db->execSql(QStringLiteral("CREATE TABLE Blobs (code TEXT PRIMARY KEY, title TEXT, data BLOB)"));
    db->execSql(QStringLiteral("INSERT INTO Blobs VALUES(?, ?, ?)"),
                QVariantList{"a", QStringLiteral("Глава"), QByteArray("\x00\x01\xff", 3)});
    db->execSql(QStringLiteral("INSERT INTO Blobs VALUES(?, ?, ?)"),
                QVariantList{"b", QVariant(QVariant::String), QByteArray()});
    const QString select = QStringLiteral("SELECT title, data FROM Blobs WHERE code=?");
    const auto read = [&](const QString& code) {
        return db->readInPlace(select, code, [](const SQLiteDatabase::InPlaceRow& row) {
            int size = -1;
            const char* data = row.found() ? row.blob(1, size) : nullptr;
            return std::make_pair(row.found() ? row.text(0) : QStringLiteral("(none)"), QByteArray(data, size));
        });
    };
    EXPECT_EQ(read("a"), std::make_pair(QStringLiteral("Глава"), QByteArray("\x00\x01\xff", 3)));
    const auto empty = read("b");
    EXPECT_TRUE(empty.first.isNull());
    EXPECT_TRUE(empty.second.isEmpty());
    EXPECT_EQ(read("c").first, QStringLiteral("(none)"));

    // Another statement text is one more statement; a broken one says why.
    EXPECT_EQ(db->readInPlace(QStringLiteral("SELECT count(*) FROM Blobs WHERE code>=?"), QStringLiteral("a"),
                              [](const SQLiteDatabase::InPlaceRow& row) { return row.text(0); }),
              QStringLiteral("2"));
    try {
        db->readInPlace(QStringLiteral("SELECT missing FROM Blobs WHERE code=?"), QStringLiteral("a"),
                        [](const SQLiteDatabase::InPlaceRow&) { return 0; });
        FAIL() << "a statement that cannot be prepared must throw";
    } catch (const DBException& e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("no such column: missing"))) << e.what();
    }

    // The statements go before the connection: closing or destroying it
    // leaves no handle on the file behind.
    const auto openHandles = [&] {
        int handles = 0;
        const QString file = QFileInfo(dir->filePath(QStringLiteral("lib.db"))).canonicalFilePath();
        for (const QFileInfo& fd : QDir(QStringLiteral("/proc/self/fd")).entryInfoList(QDir::System | QDir::Files))
            handles += fd.symLinkTarget() == file ? 1 : 0;
        return handles;
    };
    ASSERT_GT(openHandles(), 0);
    db->close();
    EXPECT_EQ(openHandles(), 0) << "closing";
    db->open(dir->filePath(QStringLiteral("lib.db")), 1000);
    EXPECT_EQ(read("a").first, QStringLiteral("Глава"));
    db.reset();
    EXPECT_EQ(openHandles(), 0) << "destroying";
}

TEST_F(Connection, TransactionEndedByTheEngineLeavesLaterGuardsWorking)
{
    // SQLite ends the whole transaction by itself after some errors (a full
    // disk, an I/O error, RAISE(ROLLBACK)); the trigger provokes it at will.
    db->execSql(QStringLiteral("CREATE TRIGGER RefuseBad BEFORE INSERT ON Items WHEN NEW.name='bad' "
                               "BEGIN SELECT RAISE(ROLLBACK, 'refused'); END"));
    {
        DatabaseTransaction t(db);
        db->execSql(QStringLiteral("INSERT INTO Items(name) VALUES('first')"));
        EXPECT_THROW(db->execSql(QStringLiteral("INSERT INTO Items(name) VALUES('bad')")), DBException);
    }
    EXPECT_FALSE(db->isTransaction());
    EXPECT_EQ(count(QStringLiteral("Items")), 0);

    // The same after a caller went on and tried to commit.
    {
        DatabaseTransaction t(db);
        EXPECT_THROW(db->execSql(QStringLiteral("INSERT INTO Items(name) VALUES('bad')")), DBException);
        EXPECT_THROW(t.commit(), DBException);
    }
    EXPECT_FALSE(db->isTransaction());

    {
        DatabaseTransaction t(db);
        EXPECT_TRUE(t.isActive()) << "the next guard begins a transaction of its own";
        db->execSql(QStringLiteral("INSERT INTO Items(name) VALUES('uncommitted')"));
    }
    EXPECT_EQ(count(QStringLiteral("Items")), 0) << "a guard left without commit still rolls back";
}

TEST_F(Connection, ReopeningAtOnceReplacesNothing)
{
    LogCapture log;
    for (int i = 0; i < 20; ++i)
        db->open(dir->filePath(QStringLiteral("lib.db")), 1000);
    EXPECT_EQ(log.warnings(), QStringList());
    db->setSetting(QStringLiteral("k"), 2);
    EXPECT_EQ(db->getSetting(QStringLiteral("k")).toInt(), 2);
}
