#include "models/CatalogAuthorsModel.h"
#include "models/CatalogNamesModel.h"
#include "tests/models/CatalogLibrary.h"

#include <QAbstractItemModelTester>

#include <gtest/gtest.h>

using namespace tarnolix::test;
using C = TarnolixConstants;
using M = CatalogModelBase;

namespace {

template <typename Model>
std::unique_ptr<Model> loaded(bool searchMode)
{
    auto m = std::make_unique<Model>();
    m->setLanguage(TarnolixConstants::Russian);
    m->reload(searchMode);
    return m;
}

QStringList rootTexts(const QAbstractItemModel& m, int role = M::DisplayTextRole)
{
    QStringList texts;
    for (int row = 0; row < m.rowCount(); ++row)
        texts << m.data(m.index(row, 0), role).toString();
    return texts;
}

} // namespace

using CatalogLetters = CatalogLibrary;

TEST_F(CatalogLetters, AuthorsUnderUpperCaseLettersWithTheirBooksAndSections)
{
    auto m = loaded<CatalogAuthorsModel>(false);
    EXPECT_EQ(rootTexts(*m), QStringList({"В"})) << "\"Вьяса\" and \"вальмики\" share one letter";
    const QModelIndex letter = m->index(0, 0);
    EXPECT_EQ(m->data(letter, M::IdRole), QVariant(QChar(u'В')));
    EXPECT_FALSE(m->data(letter, M::BookIdRole).isValid());
    EXPECT_EQ(m->rowCount(letter), 2);

    const QStringList tree = walk(*m);
    EXPECT_EQ(tree, QStringList({"1:В:В", " 3:1:Вьяса", "  4:107:%Процент", "  4:105:Арифметика",
                                 "  4:101:Бхагавад-гита", "   5:101.1:Глава 101.1", "    5:101.1.1:Глава 101.1.1",
                                 "    5:101.1.2:Глава 101.1.2", "   5:101.2:Глава 101.2",
                                 "    5:101.2.1:Глава 101.2.1", " 3:2:вальмики", "  4:102:_подчёркнутая книга",
                                 "  4:106:Бхагавата-пурана"}));
    const QModelIndex author = m->index(0, 0, letter);
    EXPECT_FALSE(m->data(author, M::BookIdRole).isValid());
    EXPECT_EQ(m->data(author, M::IsBookRole), false);
    EXPECT_EQ(m->data(author, Qt::DisplayRole), "Вьяса");
    const QModelIndex book = m->index(2, 0, author);
    EXPECT_EQ(m->data(book, M::IsBookRole), true);
    EXPECT_EQ(m->data(book, M::BookIdRole), 101);
    const QModelIndex deep = m->index(0, 0, m->index(1, 0, book));
    EXPECT_EQ(m->data(deep, M::IdRole), QVariant(QStringLiteral("101.2.1")));
    EXPECT_EQ(m->data(deep, M::BookIdRole), 101) << "the book id at every depth";
    EXPECT_EQ(m->data(deep, M::GetIndexRole).value<QModelIndex>(), deep);
    EXPECT_FALSE(m->hasChildren(m->index(0, 0, m->index(1, 0, letter))));
    EXPECT_TRUE(services.errors.isEmpty());
    QAbstractItemModelTester tester(m.get(), QAbstractItemModelTester::FailureReportingMode::Fatal);
}

TEST_F(CatalogLetters, FilteredAuthorsAreTheRootsInNameOrder)
{
    found(TarnolixDB::CatalogSearchPerson, {2, 3, 4, 1});
    auto m = loaded<CatalogAuthorsModel>(true);
    EXPECT_EQ(rootTexts(*m, M::IdRole), QStringList({"3", "1", "2"})) << "a translator is no author";
    EXPECT_EQ(m->data(m->index(0, 0), M::DisplayTextRole), QVariant(QStringLiteral("")))
        << "no name in the language: an empty text";
    EXPECT_EQ(m->data(m->index(0, 0), M::TypeRole), int(C::Author));
    EXPECT_EQ(m->rowCount(m->index(0, 0)), 1) << "its book 103";
    QAbstractItemModelTester tester(m.get(), QAbstractItemModelTester::FailureReportingMode::Fatal);

    db->execSql(QStringLiteral("DELETE FROM CatalogSearch"));
    m->reload(true);
    EXPECT_EQ(m->rowCount(), 0);
}

