#pragma once
// A small library for the catalogue models, open as the GUI thread's
// connection of a database pool, with page services that collect the
// reader's error notices.
//
// Russian catalogue (in catalogue order, which is not id order):
//   Писания (1): Пураны (12) [Бхагавата-пурана 106], Веды (11) [Арифметика 105],
//                (Пустая 13 has no book and is never listed),
//                books 'Апостроф 103, _подчёркнутая книга 102, Бхагавад-гита 101
//   Философия (2): азбука 104, %Процент 107
//   Без книг (3): not listed
// Бхагавад-гита has sections two levels deep (101.1 with 101.1.1 and 101.1.2,
// then 101.2 with 101.2.1); the other books have none.
// Persons: 1 Вьяса and 2 вальмики (authors), 3 an author with an English name
// only, 4 a translator; Вьяса wrote 101, 105 and 107, вальмики 102 and 106,
// 3 wrote 103 and 4 is linked to 104.

#include "core/BookRecords.h"
#include "core/CatalogRecords.h"
#include "database/DatabasePool.h"
#include "database/TarnolixDB.h"
#include "tests/pages/FakePageServices.h"
#include "tests/support/MessageLog.h"
#include "tests/support/TestSupport.h"

#include <QAbstractItemModel>
#include <QSqlDriver>
#include <QSqlQuery>
#include <QStringList>

#include <gtest/gtest.h>

#include <sqlite3.h>

#include <memory>
#include <thread>

namespace tarnolix::test {

// Counts the statements SQLite starts on one connection while it lives;
// with `containing`, only those whose text contains it.
class StatementCounter
{
public:
    explicit StatementCounter(TarnolixDB& db, QByteArray containing = {})
        : m_containing(std::move(containing))
    {
        const QVariant handle = db.sqlDatabase().driver()->handle();
        m_handle = *static_cast<sqlite3* const*>(handle.constData());
        sqlite3_trace_v2(m_handle, SQLITE_TRACE_STMT, &StatementCounter::onStatement, this);
    }
    ~StatementCounter() { sqlite3_trace_v2(m_handle, 0, nullptr, nullptr); }
    StatementCounter(const StatementCounter&) = delete;
    StatementCounter& operator=(const StatementCounter&) = delete;

    int count = 0;

private:
    static int onStatement(unsigned, void* self, void*, void* text)
    {
        auto* counter = static_cast<StatementCounter*>(self);
        if (counter->m_containing.isEmpty() || QByteArray(static_cast<const char*>(text)).contains(counter->m_containing))
            ++counter->count;
        return 0;
    }
    QByteArray m_containing;
    sqlite3* m_handle = nullptr;
};

class CatalogLibrary : public ::testing::Test
{
protected:
    static constexpr auto kRu = TarnolixConstants::Russian;

    void SetUp() override
    {
        dir = makeTempDir();
        path = dir->filePath(QStringLiteral("Tarnolix.db"));
        pool = std::make_unique<DatabasePool>(std::this_thread::get_id(), [p = path] { return p; });
        setDatabasePool(pool.get());
        db = pool->database(std::this_thread::get_id(), true, 1000);
        db->initialize();
        services.db = db;
        fill();
    }
    void TearDown() override { setDatabasePool(nullptr); }

    void fill()
    {
        db->insertCategories({category(1, 0, 1, u"Писания"), category(12, 1, 2, u"Пураны"),
                              category(11, 1, 4, u"Веды"), category(13, 1, 6, u"Пустая"),
                              category(2, 0, 8, u"Философия"), category(3, 0, 10, u"Без книг")});
        db->insertPersons({person(1, u"Вьяса", {"author"}), person(2, u"вальмики", {"author", "commentator"}),
                           person(3, nullptr, {"author"}), person(4, u"Переводчик", {"translator"})});
        addBook(101, u"Бхагавад-гита", 1, 1,
                {section("101.1", "", 1, 1), section("101.1.1", "101.1", 1, 2), section("101.1.2", "101.1", 2, 4),
                 section("101.2", "", 2, 7), section("101.2.1", "101.2", 1, 8)});
        addBook(102, u"_подчёркнутая книга", 1, 2);
        addBook(103, u"'Апостроф", 1, 3);
        addBook(104, u"азбука", 2, 4);
        addBook(105, u"Арифметика", 11, 1);
        addBook(106, u"Бхагавата-пурана", 12, 2);
        addBook(107, u"%Процент", 2, 1);
        db->reloadBooksExists();
    }

