#pragma once
// The one service through which the reader's favorites and their folders
// are created, edited, moved and deleted. Each change is written with its
// synchronisation journal row (additions and deletions) and, once
// committed, announced by one of six signals that the open book's store,
// the favorites models and the synchronisation follow. GUI thread, with the
// GUI thread's connection; only the folder filter runs elsewhere.

#include "core/FavoriteRecords.h"

#include <QObject>
#include <QString>
#include <QUuid>
#include <QVariant>

#include <memory>
#include <mutex>
#include <utility>
#include <vector>

class TarnolixDB;

using FavoriteFolderConstArray = std::vector<std::shared_ptr<const FavoriteFolder>>;
// (old record, new record) of each edited favorite.
using ChangedFavorites = std::vector<std::pair<std::shared_ptr<const Favorite>, std::shared_ptr<const Favorite>>>;

Q_DECLARE_METATYPE(FavoriteConstArray)
Q_DECLARE_METATYPE(FavoriteFolderConstArray)
Q_DECLARE_METATYPE(ChangedFavorites)

class FavoriteHelper : public QObject
{
    Q_OBJECT

public:
    // The folders whose names match the catalogue filter's text.
    struct SearchResust
    {
        std::vector<std::shared_ptr<FavoriteFolder>> folders;
    };

    explicit FavoriteHelper(std::shared_ptr<TarnolixDB> db, QObject* parent = nullptr);
    ~FavoriteHelper() override;

    // Registers the signal argument types under their names; once, before
    // queued connections use them.
    static void registerMetaTypes();

    Q_INVOKABLE QVariant getBookSectionName(int bookId, int language, const QString& sectionCode);
    Q_INVOKABLE bool hasFavoriteWithTitle(const QString& title, const QString& ignoreFavoriteUuid);
    Q_INVOKABLE QVariant getFavoriteTitleAndNote(const QString& favoriteUuid);
    Q_INVOKABLE void addFavorite(int bookId, int language, const QVariant& startSelectedPositionV,
                                 const QVariant& endSelectedPositionV, const QString& favoriteTitle,
                                 const QString& favoriteNote, const QString& favoriteText,
                                 const QString& favoriteFolder);
    Q_INVOKABLE QVariant getFavoriteInfo(const QString& favoriteUuid);
    Q_INVOKABLE void updateFavorite(const QString& favoriteUuid, const QString& favoriteTitle,
                                    const QString& favoriteNote, const QString& favoriteFolder);
    Q_INVOKABLE void deleteFavorite(const QString& favoriteUuid);
    Q_INVOKABLE void deleteBookFavorites(int bookId, int language);
    Q_INVOKABLE QString getFolderName(const QString& favoriteFolderUuid);
    Q_INVOKABLE void renameFolder(const QString& favoriteFolderUuid, const QString& newName);
    Q_INVOKABLE void removeFolder(const QString& favoriteFolderUuid);

    // These throw; their callers report.
    std::shared_ptr<FavoriteFolder> addFolder(const QUuid& parentUuid, const QString& name);
    // The folder, its whole subtree and every favorite in them.
    void deleteFolder(const QUuid& folderUuid);
    // Stores and announces a changed copy of `folder` with a new time of
    // change; `folder` itself, which listeners may hold, stays as it is.
    std::shared_ptr<const FavoriteFolder> updateFolder(const std::shared_ptr<const FavoriteFolder>& folder);

    // Any thread, on that thread's own connection.
    void search(const QString& text);
    void resetSearch();
    std::shared_ptr<SearchResust> searchResult();

signals:
    void favoritesAdded(const FavoriteConstArray& favorites);
    void favoritesChanged(const ChangedFavorites& changedFavorites);
    void favoritesDeleted(const FavoriteConstArray& favorites);
    void favoriteFoldersAdded(const FavoriteFolderConstArray& favoriteFolders);
    void favoriteFoldersChanged(const FavoriteFolderConstArray& favoriteFolders);
    void favoriteFoldersDeleted(const FavoriteFolderConstArray& favoriteFolders);

private:
    std::shared_ptr<TarnolixDB> m_db;
    std::mutex m_searchMutex;
    std::shared_ptr<SearchResust> m_searchResult;
};
