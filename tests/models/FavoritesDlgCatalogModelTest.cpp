#include "models/FavoritesCatalogModel.h"
#include "models/FavoritesDlgCatalogModel.h"
#include "tests/models/FavoritesLibrary.h"

#include <QAbstractItemModelTester>

#include <gtest/gtest.h>

#include <functional>

using namespace tarnolix::test;
using D = FavoritesDlgCatalogModel;

namespace {

class FavoritesDialog : public FavoritesLibrary
{
protected:
    // The tester walks the whole tree, so a model whose rows must stay
    // unread gets one only at the end (`check`).
    std::unique_ptr<D> model(bool tested = true)
    {
        auto m = std::make_unique<D>();
        m->init();
        if (tested)
            check(*m);
        return m;
    }
    void check(QAbstractItemModel& m)
    {
        tester = std::make_unique<QAbstractItemModelTester>(&m, QAbstractItemModelTester::FailureReportingMode::Fatal);
    }
    // One letter per row: R (all favorites), C (create folder), F (folder).
    static QString kinds(const D& m, const QModelIndex& parent = {})
    {
        QString result;
        for (int r = 0; r < m.rowCount(parent); ++r) {
            const QModelIndex index = m.index(r, 0, parent);
            result += m.data(index, D::IsRootCatalogItemRole).toBool()    ? 'R'
                      : m.data(index, D::IsCreateFolderItemRole).toBool() ? 'C'
                      : m.data(index, D::IsFolderItemRole).toBool()       ? 'F'
                                                                          : '?';
        }
        return result;
    }

    std::unique_ptr<QAbstractItemModelTester> tester;
};

} // namespace

TEST_F(FavoritesDialog, SpecialRowsLeadTheTopLevelAndTheFirstTwoLevels)
{
    auto m = model();
    EXPECT_EQ(names(*m), QStringList({"Всё избранное", "Создать папку", "Учёба", "Work"}));
    EXPECT_EQ(kinds(*m), "RCFF");
    const QModelIndex studiesRow = m->index(2, 0);
    EXPECT_EQ(m->rowCount(studiesRow), 3) << "counted with its create-folder row";
    EXPECT_EQ(kinds(*m, studiesRow), "CFF");
    const QModelIndex vedasRow = row(*m, "Веды", studiesRow);
    EXPECT_EQ(kinds(*m, vedasRow), "CF");
    const QModelIndex rigvedaRow = row(*m, "Ригведа", vedasRow);
    EXPECT_EQ(m->rowCount(rigvedaRow), 0) << "no folders below the third level";
    EXPECT_FALSE(m->hasChildren(m->index(0, 0)));
    EXPECT_FALSE(m->hasChildren(m->index(1, 0)));

    EXPECT_EQ(m->data(rigvedaRow, D::IdRole).toString(), TarnolixDB::uuidToString(rigveda->uuid()));
    EXPECT_EQ(m->data(rigvedaRow, D::DisplayTextRole).toString(), "Ригведа");
    EXPECT_EQ(m->roleNames().value(D::IsRootCatalogItemRole), "isRootCatalogItem");
    EXPECT_EQ(m->roleNames().value(D::DisplayTextRole), "display");

    MessageLog log;
    EXPECT_FALSE(m->data(m->index(0, 0), D::IdRole).isValid());
    EXPECT_FALSE(m->data(m->index(1, 0), D::IdRole).isValid());
    EXPECT_TRUE(log.contains(QtWarningMsg, "FavoritesDlgCatalogModel::data: id not exists for RootCatalogItem"));
    EXPECT_TRUE(log.contains(QtWarningMsg, "FavoritesDlgCatalogModel::data: id not exists for CreateFolderItem"));
    EXPECT_FALSE(m->data(QModelIndex(), D::IsFolderItemRole).isValid());
}

TEST_F(FavoritesDialog, CreatedFoldersFollowTheirSiblingsWithoutMarkingTheTree)
{
    auto m = model();
    const QModelIndex studiesRow = m->index(2, 0);
    const QVariant created = m->createFolder(m->index(0, 0, studiesRow), QStringLiteral("Новая папка"));
    ASSERT_TRUE(created.canConvert<QModelIndex>()) << qPrintable(favorites.errors.join('\n'));
    const QModelIndex index = created.value<QModelIndex>();
    EXPECT_EQ(index.row(), 3);
    EXPECT_EQ(index.parent(), studiesRow);
    EXPECT_EQ(m->data(index, D::DisplayTextRole).toString(), "Новая папка");
    EXPECT_EQ(kinds(*m, index), "C") << "a second-level folder offers a create-folder row";
    EXPECT_EQ(db->selectFavoriteFoldersCount(studies->uuid()), 3);
    EXPECT_FALSE(m->reloadNeeded());

    const QModelIndex top = m->createFolder(m->index(1, 0), QStringLiteral("Верх")).value<QModelIndex>();
    EXPECT_EQ(top.row(), 4);
    EXPECT_EQ(names(*m).last(), "Верх");

    MessageLog log;
    m->init();
    EXPECT_TRUE(log.contains(QtDebugMsg, "FavoritesDlgCatalogModel::init: items actual"));
    EXPECT_EQ(names(*m, studiesRow), QStringList({"Создать папку", "Веды", "Пураны", "Новая папка"}));
}

