#include "models/CatalogCategoriesModel.h"
#include "tests/models/CatalogLibrary.h"

#include <QAbstractItemModelTester>

#include <gtest/gtest.h>

#include <thread>

using namespace tarnolix::test;
using C = TarnolixConstants;
using M = CatalogModelBase;

namespace {

class CatalogCategories : public CatalogLibrary
{
protected:
    std::unique_ptr<CatalogCategoriesModel> model(bool searchMode = false, bool loadAll = false)
    {
        auto m = std::make_unique<CatalogCategoriesModel>(db, nullptr);
        m->setLanguage(kRu);
        m->setLoadAllData(loadAll);
        m->reload(searchMode);
        return m;
    }
    static QModelIndex child(const QAbstractItemModel& m, std::initializer_list<int> rows)
    {
        QModelIndex index;
        for (int row : rows)
            index = m.index(row, 0, index);
        return index;
    }
};

const QString kLoadError = QStringLiteral("Ошибка при загрузке каталога: ");

} // namespace

TEST_F(CatalogCategories, CountsBeforeReadingAndListsSubcategoriesBeforeBooks)
{
    auto m = model();
    ASSERT_EQ(m->rowCount(), 2) << "a category without books is left out";
    const QModelIndex scriptures = m->index(0, 0);
    EXPECT_EQ(m->data(scriptures, M::DisplayTextRole).toString(), "Писания");

    StatementCounter counter(*db);
    EXPECT_EQ(m->rowCount(scriptures), 5) << "two subcategories with books and three books";
    EXPECT_EQ(counter.count, 2) << "counted, nothing read yet";

    QStringList types, ids;
    for (int row = 0; row < 5; ++row) {
        types << m->data(m->index(row, 0, scriptures), M::TypeRole).toString();
        ids << m->data(m->index(row, 0, scriptures), M::IdRole).toString();
    }
    EXPECT_EQ(types, QStringList({"2", "2", "4", "4", "4"}));
    EXPECT_EQ(ids.mid(0, 2), QStringList({"12", "11"})) << "catalogue order";
    EXPECT_EQ(QSet<QString>(ids.begin() + 2, ids.end()), QSet<QString>({"101", "102", "103"}));

    EXPECT_EQ(walk(*m),
              QStringList({"2:1:Писания", " 2:12:Пураны", "  4:106:Бхагавата-пурана", " 2:11:Веды",
                           "  4:105:Арифметика", " 4:102:_подчёркнутая книга", " 4:103:'Апостроф",
                           " 4:101:Бхагавад-гита", "  5:101.1:Глава 101.1", "   5:101.1.1:Глава 101.1.1",
                           "   5:101.1.2:Глава 101.1.2", "  5:101.2:Глава 101.2", "   5:101.2.1:Глава 101.2.1",
                           "2:2:Философия", " 4:107:%Процент", " 4:104:азбука"}));
    EXPECT_FALSE(m->hasChildren(child(*m, {0, 3}))) << "a book without sections has no expander";
    EXPECT_TRUE(m->hasChildren(child(*m, {0, 4})));
    EXPECT_TRUE(services.errors.isEmpty());
    QAbstractItemModelTester tester(m.get(), QAbstractItemModelTester::FailureReportingMode::Fatal);
}

TEST_F(CatalogCategories, AnswersTheRolesOfEachKindOfNode)
{
    auto m = model();
    const QModelIndex category = child(*m, {0});
    const QModelIndex book = child(*m, {0, 4});
    const QModelIndex deepSection = child(*m, {0, 4, 0, 1});
    ASSERT_TRUE(deepSection.isValid());

    struct Row
    {
        QModelIndex index;
        QVariant type, isBook, id, display, bookId;
    };
    for (const Row& row : {Row{category, 2, false, 1, "Писания", {}}, Row{book, 4, true, 101, "Бхагавад-гита", 101},
                           Row{deepSection, 5, false, "101.1.2", "Глава 101.1.2", 101}}) {
        SCOPED_TRACE(row.display.toString().toStdString());
        EXPECT_EQ(m->data(row.index, M::TypeRole), row.type);
        EXPECT_EQ(m->data(row.index, M::IsBookRole), row.isBook);
        EXPECT_EQ(m->data(row.index, M::IdRole), row.id);
        EXPECT_EQ(m->data(row.index, M::IdRole).type(), row.id.type()) << "a number, or a section's code as text";
        EXPECT_EQ(m->data(row.index, M::DisplayTextRole), row.display);
        EXPECT_EQ(m->data(row.index, Qt::DisplayRole), row.display);
        EXPECT_EQ(m->data(row.index, M::BookIdRole), row.bookId);
        EXPECT_EQ(m->data(row.index, M::GetIndexRole).value<QModelIndex>(), row.index);
        EXPECT_EQ(int(m->flags(row.index)), 49);
        EXPECT_FALSE(m->data(row.index, Qt::UserRole + 6).isValid());
    }
    EXPECT_EQ(m->data(QModelIndex(), M::GetIndexRole).value<QModelIndex>(), QModelIndex());
    EXPECT_FALSE(m->data(QModelIndex(), M::TypeRole).isValid());

    m->setLanguage(C::English);
    m->reload(false);
    EXPECT_EQ(m->rowCount(), 0) << "no book in English";
}

