#pragma once
// The reader's favorites of one language arranged by the catalogue: the
// categories holding books with favorites, those books, and inside a book
// only the sections where favorites start, nested as in the book. A new
// favorite empties the tree (the pane reloads a shown empty tree); deleted
// favorites prune it in place.

#include "favorites/FavoriteHelper.h"
#include "models/CatalogModelBase.h"

#include <QStringList>

#include <cstdint>
#include <memory>
#include <unordered_set>

class FavoritesByBooksModel : public CatalogModelBase
{
    Q_OBJECT

public:
    // A category, a book or a section, told apart by type.
    struct FavoritesByBooksItem : CatalogBookItem
    {
        std::shared_ptr<const Category> category; // categories only
        // The codes of the sections shown in the book: made empty with a book
        // item and shared by all its section items; filled on first need.
        std::shared_ptr<QStringList> sectionCodes;
    };

    explicit FavoritesByBooksModel(QObject* parent = nullptr);
    ~FavoritesByBooksModel() override;

    TarnolixConstants::CatalogTab catalogTab() const override { return TarnolixConstants::FavoritesByBooks; }
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    using TreeModelBase::loadRootItems;
    void loadRootItems(std::vector<TreeModelItemPtr>& items) override;
    void loadChildCount(const TreeModelItemPtr& item) const override;
    void loadChildren(const TreeModelItemPtr& item) const override;

public slots:
    void onFavoritesAdded(const FavoriteConstArray& favorites);
    void onFavoritesDeleted(const FavoriteConstArray& favorites);

protected:
    const char* loadErrorText() const override;

private:
    using ItemPtr = std::shared_ptr<FavoritesByBooksItem>;
    void readSets();
    // The number of children loadChildren would make; throws "Invalid type".
    int childCount(const FavoritesByBooksItem& item) const;
    // The book's section codes, read when the list is still empty.
    void fillSectionCodes(const FavoritesByBooksItem& item) const;
    static ItemPtr makeCategory(std::shared_ptr<const Category> category);
    static ItemPtr makeBook(std::shared_ptr<const BookInfo> book);
    static ItemPtr makeSection(std::shared_ptr<const BookSection> section, const FavoritesByBooksItem& parent);
    void prune(const FavoriteConstArray& favorites);

    std::unordered_set<int> m_favoriteCategoryIds;
    std::unordered_set<int> m_favoriteBookIds;
};