TEST_F(FavoritesDialog, ChangesMadeElsewhereShowAtTheNextInit)
{
    auto m = model();
    ASSERT_EQ(m->rowCount(), 4);
    helper->addFolder(QUuid(), QStringLiteral("Из другого окна"));
    EXPECT_TRUE(m->reloadNeeded());
    EXPECT_EQ(m->rowCount(), 4) << "the open tree is kept";
    m->init();
    EXPECT_EQ(names(*m).last(), "Из другого окна");
    EXPECT_FALSE(m->reloadNeeded());

    for (const auto& change : std::vector<std::function<void()>>{
             [&] { renamed(work, QStringLiteral("Работа")); }, [&] { helper->deleteFolder(puranas->uuid()); }}) {
        change();
        EXPECT_TRUE(m->reloadNeeded());
        m->init();
    }
    EXPECT_EQ(names(*m), QStringList({"Всё избранное", "Создать папку", "Учёба", "Работа", "Из другого окна"}));
    EXPECT_EQ(names(*m, m->index(2, 0)), QStringList({"Создать папку", "Веды"}));
}

TEST_F(FavoritesDialog, RenamingStoresACopyAndSkipsTheSameName)
{
    auto catalog = std::make_unique<FavoritesCatalogModel>();
    catalog->setLanguage(kRu);
    catalog->reload(false);
    auto m = model();
    QSignalSpy added(helper.get(), &FavoriteHelper::favoriteFoldersAdded);
    QSignalSpy changed(helper.get(), &FavoriteHelper::favoriteFoldersChanged);
    const QModelIndex index = m->createFolder(m->index(1, 0), QStringLiteral("Новая папка")).value<QModelIndex>();
    ASSERT_EQ(added.count(), 1);
    const auto shared = added.at(0).at(0).value<FavoriteFolderConstArray>().front();
    ASSERT_EQ(names(*catalog).last(), "Новая папка") << "the catalogue shows the folder it was given";

    EXPECT_FALSE(m->setData(index, QStringLiteral("Новая папка"), D::DisplayTextRole));
    EXPECT_EQ(changed.count(), 0) << "nothing stored";
    EXPECT_FALSE(m->setData(index, QStringLiteral("Другое"), D::IdRole)) << "only the name is editable";

    QSignalSpy rowChanged(m.get(), &QAbstractItemModel::dataChanged);
    EXPECT_TRUE(m->setData(index, QStringLiteral("Конспекты"), D::DisplayTextRole));
    EXPECT_EQ(rowChanged.count(), 1);
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(m->data(index, Qt::DisplayRole).toString(), "Конспекты");
    EXPECT_EQ(shared->name(), "Новая папка") << "a record others hold is never renamed in place";
    EXPECT_EQ(names(*catalog).last(), "Конспекты") << "the catalogue learns the name from the signal";
    EXPECT_EQ(db->selectFavoriteFolder(shared->uuid())->name(), "Конспекты");
    EXPECT_FALSE(m->reloadNeeded());
}

TEST_F(FavoritesDialog, RemovingDeletesTheFolderWithItsSubfolders)
{
    addFavorites();
    auto m = model();
    const QModelIndex studiesRow = m->index(2, 0);
    ASSERT_TRUE(m->removeFolder(row(*m, "Веды", studiesRow)));
    EXPECT_EQ(names(*m, studiesRow), QStringList({"Создать папку", "Пураны"}));
    EXPECT_FALSE(db->isFavoriteFolderExists(rigveda->uuid()));
    EXPECT_EQ(db->selectFavoritesCount(), 4) << "the favorite in Ригведа went too";
    EXPECT_FALSE(m->reloadNeeded());
    EXPECT_TRUE(favorites.errors.isEmpty()) << qPrintable(favorites.errors.join('\n'));
}

