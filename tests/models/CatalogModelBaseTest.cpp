#include "models/CatalogAuthorsModel.h"
#include "models/CatalogCategoriesModel.h"
#include "models/CatalogNamesModel.h"
#include "tests/models/CatalogLibrary.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace tarnolix::test;
using C = TarnolixConstants;
using M = CatalogModelBase;

namespace {

QVariantMap step(int type, const QVariant& id)
{
    return {{"type", type}, {"id", id}};
}

} // namespace

using CatalogModelBaseTest = CatalogLibrary;

TEST_F(CatalogModelBaseTest, ModeRolesAndTheDefaultsQmlSees)
{
    CatalogCategoriesModel categories(db, nullptr);
    CatalogAuthorsModel authors;
    CatalogNamesModel names;
    EXPECT_EQ(categories.property("mode").toInt(), C::Categories);
    EXPECT_EQ(authors.property("mode").toInt(), C::Authors);
    EXPECT_EQ(names.property("mode").toInt(), C::Names);
    EXPECT_EQ(names.database(), db) << "the GUI thread's connection";
    EXPECT_EQ(categories.property("totalCount").toInt(), -1);
    EXPECT_EQ(categories.language(), C::InvalidLanguage);
    EXPECT_EQ(categories.roleNames(),
              (QHash<int, QByteArray>{{256, "type"}, {257, "isBook"}, {258, "getIndex"}, {259, "id"},
                                      {260, "display"}, {261, "bookId"}}));
}

TEST_F(CatalogModelBaseTest, ReloadWithoutALanguageEmptiesTheModelAndKeepsTheSearchMode)
{
    CatalogCategoriesModel m(db, nullptr);
    QSignalSpy languageChanged(&m, &CatalogModelBase::languageChanged);
    m.setLanguage(kRu);
    m.setLanguage(kRu);
    EXPECT_EQ(languageChanged.count(), 1) << "the same language again emits nothing";
    EXPECT_TRUE(m.setProperty("language", int(kRu)));
    EXPECT_EQ(languageChanged.count(), 1);
    m.reload(false);
    ASSERT_EQ(m.rowCount(), 2);

    m.setLanguage(C::English);
    EXPECT_EQ(m.rowCount(), 2) << "a language change alone keeps the tree";

    MessageLog log;
    m.setLanguage(C::InvalidLanguage);
    m.reload(true);
    EXPECT_EQ(m.rowCount(), 0);
    EXPECT_TRUE(m.searchMode());
    EXPECT_EQ(log.texts(QtWarningMsg), QStringList({"CatalogModelBase::reload: invalid language ERROR 0x5478F416"}));
    EXPECT_EQ(languageChanged.count(), 3);
}

TEST_F(CatalogModelBaseTest, FlagsLetOnlyCatalogueItemsBeSelectedAndChecked)
{
    CatalogCategoriesModel m(db, nullptr);
    m.setLanguage(kRu);
    m.reload(false);
    for (auto type : {C::InvalidCatalogItemType, C::SRItemId, C::FavoriteItemId, C::Glossary, C::FavoriteFolder}) {
        auto item = std::make_shared<CatalogModelBase::CatalogItem>();
        item->type = type;
        ASSERT_TRUE(m.insertItem(QModelIndex(), 0, item));
        const bool catalogue = type == C::Glossary || type == C::FavoriteFolder;
        EXPECT_EQ(int(m.flags(m.index(0, 0))), catalogue ? 49 : 0) << type;
        m.removeItem(m.index(0, 0));
    }
    EXPECT_EQ(int(m.flags(QModelIndex())), 0);
}

TEST_F(CatalogModelBaseTest, ParentHierarchiesRunFromTheTopDownToTheItem)
{
    CatalogCategoriesModel m(db, nullptr);
    m.setLanguage(kRu);
    m.reload(false);
    const QModelIndex book = m.index(4, 0, m.index(0, 0));
    const QModelIndex section = m.index(1, 0, m.index(0, 0, book));
    const QVariantList expected{step(2, 1), step(4, 101), step(5, "101.1"), step(5, "101.1.2")};
    EXPECT_EQ(m.getParentHierarchyByIndex(section), expected);
    EXPECT_EQ(m.getParentHierarchy("101.1.2", C::Section), expected);
    EXPECT_EQ(m.getParentHierarchyByIndex(m.index(1, 0)), QVariantList({step(2, 2)}));
    EXPECT_EQ(m.getParentHierarchyByIndex(QModelIndex()), QVariantList());
    EXPECT_EQ(m.getParentHierarchy(106, C::Book), QVariantList({step(2, 1), step(2, 12), step(4, 106)}));

    MessageLog log;
    EXPECT_EQ(m.getParentHierarchy(999, C::Book), QVariantList());
    ASSERT_EQ(log.texts(QtWarningMsg).size(), 1);
    EXPECT_TRUE(log.texts(QtWarningMsg)[0].startsWith("getParentHierarchy: Error: "));

    CatalogAuthorsModel authors;
    authors.setLanguage(kRu);
    authors.reload(false);
    const QModelIndex author = authors.index(0, 0, authors.index(0, 0));
    EXPECT_EQ(authors.getParentHierarchyByIndex(authors.index(0, 0, author)),
              QVariantList({step(1, QChar(u'В')), step(3, 1), step(4, 107)}));
}
