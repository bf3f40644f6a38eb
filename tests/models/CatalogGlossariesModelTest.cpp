#include "models/CatalogGlossariesModel.h"
#include "tests/models/GlossaryLibrary.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>

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

void testModel(QAbstractItemModel& model)
{
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
}

} // namespace

using GlossaryCatalogue = GlossaryLibrary;

TEST_F(GlossaryCatalogue, CategoriesHoldTheirChildCategoriesThenTheirGlossaries)
{
    auto m = loaded<CatalogGlossariesModel>(false);
    testModel(*m);
    EXPECT_EQ(m->catalogTab(), C::Glossaries);
    EXPECT_EQ(m->totalCount(), 42);
    EXPECT_EQ(walk(*m), QStringList({"2:1:Veda", " 2:11:Upanishad", "  7:5:Ātmā", " 7:3:Agni", " 7:4:Vedic terms",
                                     "2:2:Purana", " 7:6:Bhagavata", " 7:7:Veda words", " 7:8:Arjuna",
                                     "2:13:Empty"}));
    EXPECT_TRUE(services.errors.isEmpty());

    const QModelIndex veda = m->index(0, 0);
    const QModelIndex agni = m->index(1, 0, veda);
    const QModelIndex empty = m->index(2, 0);
    EXPECT_FALSE(m->data(veda, M::BookIdRole).isValid());
    EXPECT_EQ(m->data(agni, M::BookIdRole), 1) << "a glossary opens under its category";
    EXPECT_EQ(m->data(agni, M::IdRole), 3);
    EXPECT_EQ(m->data(agni, Qt::DisplayRole), "Agni");
    EXPECT_EQ(m->data(agni, M::IsBookRole), false);
    EXPECT_EQ(m->data(agni, M::GetIndexRole).value<QModelIndex>(), agni);
    EXPECT_EQ(m->data(QModelIndex(), M::IsBookRole), false) << "answered for any index";
    EXPECT_FALSE(m->data(QModelIndex(), M::TypeRole).isValid());
    EXPECT_EQ(m->flags(agni), Qt::ItemIsSelectable | Qt::ItemIsUserCheckable | Qt::ItemIsEnabled);
    EXPECT_FALSE(m->hasChildren(empty));
    EXPECT_EQ(m->rowCount(empty), 0);
    EXPECT_EQ(m->getParentHierarchyByIndex(m->index(0, 0, m->index(0, 0, veda))),
              QVariantList({QVariantMap{{"type", 2}, {"id", 1}}, QVariantMap{{"type", 2}, {"id", 11}},
                            QVariantMap{{"type", 7}, {"id", 5}}}));
}

TEST_F(GlossaryCatalogue, NamesGroupGlossariesUnderTheirFirstLettersInKeyOrder)
{
    auto m = loaded<CatalogGlossariesNamesModel>(false);
    testModel(*m);
    EXPECT_EQ(m->catalogTab(), C::GlossariesNames);
    EXPECT_EQ(m->totalCount(), 42);
    // The tree's walk meets Arjuna before Agni; within a letter they go by key.
    EXPECT_EQ(walk(*m), QStringList({"1:A:A", " 7:3:Agni", " 7:8:Arjuna", " 7:5:Ātmā", "1:B:B", " 7:6:Bhagavata",
                                     "1:V:V", " 7:7:Veda words", " 7:4:Vedic terms"}));
    const QModelIndex letter = m->index(0, 0);
    EXPECT_EQ(m->data(letter, M::IdRole), QVariant(QChar('A')));
    EXPECT_FALSE(m->data(letter, M::BookIdRole).isValid());
    EXPECT_EQ(m->data(m->index(1, 0, letter), M::BookIdRole), 2);
}

