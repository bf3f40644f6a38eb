// The open-book page with the favorites service's store: a favorite added
// or deleted through the service is rendered into, or taken out of, the
// sections the page shows, and the web channel follows.
#include "core/CipherKeyPair.h"
#include "database/BookTextCipher.h"
#include "database/TarnolixDB.h"
#include "favorites/FavoriteHelper.h"
#include "favorites/FavoriteLogic.h"
#include "pages/HTMLCreator.h"
#include "tabs/OpenBookStatus.h"
#include "tabs/TabStatus.h"
#include "tabs/TabWebChannel.h"
#include "tests/favorites/FakeFavoritesServices.h"
#include "tests/tabs/TabFixture.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

#include <memory>

namespace {

using namespace tarnolix::test;
using L = TarnolixConstants::Language;

constexpr int kBookId = 91;

class OpenBookFavoritesTest : public TabFixture
{
protected:
    void SetUp() override
    {
        TabFixture::SetUp();
        keys.setKeyFromString(QStringLiteral("reader@example.invalid"));
        keys.setIvFromString(QStringLiteral("/home/reader/.local/share/Tarnolix"));
        setBookTextCipher(&keys);
        services.creator = std::make_shared<HTMLCreator>();
        insertBook();

        favorites.db = db;
        favorites.creator = services.creator;
        helper = std::make_unique<FavoriteHelper>(db);
        favorites.helper = helper.get();
        OpenBookFavorites::setFactory(&FavoriteLogic::createForPage);

        page = std::make_unique<OpenBookStatus>();
        page->setTabStatus(tab.get());
        tab->setPageStatus(page.get());
        page->initialize();
        tab->setUrl(QUrl(QStringLiteral("tarnolix://openbook.ru/Book-%1?catalogTab=Names&tabId=%2")
                             .arg(kBookId)
                             .arg(tab->id())));
        ASSERT_TRUE(page->openBook());
    }

    void TearDown() override
    {
        OpenBookFavorites::setFactory({});
        page.reset();
        helper.reset();
        setBookTextCipher(nullptr);
        TabFixture::TearDown();
    }

    void insertBook()
    {
        BookBase base;
        base.id = kBookId;
        base.slug = QStringLiteral("kniga-izbrannogo");
        base.name = QStringLiteral("Kniga");
        base.languages = {L::Russian};
        db->insertBookBase(base);
        auto book = std::make_shared<Book>();
        book->info = std::make_shared<BookInfo>();
        book->info->bookId = kBookId;
        book->info->language = L::Russian;
        book->info->name = book->info->shortName = QStringLiteral("Книга избранного");
        for (int n = 1; n <= 3; ++n) {
            auto s = std::make_shared<BookSection>();
            s->code = QStringLiteral("fav%1").arg(n);
            s->slug = QStringLiteral("glava-%1").arg(n);
            s->name = s->title = QStringLiteral("Глава %1").arg(n);
            s->index = n;
            s->left = 2 * n;
            s->right = 2 * n + 1;
            book->sections.push_back(s);
            auto p = std::make_shared<BookPart>();
            p->sectionCode = s->code;
            p->entities.push_back(std::make_shared<BookEntity>(
                1, QMap<QString, QString>{}, QStringList{QStringLiteral("Стих %1: альфа бета гамма").arg(n)}));
            book->parts.push_back(p);
        }
        db->insertBook(book);
    }

    // The page script's map for the position just after `before` in
    // section `n`, over the section element's HTML as the page holds it.
    QVariantMap position(int n, const QString& before)
    {
        const QString code = QStringLiteral("fav%1").arg(n);
        BookSectionItem item;
        item.section = db->selectBookSection(code, L::Russian).first;
        item.part = db->selectBookPart(code, L::Russian);
        item.index = static_cast<quint64>(n - 1);
        const QString html =
            services.creator->getBookSections(db->selectBookInfo(kBookId, L::Russian), item, nullptr);
        return {{QStringLiteral("sectionCode"), code},
                {QStringLiteral("sectionIndex"), n - 1},
                {QStringLiteral("html"), html},
                {QStringLiteral("offset"), html.lastIndexOf(before) + before.size()}};
    }

