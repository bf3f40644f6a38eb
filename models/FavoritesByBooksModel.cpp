#include "models/FavoritesByBooksModel.h"

#include "core/Exception.h"
#include "database/TarnolixDB.h"
#include "favorites/FavoritesServices.h"
#include "pages/PageServices.h"

#include <QCoreApplication>
#include <QPersistentModelIndex>

#include <algorithm>
#include <vector>

using C = TarnolixConstants;

FavoritesByBooksModel::FavoritesByBooksModel(QObject* parent)
    : CatalogModelBase(parent)
{
    FavoritesServices* services = FavoritesServices::current();
    if (FavoriteHelper* helper = services ? services->favoriteHelper() : nullptr) {
        connect(helper, &FavoriteHelper::favoritesAdded, this, &FavoritesByBooksModel::onFavoritesAdded);
        connect(helper, &FavoriteHelper::favoritesDeleted, this, &FavoritesByBooksModel::onFavoritesDeleted);
    } else {
        qWarning("FavoritesByBooksModel: no favorites service, favorites changes are not followed");
    }
}

FavoritesByBooksModel::~FavoritesByBooksModel() = default;

FavoritesByBooksModel::ItemPtr FavoritesByBooksModel::makeCategory(std::shared_ptr<const Category> category)
{
    auto item = std::make_shared<FavoritesByBooksItem>();
    item->type = C::Category;
    item->category = std::move(category);
    return item;
}

FavoritesByBooksModel::ItemPtr FavoritesByBooksModel::makeBook(std::shared_ptr<const BookInfo> book)
{
    auto item = CatalogBookItem::makeBook<FavoritesByBooksItem>(std::move(book));
    item->sectionCodes = std::make_shared<QStringList>();
    return item;
}

FavoritesByBooksModel::ItemPtr FavoritesByBooksModel::makeSection(std::shared_ptr<const BookSection> section,
                                                                  const FavoritesByBooksItem& parent)
{
    auto item = CatalogBookItem::makeSection<FavoritesByBooksItem>(std::move(section), parent.bookId);
    item->sectionCodes = parent.sectionCodes;
    return item;
}

QVariant FavoritesByBooksModel::data(const QModelIndex& index, int role) const
{
    const auto item = catalogItem<FavoritesByBooksItem>(index);
    if (!item)
        return {};
    const bool category = item->type == C::Category && item->category;
    const bool book = item->type == C::Book && item->book;
    const bool section = item->type == C::Section && item->section;
    if (!category && !book && !section)
        return {};
    switch (role) {
    case TypeRole:
        return int(item->type);
    case IsBookRole:
        return book;
    case GetIndexRole:
        return QVariant::fromValue(index);
    case IdRole:
        if (category)
            return item->category->id;
        if (book)
            return item->bookId;
        return item->section->code;
    case Qt::DisplayRole:
    case DisplayTextRole:
        if (category)
            return nameInLanguage(item->category->names);
        if (book)
            return item->book->shortName;
        return item->section->name;
    case BookIdRole:
        return section ? QVariant(item->bookId) : QVariant();
    default:
        return {};
    }
}

const char* FavoritesByBooksModel::loadErrorText() const
{
    return "Ошибка при загрузке каталога избранного: %1";
}

void FavoritesByBooksModel::readSets()
{
    m_favoriteCategoryIds = db().selectFavoriteCategoryTree(language());
    m_favoriteBookIds = db().selectFavoriteBookIds(language());
}

void FavoritesByBooksModel::loadRootItems(std::vector<TreeModelItemPtr>& items)
{
    guardRoots([&] {
        setTotalCount(db().selectFavoritesCount());
        readSets();
        if (m_favoriteCategoryIds.empty()) {
            qDebug("Избранное отсутствует");
            if (!m_favoriteBookIds.empty())
                qCritical("Неизвестная ошибка: книга с избранным не находится не в одной из котегорий!");
            return;
        }
        const bool found = searchMode();
        for (const auto& category :
             db().selectCategoryNames(0, language(), false, found, true, &m_favoriteCategoryIds))
            items.push_back(makeCategory(category));
        if (found) {
            for (const auto& book : db().selectBooksFromCatalogSearch(language(), &m_favoriteBookIds))
                items.push_back(makeBook(book));
        }
    });
}

void FavoritesByBooksModel::fillSectionCodes(const FavoritesByBooksItem& item) const
{
    if (item.sectionCodes && item.sectionCodes->isEmpty())
        *item.sectionCodes = db().selectStartSectionCodesWithFavorites(item.bookId, language());
}

