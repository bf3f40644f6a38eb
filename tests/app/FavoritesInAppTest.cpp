// The favorites service inside the application: made with the account
// runtime and reached by the favorites code, the open book's stores and
// the catalogue filter through their services until logout.
#include "app/Tarnolix.h"
#include "favorites/FavoriteHelper.h"
#include "favorites/FavoriteLogic.h"
#include "favorites/FavoritesServices.h"
#include "models/ModelServices.h"
#include "tabs/TabStatus.h"
#include "tests/support/AppTestSupport.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

namespace {

using tarnolix::test::app;

TEST(FavoritesInAppTest, TheServiceLivesWithTheAccountRuntimeAndOpenBookStoresFollowIt)
{
    ASSERT_TRUE(tarnolix::test::openAccountRuntime(QStringLiteral("reader@tarnolix.invalid")));
    FavoriteHelper* helper = app().favoriteHelperService();
    ASSERT_NE(helper, nullptr);
    EXPECT_EQ(app().favoriteHelper(), helper);
    EXPECT_EQ(app().property("favoriteHelper").value<QObject*>(), helper);
    EXPECT_EQ(favoritesServices().favoriteHelper(), helper);
    EXPECT_EQ(favoritesServices().guiDatabase(), app().guiDatabase());
    EXPECT_EQ(favoritesServices().htmlCreator(), app().htmlCreator());
    ASSERT_NE(ModelServices::current()->favoritesFilter(), nullptr);
    ModelServices::current()->favoritesFilter()->resetSearch();

    TabStatus tab;
    QObject page;
    FavoriteLogic store(&tab, &page);
    EXPECT_FALSE(store.isExistsFovorites());
    // The store follows the service: with no open-book page in its tab it
    // tells the reader so.
    QSignalSpy errors(&app(), &Tarnolix::errorMessage);
    emit helper->favoritesAdded({});
    ASSERT_TRUE(errors.count() > 0 || errors.wait(2000));
    EXPECT_EQ(errors.at(0).at(1).toString(), QStringLiteral("Не удалось загрузить избранное: ERROR 0x45F20BE1"));

    ASSERT_TRUE(tarnolix::test::logoutAndWait());
    EXPECT_EQ(app().favoriteHelperService(), nullptr);
    EXPECT_EQ(favoritesServices().favoriteHelper(), nullptr);
    EXPECT_EQ(ModelServices::current()->favoritesFilter(), nullptr);
}

} // namespace