    static QVariantMap sectionsOf(const QSignalSpy& reload, int i) { return reload.at(i).at(0).toMap(); }

    CipherKeyPair keys;
    FakeFavoritesServices favorites;
    std::unique_ptr<FavoriteHelper> helper;
    std::unique_ptr<OpenBookStatus> page;
};

TEST_F(OpenBookFavoritesTest, AFavoriteAddedThroughTheServiceIsRenderedIntoTheOpenBookAndDeletedAgain)
{
    ASSERT_NE(qobject_cast<FavoriteLogic*>(page->favoriteLogic()), nullptr);
    TabWebChannel& channel = *tab->webChannel();
    EXPECT_FALSE(channel.isExistsFovoritesInOpenedBook());

    QSignalSpy reload(page.get(), &OpenBookStatus::needReloadSections);
    QSignalSpy added(helper.get(), &FavoriteHelper::favoritesAdded);
    helper->addFavorite(kBookId, L::Russian, position(2, "альфа "), position(2, "бета"), "Mark", "", "бета", "");
    ASSERT_EQ(added.count(), 1) << qPrintable(favorites.errors.join('\n'));
    const QString uuid = added.at(0).at(0).value<FavoriteConstArray>().at(0)->uuid().toString(QUuid::WithoutBraces);
    const QString span = QStringLiteral("favorite_%1_span_1").arg(uuid);

    ASSERT_EQ(reload.count(), 1);
    QVariantMap v = sectionsOf(reload, 0);
    QVariantList sections = v.value("sections").toList();
    ASSERT_EQ(sections.size(), 1);
    EXPECT_EQ(sections.at(0).toMap().value("sectionCode").toString(), "fav2");
    const QString html = sections.at(0).toMap().value("html").toString();
    // The button beside the text and the mark's first span.
    EXPECT_TRUE(html.contains(QStringLiteral("favorite-span-id=\\\"%1\\\"").arg(span))) << qPrintable(html);
    EXPECT_TRUE(html.contains(QStringLiteral("<span id=\\\"%1\\\" class=\\\"favorite\\\">бета</span>").arg(span)))
        << qPrintable(html);
    EXPECT_TRUE(v.value("needUpdateFavoriteButtonsPosition").toBool());
    EXPECT_TRUE(channel.isExistsFovoritesInOpenedBook());

    helper->deleteFavorite(uuid);
    ASSERT_EQ(reload.count(), 2);
    v = sectionsOf(reload, 1);
    sections = v.value("sections").toList();
    ASSERT_EQ(sections.size(), 1);
    EXPECT_FALSE(sections.at(0).toMap().value("html").toString().contains(QStringLiteral("favorite")));
    EXPECT_FALSE(v.value("needUpdateFavoriteButtonsPosition").toBool());
    EXPECT_FALSE(channel.isExistsFovoritesInOpenedBook());
    EXPECT_TRUE(favorites.errors.isEmpty()) << qPrintable(favorites.errors.join('\n'));
}

TEST_F(OpenBookFavoritesTest, TheStoreIsLoadedWithTheBookAndDroppedWhenItCloses)
{
    helper->addFavorite(kBookId, L::Russian, position(1, "Стих 1: "), position(3, "альфа"), "Mark", "", "", "");
    page->closeBook();
    EXPECT_FALSE(tab->webChannel()->isExistsFovoritesInOpenedBook());
    ASSERT_TRUE(page->openBook());
    EXPECT_TRUE(tab->webChannel()->isExistsFovoritesInOpenedBook());
    auto* store = qobject_cast<FavoriteLogic*>(page->favoriteLogic());
    ASSERT_NE(store, nullptr);
    for (quint64 i : {0, 1, 2})
        EXPECT_EQ(store->sectionFavorites(i).size(), 1u) << i;

    // Without a favorites service a new page has none.
    favorites.helper = nullptr;
    OpenBookStatus another;
    another.setTabStatus(tab.get());
    another.initialize();
    EXPECT_EQ(another.favoriteLogic(), nullptr);
}

} // namespace