TEST_F(GlossaryCatalogue, FilterModeShowsFoundCategoriesFirstAndNamesOnlyTheGlossaries)
{
    manager->search(QStringLiteral("ved"));
    auto tree = loaded<CatalogGlossariesModel>(true);
    testModel(*tree);
    EXPECT_EQ(walk(*tree), QStringList({"2:1:Veda", " 2:11:Upanishad", "  7:5:Ātmā", " 7:3:Agni",
                                        " 7:4:Vedic terms", "7:4:Vedic terms", "7:7:Veda words"}));
    auto names = loaded<CatalogGlossariesNamesModel>(true);
    testModel(*names);
    EXPECT_EQ(walk(*names), QStringList({"7:4:Vedic terms", "7:7:Veda words"}));
    EXPECT_TRUE(services.errors.isEmpty());
}

TEST_F(GlossaryCatalogue, FilterModeWithoutAResultFailsButTakesTheTotalFromTheTree)
{
    struct Case
    {
        std::function<std::unique_ptr<M>()> make;
        const char* error;
    };
    const Case cases[] = {
        {[] { return std::make_unique<CatalogGlossariesModel>(); }, "ERROR 0x55781465"},
        {[] { return std::make_unique<CatalogGlossariesNamesModel>(); }, "ERROR 0x55611465"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.error);
        services.errors.clear();
        manager->search(QStringLiteral("ved"));
        manager->resetSearch();
        auto m = c.make();
        m->setLanguage(C::Russian);
        QSignalSpy total(m.get(), &M::totalCountChanged);
        m->reload(true);
        EXPECT_EQ(m->rowCount(), 0);
        EXPECT_EQ(m->totalCount(), 42);
        EXPECT_EQ(total.count(), 1);
        EXPECT_EQ(services.errors, QStringList{QStringLiteral("Ошибка при загрузке каталога: ") + c.error});
    }
}

TEST_F(GlossaryCatalogue, AnEmptyTreeGivesNoRowsButItsCount)
{
    GlossaryTree tree;
    tree.glossariesCount = 4;
    db->setGlossaryTree(tree);
    auto names = loaded<CatalogGlossariesNamesModel>(false);
    auto categories = loaded<CatalogGlossariesModel>(false);
    for (M* m : {static_cast<M*>(names.get()), static_cast<M*>(categories.get())}) {
        EXPECT_EQ(m->rowCount(), 0);
        EXPECT_EQ(m->totalCount(), 4);
    }
    EXPECT_TRUE(services.errors.isEmpty());
}

TEST_F(GlossaryCatalogue, NoStoredTreeIsALoadingError)
{
    db->execSql(QStringLiteral("DELETE FROM Settings WHERE key = 'GlossaryTree'"));
    auto m = loaded<CatalogGlossariesModel>(false);
    EXPECT_EQ(m->rowCount(), 0);
    ASSERT_EQ(services.errors.size(), 1);
    EXPECT_TRUE(services.errors[0].startsWith(QStringLiteral("Ошибка при загрузке каталога: ")));
}

TEST_F(GlossaryCatalogue, RowsKeepTheirRecordsUntilTheReloadReadsTheNewTree)
{
    auto m = loaded<CatalogGlossariesNamesModel>(false);
    const QModelIndex arjuna = m->index(1, 0, m->index(0, 0));
    ASSERT_EQ(m->data(arjuna, M::BookIdRole), 2);

    GlossaryTree other;
    auto category = glossaryCategory(20, QStringLiteral("Itihasa"), QStringLiteral("itihasa"));
    other.addCategory(category);
    category->addGlossary(glossaryEntry(21, QStringLiteral("Rama"), QStringLiteral("rama")));
    other.glossariesCount = 1;
    db->setGlossaryTree(other);
    manager->handleGlossaryTreeChanged();

    // Nothing holds the old categories any more: the glossary row stays, without its category.
    EXPECT_FALSE(m->data(arjuna, M::BookIdRole).isValid());
    EXPECT_EQ(m->data(arjuna, Qt::DisplayRole), "Arjuna");
    EXPECT_EQ(m->data(arjuna, M::IdRole), 8);
    EXPECT_EQ(m->data(arjuna, M::TypeRole), int(C::Glossary));

    m->reload(false);
    EXPECT_EQ(walk(*m), QStringList({"1:R:R", " 7:21:Rama"}));
    EXPECT_EQ(m->totalCount(), 1);
}
