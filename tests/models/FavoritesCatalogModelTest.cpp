#include "core/Settings.h"
#include "core/TranslatorMngr.h"
#include "models/FavoritesCatalogModel.h"
#include "tests/models/FavoritesLibrary.h"
#include "tests/support/SettingsSandbox.h"

#include <QAbstractItemModelTester>
#include <QTranslator>

#include <gtest/gtest.h>

using namespace tarnolix::test;
using C = TarnolixConstants;
using M = CatalogModelBase;

namespace {

class FavoritesCatalog : public FavoritesLibrary
{
protected:
    // The tester walks the whole tree at every change, so a model whose rows
    // must stay counted but unloaded gets one only at the end (`check`).
    std::unique_ptr<FavoritesCatalogModel> model(bool searchMode = false, bool tested = true)
    {
        auto m = std::make_unique<FavoritesCatalogModel>();
        m->setLanguage(kRu);
        m->reload(searchMode);
        if (tested)
            check(*m);
        return m;
    }
    void check(QAbstractItemModel& m)
    {
        tester = std::make_unique<QAbstractItemModelTester>(&m, QAbstractItemModelTester::FailureReportingMode::Fatal);
    }
    static QString id(const std::shared_ptr<const FavoriteFolder>& folder)
    {
        return TarnolixDB::uuidToString(folder->uuid());
    }

    std::unique_ptr<QAbstractItemModelTester> tester;
};

// Gives the all-favorites label in English, as a loaded translation would.
class EnglishLabels : public QTranslator
{
public:
    QString translate(const char* context, const char* source, const char*, int) const override
    {
        if (QByteArray(context) == "FavoritesCatalogModel" && QString::fromUtf8(source) == "Всё избранное")
            return QStringLiteral("All favorites");
        return {};
    }
};

} // namespace

TEST_F(FavoritesCatalog, TopLevelIsAllFavoritesThenTheFoldersAndTheTotalCountsFavorites)
{
    addFavorites();
    auto m = model();
    EXPECT_EQ(m->catalogTab(), C::AllFavorites);
    EXPECT_EQ(m->totalCount(), 5) << "favorites, not folders";
    ASSERT_EQ(names(*m), QStringList({"Всё избранное", "Учёба", "Work"}));

    const QModelIndex all = m->index(0, 0);
    EXPECT_EQ(m->data(all, M::IdRole), QVariant(QStringLiteral("")));
    EXPECT_EQ(m->data(all, M::TypeRole).toInt(), C::FavoriteFolder);
    EXPECT_FALSE(m->hasChildren(all));
    EXPECT_EQ(m->rowCount(all), 0);

    const QModelIndex studiesRow = m->index(1, 0);
    EXPECT_EQ(m->data(studiesRow, M::IdRole).toString(), id(studies));
    EXPECT_EQ(m->data(studiesRow, M::IsBookRole), QVariant(false));
    EXPECT_EQ(m->data(studiesRow, M::GetIndexRole).value<QModelIndex>(), studiesRow);
    EXPECT_FALSE(m->data(studiesRow, M::BookIdRole).isValid());
    EXPECT_EQ(names(*m, studiesRow), QStringList({"Веды", "Пураны"}));
    EXPECT_EQ(names(*m, row(*m, "Веды", studiesRow)), QStringList({"Ригведа"}));

    EXPECT_EQ(m->data(QModelIndex(), M::IsBookRole), QVariant(false)) << "any index";
    EXPECT_FALSE(m->data(QModelIndex(), M::TypeRole).isValid());
    EXPECT_EQ(m->getParentHierarchyByIndex(row(*m, "Ригведа", row(*m, "Веды", studiesRow))).size(), 3);
    EXPECT_TRUE(services.errors.isEmpty()) << qPrintable(services.errors.join('\n'));
}

TEST_F(FavoritesCatalog, TheAllFavoritesLabelFollowsTheInterfaceLanguage)
{
    SettingsSandbox sandbox;
    Settings settings;
    TranslatorMngr translator(&settings);
    translator.setLanguage(C::Russian);
    favorites.translator = &translator;
    auto m = model();
    QSignalSpy changed(m.get(), &QAbstractItemModel::dataChanged);

    EnglishLabels english;
    QCoreApplication::installTranslator(&english);
    translator.setLanguage(C::English);
    QCoreApplication::removeTranslator(&english);
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed.at(0).at(0).value<QModelIndex>(), m->index(0, 0));
    EXPECT_EQ(changed.at(0).at(2).value<QVector<int>>(), QVector<int>({M::DisplayTextRole}));

    // In search mode the first row is a found folder: nothing to relabel.
    helper->search(QStringLiteral("Вед"));
    m->reload(true);
    changed.clear();
    translator.setLanguage(C::Russian);
    EXPECT_EQ(changed.count(), 0);
    favorites.translator = nullptr;
}