    // Rows of the catalogue filter's search table.
    void found(TarnolixDB::CatalogSearchType type, std::initializer_list<int> ids)
    {
        for (int id : ids)
            db->execSql(QStringLiteral("INSERT INTO CatalogSearch(id, type) VALUES(?, ?)"), QVariantList{id, type});
    }

    // Takes a table out of the library (every statement on it fails) and
    // back.
    void hide(const QString& table) { db->execSql(QStringLiteral("ALTER TABLE %1 RENAME TO %1_hidden").arg(table)); }
    void restore(const QString& table) { db->execSql(QStringLiteral("ALTER TABLE %1_hidden RENAME TO %1").arg(table)); }

    std::unique_ptr<QTemporaryDir> dir;
    QString path;
    std::unique_ptr<DatabasePool> pool;
    std::shared_ptr<TarnolixDB> db;
    FakePageServices services;

private:
    static TarnolixDB::CategoryPtr category(int id, int parentId, int left, const char16_t* name)
    {
        auto c = std::make_shared<Category>();
        c->id = id;
        c->parentId = parentId;
        c->left = left;
        c->right = left + 1;
        c->leftEn = 100 - left;
        c->names[kRu] = QString::fromUtf16(name);
        c->names[TarnolixConstants::English] = QStringLiteral("Category %1").arg(id);
        return c;
    }
    static TarnolixDB::PersonPtr person(int id, const char16_t* name, std::initializer_list<const char*> roles)
    {
        auto p = std::make_shared<Person>();
        p->id = id;
        if (name)
            p->spiritualName[kRu] = QString::fromUtf16(name);
        else
            p->spiritualName[TarnolixConstants::English] = QStringLiteral("Nameless");
        for (const char* role : roles)
            p->roles->insert(QString::fromLatin1(role));
        return p;
    }

protected:
    static std::shared_ptr<BookSection> section(const char* code, const char* parentCode, int index, int left)
    {
        auto s = std::make_shared<BookSection>();
        s->code = QString::fromLatin1(code);
        s->parentCode = QString::fromLatin1(parentCode);
        s->index = index;
        s->left = left;
        s->right = left + 1;
        s->name = QStringLiteral("Глава ") + s->code;
        s->slug = s->code;
        return s;
    }
    void addBook(int id, const char16_t* shortName, int categoryId, int authorId,
                 std::vector<std::shared_ptr<BookSection>> sections = {})
    {
        BookBase base;
        base.id = id;
        base.slug = QStringLiteral("book-%1").arg(id);
        base.categories = {categoryId};
        base.authors = {authorId};
        base.languages = {kRu};
        db->insertBookBase(base);
        auto book = std::make_shared<Book>();
        book->info = std::make_shared<BookInfo>();
        book->info->bookId = id;
        book->info->language = kRu;
        book->info->shortName = QString::fromUtf16(shortName);
        book->info->name = book->info->shortName;
        book->sections = std::move(sections);
        db->insertBook(book);
    }
};

// The tree as far as it reads, depth first: one "type:id:display" per item,
// indented by depth. Counts and loads every node.
inline QStringList walk(const QAbstractItemModel& model, const QModelIndex& parent = {}, int depth = 0)
{
    QStringList lines;
    for (int row = 0; row < model.rowCount(parent); ++row) {
        const QModelIndex index = model.index(row, 0, parent);
        lines << QString(depth, QLatin1Char(' ')) + QStringLiteral("%1:%2:%3").arg(
                     model.data(index, Qt::UserRole).toString(), model.data(index, Qt::UserRole + 3).toString(),
                     model.data(index, Qt::UserRole + 4).toString());
        lines << walk(model, index, depth + 1);
    }
    return lines;
}

} // namespace tarnolix::test