int FavoritesByBooksModel::childCount(const FavoritesByBooksItem& item) const
{
    switch (item.type) {
    case C::Category:
        if (!item.category)
            break;
        return db().selectCategoriesCount(item.category->id, language(), false, &m_favoriteCategoryIds) +
               db().selectBooksCountByCategory(item.category->id, language(), &m_favoriteBookIds);
    case C::Book:
        fillSectionCodes(item);
        return db().selectChildSectionsCountInCodes(item.bookId, language(), QString(), *item.sectionCodes);
    case C::Section:
        if (!item.section || !item.sectionCodes)
            break;
        return db().selectChildSectionsCountInCodes(item.bookId, language(), item.section->code,
                                                    *item.sectionCodes);
    default:
        break;
    }
    throwInvalidType();
}

void FavoritesByBooksModel::loadChildCount(const TreeModelItemPtr& item) const
{
    guardCount(item, [&] { return childCount(*itemAs<FavoritesByBooksItem>(item)); });
}

void FavoritesByBooksModel::loadChildren(const TreeModelItemPtr& item) const
{
    guardLoad(item, [&] {
        const auto own = itemAs<FavoritesByBooksItem>(item);
        QString parentCode;
        switch (own->type) {
        case C::Category:
            if (!own->category)
                throwInvalidType();
            for (const auto& category :
                 db().selectCategoryNames(own->category->id, language(), false, false, true, &m_favoriteCategoryIds))
                adopt(item, makeCategory(category));
            for (const auto& book : db().selectBooksByCategory(own->category->id, language(), &m_favoriteBookIds))
                adopt(item, makeBook(book));
            return;
        case C::Book:
            fillSectionCodes(*own);
            break;
        case C::Section:
            if (!own->section || !own->sectionCodes)
                throwInvalidType();
            parentCode = own->section->code;
            break;
        default:
            throwInvalidType();
        }
        // The read refuses an empty code list: a book without favorites left
        // has no sections to show.
        if (own->sectionCodes->isEmpty())
            return;
        for (const auto& section :
             db().selectChildSectionsInCodes(own->bookId, language(), parentCode, *own->sectionCodes))
            adopt(item, makeSection(section, *own));
    });
}

void FavoritesByBooksModel::onFavoritesAdded(const FavoriteConstArray&)
{
    qDebug("FavoritesByBooksModel::onFavoritesAdded");
    clear();
}

void FavoritesByBooksModel::onFavoritesDeleted(const FavoriteConstArray& favorites)
{
    qDebug("FavoritesByBooksModel::onFavoritesDeleted");
    try {
        prune(favorites);
    } catch (const std::exception& e) {
        const QString message = QCoreApplication::translate("FavoritesByBooksModel",
                                                            "Ошибка при обновление каталога избранного: %1")
                                    .arg(QString::fromUtf8(e.what()));
        if (PageServices* services = PageServices::current())
            services->showError(message);
        else
            qCritical("%s", qUtf8Printable(message));
    }
}

void FavoritesByBooksModel::prune(const FavoriteConstArray& favorites)
{
    std::unordered_set<int> books;
    for (const auto& favorite : favorites) {
        if (favorite && favorite->language() == language())
            books.insert(favorite->bookId());
    }
    if (books.empty())
        return;
    readSets();

    // Counted, unloaded rows are recounted after the walk: the notices may
    // make a view load children, which must not happen under the walk.
    std::vector<std::pair<QPersistentModelIndex, TreeModelItemPtr>> counted;
    forEach([&](const ItemInfo& info) {
        auto* item = dynamic_cast<FavoritesByBooksItem*>(info.item.get());
        if (!item)
            return;
        if (item->type == C::Book && books.count(item->bookId) && item->sectionCodes) {
            if (m_favoriteBookIds.count(item->bookId))
                *item->sectionCodes = db().selectStartSectionCodesWithFavorites(item->bookId, language());
            else
                item->sectionCodes->clear();
        }
        if (item->countKnown() && !item->childrenLoaded())
            counted.emplace_back(info.index, info.item);
    });
    for (const auto& [index, item] : counted) {
        if (!index.isValid() || !item->countKnown() || item->childrenLoaded())
            continue;
        const int old = item->childCount;
        int count = 0;
        {
            const QuietCursor quiet(database());
            count = childCount(static_cast<const FavoritesByBooksItem&>(*item));
        }
        if (count > old) {
            qWarning("ERROR 0x846544FF");
        } else if (count < old) {
            // Unloaded rows are all alike: they go at the end, so a view that
            // reads the neighbours during the notice loads the children and
            // finds the rows it expects.
            beginRemoveRows(index, count, old - 1);
            item->childCount = count;
            endRemoveRows();
        }
    }

    removeIf([&](const ItemInfo& info) {
        const auto* item = dynamic_cast<const FavoritesByBooksItem*>(info.item.get());
        if (!item)
            throwInvalidType();
        switch (item->type) {
        case C::Category:
            return !item->category || !m_favoriteCategoryIds.count(item->category->id);
        case C::Book:
            return !m_favoriteBookIds.count(item->bookId);
        case C::Section:
            return !item->section || !item->sectionCodes || !item->sectionCodes->contains(item->section->code);
        default:
            throwInvalidType();
        }
    });
}
