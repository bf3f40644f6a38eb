#include "database/RetainedBooks.h"

#include "core/Exception.h"
#include "database/DatabaseTransaction.h"
#include "tests/database/LibraryFixture.h"

#include <QDateTime>
#include <QSqlRecord>

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

// Rows of one book in the shared tables.
void addBook(TarnolixDB& db, int id, const QString& name)
{
    db.execSql("INSERT INTO BookBase(id, name) VALUES(?, ?)", QVariantList{id, name});
    db.execSql("INSERT INTO BookBaseAuthors(bookId, authorId) VALUES(?, 7), (?, 8)", QVariantList{id, id});
    db.execSql("INSERT INTO BookBaseCategories(bookId, categoryId) VALUES(?, 3)", QVariantList{id});
    db.execSql("INSERT INTO BooksCovers(bookId, format) VALUES(?, 1)", QVariantList{id});
}

// Rows of one book's edition in a language, with its sections and their parts.
void addEdition(TarnolixDB& db, int id, int language, const QStringList& sections, const QString& name)
{
    const QString n = QString::number(language);
    db.execSql("INSERT INTO BookInfo" + n + "(id, name) VALUES(?, ?)", QVariantList{id, name});
    for (const QString& code : sections) {
        db.execSql("INSERT INTO BookSections" + n + "(code, bookId, [index]) VALUES(?, ?, 1)", QVariantList{code, id});
        db.execSql("INSERT INTO BookParts" + n + "(sectionCode, title, data) VALUES(?, ?, ?)",
                   QVariantList{code, name + " " + code, QByteArray("text of ") + code.toUtf8()});
    }
}

// What a book deletion does to the live tables.
void removeBook(TarnolixDB& db, int id)
{
    for (const char* table : {"BookBaseAuthors", "BookBaseCategories", "BooksCovers"})
        db.execSql(QString("DELETE FROM %1 WHERE bookId=?").arg(table), QVariantList{id});
    db.execSql("DELETE FROM BookBase WHERE id=?", QVariantList{id});
    for (int n = 1; n <= 3; ++n) {
        db.execSql(QString("DELETE FROM BookParts%1 WHERE sectionCode IN (SELECT code FROM BookSections%1 "
                           "WHERE bookId=?)").arg(n), QVariantList{id});
        db.execSql(QString("DELETE FROM BookSections%1 WHERE bookId=?").arg(n), QVariantList{id});
        db.execSql(QString("DELETE FROM BookInfo%1 WHERE id=?").arg(n), QVariantList{id});
    }
}

class RetainedBooksTest : public LibraryFixture
{
protected:
    void SetUp() override
    {
        LibraryFixture::SetUp();
        addBook(*db, 1, "First");
        addEdition(*db, 1, 2, {"1.1", "1.2"}, "First");
        addBook(*db, 2, "Second");
        addEdition(*db, 2, 2, {"2.1"}, "Second");
        addEdition(*db, 2, 1, {"2.1en"}, "Second");
    }

    void preserve(int id, qint64 verifiedThrough)
    {
        preserveUnavailableBook(db->sqlDatabase(), id, verifiedThrough, [&] { removeBook(*db, id); });
    }

    // Every row of a table as text, sorted, to compare states.
    QStringList rows(const QString& table)
    {
        QStringList result;
        QSqlQuery q = db->execSql("SELECT * FROM " + table);
        while (q.next()) {
            QStringList values;
            for (int i = 0; i < q.record().count(); ++i)
                values << q.value(i).toString();
            result << values.join('|');
        }
        result.sort();
        return result;
    }

    // Everything in the library: schema and rows.
    QStringList snapshot()
    {
        QStringList all = rows("sqlite_master");
        for (const QString& table : objects("table"))
            all << table << rows(table);
        return all;
    }

    int count(const QString& sql, const QVariantList& values = {}) { return LibraryFixture::count(sql, values); }
};