// Search keys drop punctuation today; keys written by an older normaliser may
// begin with a LIKE wildcard, which must match only itself.
TEST_F(CatalogLetters, NamesListEachLetterExactlyItsOwnBooks)
{
    for (auto [id, key] : {std::pair{102, "_подчёркнутая книга"}, {103, "'апостроф"}, {107, "%процент"}})
        db->execSql(QStringLiteral("UPDATE BookInfo2 SET shortNameLC=? WHERE id=?"),
                    QVariantList{QString::fromUtf8(key), id});
    auto m = loaded<CatalogNamesModel>(false);
    ASSERT_EQ(rootTexts(*m), QStringList({"%", "'", "_", "А", "Б"}));
    const QStringList expected[] = {{"%Процент"}, {"'Апостроф"}, {"_подчёркнутая книга"}, {"азбука", "Арифметика"},
                                    {"Бхагавад-гита", "Бхагавата-пурана"}};
    for (int row = 0; row < m->rowCount(); ++row) {
        const QModelIndex letter = m->index(row, 0);
        SCOPED_TRACE(m->data(letter, M::IdRole).toString().toStdString());
        const int counted = m->rowCount(letter);
        QStringList books;
        for (int r = 0; r < counted; ++r)
            books << m->data(m->index(r, 0, letter), M::DisplayTextRole).toString();
        EXPECT_EQ(books, expected[row]);
        EXPECT_EQ(m->rowCount(letter), counted) << "the count before expanding is the rows after";
        EXPECT_FALSE(m->index(counted, 0, letter).isValid());
    }
    const QModelIndex gita = m->index(0, 0, m->index(4, 0));
    EXPECT_EQ(m->data(gita, M::BookIdRole), 101);
    EXPECT_EQ(m->rowCount(gita), 2);
    EXPECT_EQ(m->data(m->index(1, 0, m->index(0, 0, gita)), M::BookIdRole), 101);
    QAbstractItemModelTester tester(m.get(), QAbstractItemModelTester::FailureReportingMode::Fatal);
}

TEST_F(CatalogLetters, FilteredNamesAreTheFoundBooks)
{
    found(TarnolixDB::CatalogSearchBook, {101, 105});
    auto m = loaded<CatalogNamesModel>(true);
    EXPECT_EQ(rootTexts(*m), QStringList({"Арифметика", "Бхагавад-гита"}));
    EXPECT_EQ(m->rowCount(m->index(1, 0)), 2);
    QAbstractItemModelTester tester(m.get(), QAbstractItemModelTester::FailureReportingMode::Fatal);

    db->execSql(QStringLiteral("DELETE FROM CatalogSearch"));
    m->reload(true);
    EXPECT_EQ(m->rowCount(), 0);
}

// A letter item in filter mode (which has no letters) is refused with the
// model's own code; any failure reaches the reader and leaves the node unread.
TEST_F(CatalogLetters, FailuresReachTheReaderAndLeaveTheNodeUnread)
{
    CatalogAuthorsModel authors;
    CatalogNamesModel names;
    struct Case
    {
        CatalogLettersModel* model;
        TreeModelBase::TreeModelItemPtr letter;
        const char* countError;
        const char* loadError;
    };
    for (const Case& c :
         {Case{&authors, CatalogLettersModel::LetterItem::makeLetter<CatalogAuthorsModel::CatalogAuthorsItem>(u'В'),
               "unknown error 0x77896519", "unknown error 0x77896521"},
          Case{&names, CatalogLettersModel::LetterItem::makeLetter(u'А'), "error 0x88478965", "error 0x88478966"}}) {
        c.model->setLanguage(kRu);
        c.model->reload(true);
        services.errors.clear();
        c.model->loadChildCount(c.letter);
        c.model->loadChildren(c.letter);
        EXPECT_EQ(services.errors, QStringList({QStringLiteral("Ошибка при загрузке каталога: %1").arg(c.countError),
                                                QStringLiteral("Ошибка при загрузке каталога: %1").arg(c.loadError)}));
        EXPECT_EQ(c.letter->state, 0u);
        EXPECT_EQ(c.letter->childCount, 0);
    }

    // Over a failing connection the models stay consistent.
    for (CatalogLettersModel* m : {static_cast<CatalogLettersModel*>(&authors), static_cast<CatalogLettersModel*>(&names)}) {
        m->reload(false);
        ASSERT_GT(m->rowCount(), 0);
    }
    hide("BookSections2");
    hide("BookBaseAuthors");
    services.errors.clear();
    for (CatalogLettersModel* m : {static_cast<CatalogLettersModel*>(&authors), static_cast<CatalogLettersModel*>(&names)}) {
        QAbstractItemModelTester tester(m, QAbstractItemModelTester::FailureReportingMode::Fatal);
    }
    EXPECT_FALSE(services.errors.isEmpty());
    for (const QString& error : services.errors)
        EXPECT_TRUE(error.startsWith("Ошибка при загрузке каталога: ")) << error.toStdString();
}
