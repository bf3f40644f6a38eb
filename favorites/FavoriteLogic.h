#pragma once
// The favorites of the book one tab has open, in the tab's language, with an
// index from section number to the favorites touching it, for the section
// builder and the page. Follows the additions and deletions the favorites
// service announces and asks the open-book page to re-render the sections
// whose marks changed. GUI thread only.

#include "core/FavoriteRecords.h"
#include "tabs/OpenBookSeams.h"

#include <QObject>

#include <memory>
#include <unordered_map>
#include <utility>
#include <vector>

class BookMngr;
class OpenBookStatus;
class TabStatus;
class TarnolixDB;

class FavoriteLogic : public QObject, public OpenBookFavorites
{
    Q_OBJECT

public:
    // Follows the favorites service installed in FavoritesServices, on its
    // connection.
    FavoriteLogic(TabStatus* tabStatus, QObject* parent = nullptr);
    ~FavoriteLogic() override;

    // The open-book pages' factory: a store for the page of `tab`, owned by
    // the page; null (no favorites) while there is no favorites service.
    static std::unique_ptr<OpenBookFavorites> createForPage(TabStatus* tab, OpenBookStatus* page);

    // Loads the favorites of the book `book` has open, in its language; a
    // no-op for the book already loaded. Failures are shown, not thrown.
    void loadFavorite(const BookMngr& book);
    void clear();

    void loadFavorites(const BookMngr& book) override { loadFavorite(book); }
    void clearFavorites() override { clear(); }
    bool hasFavorites() const override { return isExistsFovorites(); }

    FavoriteConstArray sectionFavorites(quint64 sectionIndex) override;
    int sectionCoverage(const Favorite& favorite, quint64 sectionIndex) const override;
    void resetRenderedCount() override { m_renderedCount = 0; }
    int renderedCount() const override { return m_renderedCount; }

    // 0 outside the favorite's sections (or without section indexes), 2 in
    // its first or last section, 1 strictly between them.
    static int favoriteSectionCoverage(const Favorite& favorite, quint64 sectionIndex);
    // (first, last) sections of the favorite; throws Exception when its
    // positions carry no index or are out of order.
    static std::pair<quint64, quint64> sectionRange(const Favorite& favorite);

    int loadedBookId() const { return m_bookId; }
    int loadedLanguage() const { return m_language; }

public slots:
    void onfavoritesAdded(const FavoriteConstArray& favorites);
    void onFavoritesDeleted(const FavoriteConstArray& favorites);

public:
    Q_INVOKABLE bool isExistsFovorites() const { return !m_favorites.empty(); }

private:
    bool isOfLoadedBook(const Favorite& favorite) const;
    // Lists the favorite under every section of its range; throws as
    // sectionRange does, before anything is listed.
    std::pair<quint64, quint64> addToIndex(const std::shared_ptr<const Favorite>& favorite);
    void requestReload(const SectionRanges& ranges);

    TabStatus* m_tabStatus;
    std::shared_ptr<TarnolixDB> m_db;
    int m_bookId = 0;
    int m_language = 0;
    FavoriteConstArray m_favorites;
    std::unordered_map<quint64, FavoriteConstArray> m_sectionIndex;
    int m_renderedCount = 0;
};