TEST_F(FavoritesDialog, FailuresAreToldAndChangeNothing)
{
    auto m = model();
    const QModelIndex studiesRow = m->index(2, 0);
    const QModelIndex workRow = m->index(3, 0);

    EXPECT_FALSE(m->removeFolder(m->index(1, 0)));
    EXPECT_EQ(m->setData(m->index(0, 0), QStringLiteral("x"), D::DisplayTextRole), false);
    EXPECT_EQ(favorites.errors, QStringList({"Не удалось удалить папку: ERROR 0x1988B402",
                                             "Не удалось переименовать папку: ERROR 0x5987541C"}));
    favorites.errors.clear();

    hide(QStringLiteral("FavoritesCatalog"));
    EXPECT_EQ(m->createFolder(m->index(0, 0, studiesRow), QStringLiteral("Новая")), QVariant(false));
    EXPECT_FALSE(m->setData(workRow, QStringLiteral("Работа"), D::DisplayTextRole));
    EXPECT_FALSE(m->removeFolder(workRow));
    restore(QStringLiteral("FavoritesCatalog"));
    ASSERT_EQ(favorites.errors.size(), 3);
    EXPECT_TRUE(favorites.errors[0].startsWith("Не удалось создать папку: "));
    EXPECT_TRUE(favorites.errors[1].startsWith("Не удалось переименовать папку: "));
    EXPECT_TRUE(favorites.errors[2].startsWith("Не удалось удалить папку: "));
    EXPECT_EQ(names(*m), QStringList({"Всё избранное", "Создать папку", "Учёба", "Work"}));
    EXPECT_EQ(m->rowCount(studiesRow), 3);

    // A later change of the dialog is its own again.
    EXPECT_TRUE(m->setData(workRow, QStringLiteral("Работа"), D::DisplayTextRole));
    EXPECT_FALSE(m->reloadNeeded());
}

TEST_F(FavoritesDialog, HasFoldersOrFavoritesLooksBelowTheCreateFolderRow)
{
    addFavorites();
    auto m = model();
    const QModelIndex studiesRow = m->index(2, 0);
    const QModelIndex vedasRow = row(*m, "Веды", studiesRow);
    struct Case
    {
        QModelIndex index;
        bool expected;
        const char* what;
    };
    for (const Case& c : {Case{studiesRow, true, "subfolders"},
                          Case{row(*m, "Ригведа", vedasRow), true, "a favorite, no subfolders"},
                          Case{row(*m, "Пураны", studiesRow), false, "only a create-folder row below"},
                          Case{m->index(3, 0), false, "an empty top-level folder"},
                          Case{m->index(0, 0), false, "the all-favorites row"}})
        EXPECT_EQ(m->hasFoldersOrFavorites(c.index), c.expected) << c.what;
    EXPECT_TRUE(favorites.errors.isEmpty()) << qPrintable(favorites.errors.join('\n'));
}

TEST_F(FavoritesDialog, ThePathToAFolderRunsFromTheTop)
{
    auto m = model();
    const QVariant path = m->getPathToFolder(TarnolixDB::uuidToString(rigveda->uuid()));
    EXPECT_EQ(path.toStringList(),
              QStringList({TarnolixDB::uuidToString(studies->uuid()), TarnolixDB::uuidToString(vedas->uuid()),
                           TarnolixDB::uuidToString(rigveda->uuid())}));
    EXPECT_EQ(m->getPathToFolder(TarnolixDB::uuidToString(work->uuid())).toStringList().size(), 1);
}

TEST_F(FavoritesDialog, AFailedReadIsToldPromisesNoRowsAndIsTriedAgain)
{
    hide(QStringLiteral("FavoritesCatalog"));
    auto m = model(false);
    EXPECT_EQ(kinds(*m), "RC") << "the special rows stand without the library";
    EXPECT_TRUE(m->reloadNeeded()) << "the next init reads again";
    restore(QStringLiteral("FavoritesCatalog"));
    m->init();
    ASSERT_EQ(kinds(*m), "RCFF");

    const QModelIndex workRow = m->index(3, 0);
    hide(QStringLiteral("FavoritesCatalog"));
    EXPECT_EQ(m->rowCount(workRow), 0);
    restore(QStringLiteral("FavoritesCatalog"));
    EXPECT_EQ(m->rowCount(workRow), 1) << "its create-folder row";
    ASSERT_EQ(favorites.errors.size(), 2);
    for (const QString& error : favorites.errors)
        EXPECT_TRUE(error.startsWith("Ошибка при загрузке каталога избранного: ")) << qPrintable(error);
    check(*m);
}