TEST_F(CatalogCategories, SearchModeListsTheFoundCategoriesThenTheFoundBooks)
{
    found(TarnolixDB::CatalogSearchCategory, {1, 3});
    found(TarnolixDB::CatalogSearchBook, {104, 106});
    auto m = model(true);
    EXPECT_TRUE(m->searchMode());
    ASSERT_EQ(m->rowCount(), 3) << "the found category without books is left out";
    EXPECT_EQ(m->data(m->index(0, 0), M::IdRole), 1);
    EXPECT_EQ(m->data(m->index(1, 0), M::DisplayTextRole), "азбука") << "books by short name";
    EXPECT_EQ(m->data(m->index(2, 0), M::DisplayTextRole), "Бхагавата-пурана");
    EXPECT_FALSE(m->parent(m->index(1, 0)).isValid()) << "a found book has no parent item";
    EXPECT_EQ(m->rowCount(m->index(0, 0)), 5) << "a found category opens with everything in it";
    QAbstractItemModelTester tester(m.get(), QAbstractItemModelTester::FailureReportingMode::Fatal);

    db->execSql(QStringLiteral("DELETE FROM CatalogSearch"));
    m->reload(true);
    EXPECT_EQ(m->rowCount(), 0) << "nothing found, an empty tree";
}

TEST_F(CatalogCategories, LoadingAllDataWalksTheLazyTreeWithoutAStatementAfterTheRoots)
{
    for (bool searchMode : {false, true}) {
        SCOPED_TRACE(searchMode);
        if (searchMode) {
            found(TarnolixDB::CatalogSearchCategory, {1});
            found(TarnolixDB::CatalogSearchBook, {101});
        }
        const QStringList lazy = walk(*model(searchMode));
        auto all = model(searchMode, true);
        StatementCounter counter(*db);
        EXPECT_EQ(walk(*all), lazy);
        EXPECT_GT(lazy.size(), 10);
        EXPECT_EQ(counter.count, 0);
        EXPECT_TRUE(services.errors.isEmpty());
    }

    // Without preloaded data a preloading model cannot serve a node.
    auto m = model();
    m->setLoadAllData(true);
    EXPECT_EQ(m->rowCount(m->index(0, 0)), 0);
    EXPECT_EQ(services.errors, QStringList({kLoadError + "m_loadAllData=0"}));
}

TEST_F(CatalogCategories, ANodeThatFailsShowsNoRowsAndIsReadAgainOnTheNextAccess)
{
    db->setWaitCursorOnTransaction(true);
    auto m = model();
    const QModelIndex scriptures = m->index(0, 0);
    ASSERT_EQ(m->rowCount(scriptures), 5);

    hide("BookBaseCategories");
    EXPECT_FALSE(m->index(0, 0, scriptures).isValid());
    ASSERT_EQ(services.errors.size(), 1);
    EXPECT_TRUE(services.errors[0].startsWith(kLoadError)) << services.errors[0].toStdString();
    EXPECT_EQ(m->rowCount(scriptures), 0) << "no row promised that index() cannot give";
    EXPECT_FALSE(m->hasChildren(scriptures));
    EXPECT_EQ(services.errors.size(), 3) << "each access tries again";

    EXPECT_TRUE(db->waitCursorOnTransaction()) << "a failed count puts the cursor switch back";

    restore("BookBaseCategories");
    EXPECT_EQ(m->rowCount(scriptures), 5);
    EXPECT_EQ(m->data(m->index(0, 0, scriptures), M::DisplayTextRole), "Пураны");
    EXPECT_EQ(services.errors.size(), 3);
}

TEST_F(CatalogCategories, StaysConsistentOverAFailingConnection)
{
    auto m = model();
    hide("BookBaseCategories");
    {
        QAbstractItemModelTester tester(m.get(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    }
    EXPECT_EQ(m->rowCount(m->index(0, 0)), 0);
    EXPECT_FALSE(services.errors.isEmpty());

    restore("BookBaseCategories");
    hide("Categories");
    services.errors.clear();
    m->reload(false);
    EXPECT_EQ(m->rowCount(), 0);
    ASSERT_EQ(services.errors.size(), 1);
    EXPECT_TRUE(services.errors[0].startsWith(kLoadError));
    QAbstractItemModelTester tester(m.get(), QAbstractItemModelTester::FailureReportingMode::Fatal);
}

TEST_F(CatalogCategories, AModelOfAnotherThreadRethrowsInsteadOfTellingTheReader)
{
    hide("BookSections2");
    for (bool loadAll : {true, false}) {
        SCOPED_TRACE(loadAll);
        QString failure;
        bool walked = false;
        std::thread([&] {
            auto own = std::make_shared<TarnolixDB>();
            openTarnolixDB(*own, path, 1000);
            CatalogCategoriesModel walker(own, nullptr);
            walker.setLanguage(kRu);
            walker.setLoadAllData(loadAll);
            try {
                walker.reload(false);
                walk(walker);
                walked = true;
            } catch (const std::exception& e) {
                failure = QString::fromUtf8(e.what());
            }
        }).join();
        EXPECT_FALSE(walked);
        EXPECT_TRUE(failure.contains("BookSections2")) << failure.toStdString();
    }
    EXPECT_TRUE(services.errors.isEmpty());
}
