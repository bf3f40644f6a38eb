#pragma once
// The catalogue library with favorites: a real favorites service over it,
// folders three levels deep and favorites in Russian and English books.
//
// Folders (in creation order): Учёба > (Веды > Ригведа, Пураны), Work.
// Books with sections besides the catalogue's Бхагавад-гита (101, Писания):
//   Логика (108, Философия, Russian): 108.1, 108.2
//   Purana (201, Пураны under Писания, English only): e.1 (e.1.1, e.1.2), e.2
// addFavorites() marks 101.1.1 (in Ригведа), 101.2, 108.2 in Russian and
// e.1.2, e.2 in English.

#include "favorites/FavoriteHelper.h"
#include "tests/favorites/FakeFavoritesServices.h"
#include "tests/models/CatalogLibrary.h"

#include <QAbstractItemModel>
#include <QSignalSpy>
#include <QVariantMap>

#include <memory>

namespace tarnolix::test {

class FavoritesLibrary : public CatalogLibrary
{
protected:
    static constexpr auto kEn = TarnolixConstants::English;

    void SetUp() override
    {
        CatalogLibrary::SetUp();
        addBook(108, u"Логика", 2, 1, {section("108.1", "", 1, 1), section("108.2", "", 2, 3)});
        addEnglishBook();
        db->reloadBooksExists();

        favorites.db = db;
        helper = std::make_unique<FavoriteHelper>(db);
        favorites.helper = helper.get();

        studies = helper->addFolder(QUuid(), QStringLiteral("Учёба"));
        vedas = helper->addFolder(studies->uuid(), QStringLiteral("Веды"));
        rigveda = helper->addFolder(vedas->uuid(), QStringLiteral("Ригведа"));
        puranas = helper->addFolder(studies->uuid(), QStringLiteral("Пураны"));
        work = helper->addFolder(QUuid(), QStringLiteral("Work"));
    }
    void TearDown() override
    {
        favorites.helper = nullptr;
        helper.reset();
        CatalogLibrary::TearDown();
    }

    void addFavorites()
    {
        inRigveda = addFavorite(101, kRu, "101.1.1", rigveda->uuid());
        addFavorite(101, kRu, "101.2");
        addFavorite(108, kRu, "108.2");
        addFavorite(201, kEn, "e.1.2");
        addFavorite(201, kEn, "e.2");
    }

    // A favorite over the first letters of the section, through the service.
    std::shared_ptr<const Favorite> addFavorite(int bookId, TarnolixConstants::Language language,
                                                const char* code, const QUuid& folder = {})
    {
        QSignalSpy added(helper.get(), &FavoriteHelper::favoritesAdded);
        const auto at = [&](int offset) {
            return QVariantMap{{QStringLiteral("sectionCode"), QString::fromLatin1(code)},
                               {QStringLiteral("sectionIndex"), 0},
                               {QStringLiteral("html"), QStringLiteral("альфа бета")},
                               {QStringLiteral("offset"), offset}};
        };
        helper->addFavorite(bookId, language, at(0), at(5), QStringLiteral("Метка %1").arg(code),
                            QString(), QStringLiteral("альфа"),
                            folder.isNull() ? QString() : TarnolixDB::uuidToString(folder));
        EXPECT_EQ(added.count(), 1) << code << " " << qPrintable(favorites.errors.join('\n'));
        return added.isEmpty() ? nullptr : added.at(0).at(0).value<FavoriteConstArray>().front();
    }

    std::shared_ptr<const FavoriteFolder> renamed(const std::shared_ptr<const FavoriteFolder>& folder,
                                                  const QString& name)
    {
        auto copy = std::make_shared<FavoriteFolder>(*folder);
        copy->setName(name);
        return helper->updateFolder(copy);
    }
    std::shared_ptr<const FavoriteFolder> moved(const std::shared_ptr<const FavoriteFolder>& folder,
                                                const QUuid& parent)
    {
        auto copy = std::make_shared<FavoriteFolder>(*folder);
        copy->setParentUuid(parent);
        return helper->updateFolder(copy);
    }

    // The row under `parent` whose display text is `text`; invalid when none.
    static QModelIndex row(const QAbstractItemModel& model, const QString& text, const QModelIndex& parent = {})
    {
        for (int r = 0; r < model.rowCount(parent); ++r) {
            const QModelIndex index = model.index(r, 0, parent);
            if (model.data(index, Qt::DisplayRole).toString() == text)
                return index;
        }
        return {};
    }
    static QStringList names(const QAbstractItemModel& model, const QModelIndex& parent = {})
    {
        QStringList result;
        for (int r = 0; r < model.rowCount(parent); ++r)
            result << model.data(model.index(r, 0, parent), Qt::DisplayRole).toString();
        return result;
    }

    FakeFavoritesServices favorites;
    std::unique_ptr<FavoriteHelper> helper;
    std::shared_ptr<const FavoriteFolder> studies, vedas, rigveda, puranas, work;
    std::shared_ptr<const Favorite> inRigveda;

private:
    void addEnglishBook()
    {
        BookBase base;
        base.id = 201;
        base.slug = QStringLiteral("purana");
        base.categories = {12};
        base.authors = {1};
        base.languages = {kEn};
        db->insertBookBase(base);
        auto book = std::make_shared<Book>();
        book->info = std::make_shared<BookInfo>();
        book->info->bookId = 201;
        book->info->language = kEn;
        book->info->shortName = book->info->name = QStringLiteral("Purana");
        book->sections = {section("e.1", "", 1, 1), section("e.1.1", "e.1", 1, 2), section("e.1.2", "e.1", 2, 4),
                          section("e.2", "", 2, 7)};
        db->insertBook(book);
    }
};

} // namespace tarnolix::test