TEST_F(FavoritesCatalog, TheRelabelledRowShowsTheTranslatedText)
{
    auto m = model();
    EnglishLabels english;
    QCoreApplication::installTranslator(&english);
    EXPECT_EQ(m->data(m->index(0, 0), Qt::DisplayRole).toString(), "All favorites");
    QCoreApplication::removeTranslator(&english);
    EXPECT_EQ(m->data(m->index(0, 0), M::DisplayTextRole).toString(), "Всё избранное");
}

TEST_F(FavoritesCatalog, SearchModeShowsTheFilterResultAndFailsWithoutOne)
{
    addFavorites();
    helper->search(QStringLiteral("веды"));
    auto m = model(true);
    EXPECT_EQ(names(*m), QStringList({"Веды"})) << "no all-favorites row";
    EXPECT_EQ(names(*m, m->index(0, 0)), QStringList({"Ригведа"}));
    EXPECT_EQ(m->totalCount(), 5);

    helper->resetSearch();
    m->reload(true);
    EXPECT_EQ(m->rowCount(), 0);
    EXPECT_EQ(services.errors, QStringList({"Ошибка при загрузке каталога избранного: ERROR 0x55781465"}));
    EXPECT_EQ(m->totalCount(), 5);

    m->reload(false);
    EXPECT_EQ(names(*m), QStringList({"Всё избранное", "Учёба", "Work"}));
}

TEST_F(FavoritesCatalog, AddedFoldersAppearWhereTheirParentIsShown)
{
    auto m = model(false, false);
    const QModelIndex studiesRow = m->index(1, 0);
    const QModelIndex workRow = m->index(2, 0);
    ASSERT_EQ(m->rowCount(studiesRow), 2) << "counted, not loaded";
    QSignalSpy inserted(m.get(), &QAbstractItemModel::rowsInserted);

    helper->addFolder(studies->uuid(), QStringLiteral("Упанишады"));
    ASSERT_EQ(inserted.count(), 1);
    EXPECT_EQ(inserted.at(0).at(0).value<QModelIndex>(), studiesRow);
    EXPECT_EQ(m->rowCount(studiesRow), 3);
    EXPECT_EQ(names(*m, studiesRow), QStringList({"Веды", "Пураны", "Упанишады"}));

    inserted.clear();
    helper->addFolder(work->uuid(), QStringLiteral("Отчёты"));
    EXPECT_EQ(inserted.count(), 0) << "a parent never counted announces nothing";
    EXPECT_EQ(names(*m, workRow), QStringList({"Отчёты"})) << "read when first expanded";

    helper->addFolder(work->uuid(), QStringLiteral("Планы"));
    EXPECT_EQ(names(*m, workRow), QStringList({"Отчёты", "Планы"})) << "loaded parent: last child";

    helper->addFolder(rigveda->uuid(), QStringLiteral("Мандала 1"));
    EXPECT_EQ(m->rowCount(row(*m, "Ригведа", row(*m, "Веды", studiesRow))), 0 + 1)
        << "a parent never loaded reads the new folder itself";

    helper->addFolder(QUuid(), QStringLiteral("Архив"));
    EXPECT_EQ(names(*m), QStringList({"Всё избранное", "Учёба", "Work", "Архив"}));
    check(*m);
}

TEST_F(FavoritesCatalog, RenamingChangesTheRowInPlace)
{
    auto m = model();
    const QModelIndex studiesRow = m->index(1, 0);
    const QModelIndex vedasRow = row(*m, "Веды", studiesRow);
    QSignalSpy changed(m.get(), &QAbstractItemModel::dataChanged);
    QSignalSpy moved(m.get(), &QAbstractItemModel::rowsRemoved);

    renamed(vedas, QStringLiteral("Четыре Веды"));
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed.at(0).at(0).value<QModelIndex>(), vedasRow);
    EXPECT_EQ(names(*m, studiesRow), QStringList({"Четыре Веды", "Пураны"}));
    EXPECT_EQ(moved.count(), 0);

    renamed(rigveda, QStringLiteral("Ригведа-самхита")); // not loaded: nothing to show
    EXPECT_EQ(names(*m, vedasRow), QStringList({"Ригведа-самхита"}));
}