TEST_F(RetainedBooksTest, KeepsEveryRowOfTheBookAndRemovesTheLiveOnes)
{
    const qint64 before = QDateTime::currentSecsSinceEpoch();
    {
        DatabaseTransaction transaction(db);
        preserve(1, 500);
        preserve(2, -5); // a second savepoint in the same transaction
        transaction.commit();
    }

    EXPECT_EQ(count("SELECT COUNT(*) FROM BookBase"), 0);
    EXPECT_EQ(rows("Retained_BookBase").size(), 2);
    EXPECT_EQ(rows("Retained_BookBaseAuthors"), QStringList({"1|7", "1|8", "2|7", "2|8"}));
    EXPECT_EQ(rows("Retained_BookParts2"),
              QStringList({"1.1|First 1.1|text of 1.1", "1.2|First 1.2|text of 1.2", "2.1|Second 2.1|text of 2.1"}));
    EXPECT_EQ(rows("Retained_BookParts1"), QStringList({"2.1en|Second 2.1en|text of 2.1en"}));
    EXPECT_EQ(count("SELECT COUNT(*) FROM Retained_BookSections2"), 3);
    // Languages without rows of the book still get their (empty) shadows, with the same columns.
    EXPECT_EQ(count("SELECT COUNT(*) FROM Retained_BookSections3"), 0);
    EXPECT_TRUE(db->isColumnExist("Retained_BookSections3", "index"));
    for (const RetainedTableSpec& entry : retainedTableSpecs())
        EXPECT_EQ(count("SELECT COUNT(*) FROM sqlite_master WHERE type='index' AND name=? AND tbl_name=?",
                        {"Retained_" + entry.table + "_owner", "Retained_" + entry.table}), 1)
            << entry.table.toStdString();

    QSqlQuery state = db->execSql("SELECT bookId, formatVersion, retainedAt, verifiedThrough FROM RetainedBookState "
                                  "ORDER BY bookId");
    for (const auto& expected : {std::pair<int, qint64>{1, 500}, {2, 0}}) {
        ASSERT_TRUE(state.next());
        EXPECT_EQ(state.value(0).toInt(), expected.first);
        EXPECT_EQ(state.value(1).toInt(), 1);
        EXPECT_GE(state.value(2).toLongLong(), before);
        EXPECT_LE(state.value(2).toLongLong(), QDateTime::currentSecsSinceEpoch());
        EXPECT_EQ(state.value(3).toLongLong(), expected.second);
    }
    EXPECT_FALSE(state.next());
}

TEST_F(RetainedBooksTest, RetainingAgainReplacesTheKeptRows)
{
    preserve(1, 500);
    // The book comes back with one section fewer and goes again.
    addBook(*db, 1, "First again");
    addEdition(*db, 1, 2, {"1.2"}, "First again");
    preserve(1, 700);

    EXPECT_EQ(rows("Retained_BookBase"), QStringList({"1||||First again||"}));
    EXPECT_EQ(rows("Retained_BookBaseAuthors"), QStringList({"1|7", "1|8"}));
    EXPECT_EQ(rows("Retained_BookParts2"), QStringList({"1.2|First again 1.2|text of 1.2"}));
    EXPECT_EQ(count("SELECT COUNT(*) FROM Retained_BookSections2"), 1);
    EXPECT_EQ(count("SELECT COUNT(*) FROM RetainedBookState"), 1);
    EXPECT_EQ(count("SELECT verifiedThrough FROM RetainedBookState WHERE bookId=1"), 700);
}

TEST_F(RetainedBooksTest, RefusedRequestsRunNothing)
{
    const auto refuse = [](const QSqlDatabase& connection, int id, const std::function<void()>& remove) {
        try {
            preserveUnavailableBook(connection, id, 0, remove);
        } catch (const std::runtime_error& error) {
            return std::string(error.what());
        }
        return std::string("no error");
    };
    const std::function<void()> nothing = [] {};
    const QStringList before = snapshot();
    const std::string invalid = "Cannot preserve unavailable book: invalid storage request";
    EXPECT_EQ(refuse(db->sqlDatabase(), 0, nothing), invalid);
    EXPECT_EQ(refuse(db->sqlDatabase(), 1, {}), invalid);
    EXPECT_EQ(refuse(QSqlDatabase(), 1, nothing), invalid);
    EXPECT_EQ(refuse(db->sqlDatabase(), 99, nothing), "Cannot preserve unavailable book: missing active book");
    EXPECT_EQ(snapshot(), before);
    EXPECT_FALSE(db->isTransaction());
}

TEST_F(RetainedBooksTest, FailureInsideUndoesOnlyTheSavepoint)
{
    preserve(2, 100);
    DatabaseTransaction transaction(db);
    db->execSql("INSERT INTO BookBase(id, name) VALUES(5, 'Fifth')"); // the caller's own change
    const QStringList before = snapshot();

    // The deletion fails: the exception passes through as it was thrown.
    try {
        preserveUnavailableBook(db->sqlDatabase(), 1, 500, [&] {
            removeBook(*db, 1);
            throw DBException("delete failed");
        });
        FAIL() << "no exception";
    } catch (const DBException& error) {
        EXPECT_EQ(error.message(), "delete failed");
    }
    EXPECT_EQ(snapshot(), before);

    // A live table gained a column: its shadow no longer fits.
    db->execSql("ALTER TABLE BookInfo2 ADD COLUMN subtitle TEXT");
    const QStringList altered = snapshot();
    try {
        preserve(1, 500);
        FAIL() << "no exception";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "Cannot preserve unavailable book: incompatible retained schema");
    }
    EXPECT_EQ(snapshot(), altered);

    // The caller's transaction is still open and its own change survives.
    EXPECT_TRUE(db->isTransaction());
    transaction.commit();
    EXPECT_EQ(count("SELECT COUNT(*) FROM BookBase WHERE id IN (1, 5)"), 2);
    EXPECT_EQ(rows("Retained_BookBase").size(), 1);
}

} // namespace