TEST_F(FavoritesCatalog, DeletingAFolderTakesItsLoadedDescendants)
{
    addFavorites();
    auto m = model();
    const QModelIndex studiesRow = m->index(1, 0);
    ASSERT_EQ(names(*m, row(*m, "Веды", studiesRow)), QStringList({"Ригведа"}));

    helper->deleteFolder(studies->uuid());
    EXPECT_EQ(names(*m), QStringList({"Всё избранное", "Work"}));
    EXPECT_EQ(m->totalCount(), 5) << "the total is read at the next reload";
    m->reload(false);
    EXPECT_EQ(m->totalCount(), 4) << "the favorite in Ригведа went with it";
}

TEST_F(FavoritesCatalog, DeletedUnloadedFoldersLowerTheCountOfTheirParentByTheirNumber)
{
    auto m = model(false, false);
    const QModelIndex studiesRow = m->index(1, 0);
    ASSERT_EQ(m->rowCount(studiesRow), 2);
    QSignalSpy removed(m.get(), &QAbstractItemModel::rowsRemoved);

    // Several deletions in one notice, as the synchronisation brings them.
    helper->blockSignals(true);
    helper->deleteFolder(vedas->uuid());
    helper->deleteFolder(puranas->uuid());
    helper->blockSignals(false);
    emit helper->favoriteFoldersDeleted({vedas, rigveda, puranas});
    ASSERT_EQ(removed.count(), 1);
    EXPECT_EQ(removed.at(0).at(0).value<QModelIndex>(), studiesRow);
    EXPECT_EQ(removed.at(0).at(2).toInt() - removed.at(0).at(1).toInt() + 1, 2);
    EXPECT_EQ(m->rowCount(studiesRow), 0);
    EXPECT_FALSE(m->hasChildren(studiesRow));

    // A parent whose rows no view counted announces nothing.
    const auto report = helper->addFolder(work->uuid(), QStringLiteral("Отчёт"));
    removed.clear();
    helper->deleteFolder(report->uuid());
    EXPECT_EQ(removed.count(), 0);
    EXPECT_EQ(m->rowCount(m->index(2, 0)), 0);
    check(*m);
}

TEST_F(FavoritesCatalog, AMovedFolderLeavesItsOldParentForItsNewOne)
{
    auto m = model(false, false);
    const QModelIndex studiesRow = m->index(1, 0);
    const QModelIndex workRow = m->index(2, 0);
    ASSERT_EQ(names(*m, studiesRow), QStringList({"Веды", "Пураны"}));
    ASSERT_EQ(names(*m, workRow), QStringList());

    moved(puranas, work->uuid());
    EXPECT_EQ(names(*m, studiesRow), QStringList({"Веды"}));
    EXPECT_EQ(names(*m, workRow), QStringList({"Пураны"}));

    // To the top level, and from a parent that was only counted.
    const QModelIndex vedasRow = row(*m, "Веды", studiesRow);
    ASSERT_EQ(m->rowCount(vedasRow), 1);
    moved(rigveda, QUuid());
    EXPECT_EQ(m->rowCount(vedasRow), 0) << "its old parent no longer promises it";
    EXPECT_EQ(names(*m), QStringList({"Всё избранное", "Учёба", "Work", "Ригведа"}));

    // Into a parent that was only counted.
    const QModelIndex puranasRow = row(*m, "Пураны", workRow);
    ASSERT_EQ(m->rowCount(puranasRow), 0);
    moved(rigveda, puranas->uuid());
    EXPECT_EQ(names(*m), QStringList({"Всё избранное", "Учёба", "Work"}));
    EXPECT_EQ(names(*m, row(*m, "Пураны", workRow)), QStringList({"Ригведа"}));
    EXPECT_TRUE(services.errors.isEmpty()) << qPrintable(services.errors.join('\n'));
    check(*m);
}

TEST_F(FavoritesCatalog, AFailedCountPromisesNoRowsAndIsReadAgain)
{
    auto m = model(false, false);
    const QModelIndex studiesRow = m->index(1, 0);
    hide(QStringLiteral("FavoritesCatalog"));
    EXPECT_EQ(m->rowCount(studiesRow), 0);
    ASSERT_EQ(services.errors.size(), 1);
    EXPECT_TRUE(services.errors.front().startsWith("Ошибка при загрузке каталога избранного: "));
    restore(QStringLiteral("FavoritesCatalog"));
    EXPECT_EQ(m->rowCount(studiesRow), 2);
    check(*m);
}
