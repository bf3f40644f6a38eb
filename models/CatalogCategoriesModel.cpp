#include "models/CatalogCategoriesModel.h"

#include "core/Exception.h"
#include "database/TarnolixDB.h"

using C = TarnolixConstants;

namespace {

using Item = CatalogCategoriesModel::CatalogCategoriesItem;

std::shared_ptr<Item> categoryItem(std::shared_ptr<const Category> category)
{
    auto item = std::make_shared<Item>();
    item->type = C::Category;
    item->category = std::move(category);
    return item;
}

} // namespace

// ---- CatalogAllData

const CatalogCategoriesModel::BookList& CatalogCategoriesModel::CatalogAllData::books(int categoryId) const
{
    const auto it = booksByCategory.find(categoryId);
    return it == booksByCategory.end() ? noBooks : it->second;
}

const CatalogCategoriesModel::SectionList& CatalogCategoriesModel::CatalogAllData::sections(
    int bookId, const QString& parentCode) const
{
    const auto book = sectionsByBook.find(bookId);
    if (book == sectionsByBook.end())
        return noSections;
    const auto it = book->second.constFind(parentCode);
    return it == book->second.constEnd() ? noSections : it.value();
}

const CatalogCategoriesModel::CategoryList& CatalogCategoriesModel::CatalogAllData::children(int categoryId) const
{
    const auto it = subcategories.find(categoryId);
    return it == subcategories.end() ? noCategories : it->second;
}

// ---- CatalogCategoriesModel

CatalogCategoriesModel::CatalogCategoriesModel(std::shared_ptr<TarnolixDB> db, QObject* parent)
    : CatalogModelBase(std::move(db), parent)
{
}

CatalogCategoriesModel::CatalogCategoriesModel(QObject* parent)
    : CatalogModelBase(parent)
{
}

CatalogCategoriesModel::~CatalogCategoriesModel() = default;

void CatalogCategoriesModel::loadRootItems(std::vector<TreeModelItemPtr>& items)
{
    m_allData.reset();
    guardRoots([&] {
        std::unique_ptr<CatalogAllData> all;
        if (m_loadAllData) {
            all = std::make_unique<CatalogAllData>();
            readBooksAndSections(*all);
        }
        const bool found = searchMode();
        for (const auto& category : db().selectCategoryNames(0, language(), true, found, true, nullptr))
            items.push_back(categoryItem(category));
        if (found) {
            for (const auto& book : db().selectBooksFromCatalogSearch(language(), nullptr))
                items.push_back(Item::makeBook<Item>(book));
        }
        if (all) {
            readSubcategories(*all, items);
            m_allData = std::move(all);
        }
    });
}

void CatalogCategoriesModel::readBooksAndSections(CatalogAllData& all) const
{
    all.booksByCategory = db().selectBooksWithCategories(language());
    for (auto& [bookId, sections] : db().selectAllSections(language())) {
        QHash<QString, SectionList>& byParent = all.sectionsByBook[bookId];
        for (auto& section : sections) {
            SectionList& siblings = byParent[section->parentCode];
            if (siblings.empty())
                siblings.reserve(16); // most levels in one go
            siblings.push_back(std::move(section));
        }
    }
}

// Every category below the roots, level by level, with the same read the lazy
// path uses for one category, so the walk meets the same tree in the same order.
void CatalogCategoriesModel::readSubcategories(CatalogAllData& all, const std::vector<TreeModelItemPtr>& roots) const
{
    std::vector<int> pending;
    for (const TreeModelItemPtr& root : roots) {
        const auto item = std::static_pointer_cast<Item>(root);
        if (item->type == C::Category)
            pending.push_back(item->category->id);
    }
    while (!pending.empty()) {
        const int id = pending.back();
        pending.pop_back();
        if (all.subcategories.count(id))
            continue;
        CategoryList& children = all.subcategories[id];
        children = db().selectCategoryNames(id, language(), true, false, true, nullptr);
        for (const auto& child : children)
            pending.push_back(child->id);
    }
}

const CatalogCategoriesModel::CatalogAllData& CatalogCategoriesModel::allData() const
{
    if (!m_allData)
        throw Exception("m_loadAllData=0");
    return *m_allData;
}

const CatalogCategoriesModel::CategoryList& CatalogCategoriesModel::subcategories(int categoryId,
                                                                                 CategoryList& read) const
{
    if (m_loadAllData)
        return allData().children(categoryId);
    return read = db().selectCategoryNames(categoryId, language(), true, false, true, nullptr);
}

int CatalogCategoriesModel::subcategoryCount(int categoryId) const
{
    if (m_loadAllData)
        return int(allData().children(categoryId).size());
    return db().selectCategoriesCount(categoryId, language(), true, nullptr);
}

const CatalogCategoriesModel::BookList& CatalogCategoriesModel::books(int categoryId, BookList& read) const
{
    if (m_loadAllData)
        return allData().books(categoryId);
    return read = db().selectBooksByCategory(categoryId, language(), nullptr);
}

int CatalogCategoriesModel::bookCount(int categoryId) const
{
    if (m_loadAllData)
        return int(allData().books(categoryId).size());
    return db().selectBooksCountByCategory(categoryId, language(), nullptr);
}

const CatalogCategoriesModel::SectionList& CatalogCategoriesModel::sections(int bookId, const QString& parentCode,
                                                                           SectionList& read) const
{
    if (m_loadAllData)
        return allData().sections(bookId, parentCode);
    return read = db().selectChildSections(bookId, language(), parentCode);
}

int CatalogCategoriesModel::sectionCount(int bookId, const QString& parentCode) const
{
    if (m_loadAllData)
        return int(allData().sections(bookId, parentCode).size());
    return db().selectChildSectionsCount(bookId, language(), parentCode);
}

void CatalogCategoriesModel::loadChildCount(const TreeModelItemPtr& treeItem) const
{
    guardCount(treeItem, [&] {
        const std::shared_ptr<Item> item = itemAs<Item>(treeItem);
        switch (item->type) {
        case C::Category:
            return subcategoryCount(item->category->id) + bookCount(item->category->id);
        case C::Book:
            return sectionCount(item->bookId, QString());
        case C::Section:
            return sectionCount(item->bookId, item->section->code);
        default:
            throwInvalidType();
        }
    });
}

void CatalogCategoriesModel::loadChildren(const TreeModelItemPtr& treeItem) const
{
    guardLoad(treeItem, [&] {
        const std::shared_ptr<Item> item = itemAs<Item>(treeItem);
        switch (item->type) {
        case C::Category: {
            CategoryList readCategories;
            BookList readBooks;
            const CategoryList& categories = subcategories(item->category->id, readCategories);
            const BookList& bookList = books(item->category->id, readBooks);
            treeItem->children.reserve(categories.size() + bookList.size());
            for (const auto& category : categories)
                adopt(treeItem, categoryItem(category));
            for (const auto& book : bookList)
                adopt(treeItem, Item::makeBook<Item>(book));
            return;
        }
        case C::Book:
        case C::Section: {
            SectionList read;
            const SectionList& sectionList =
                sections(item->bookId, item->type == C::Book ? QString() : item->section->code, read);
            treeItem->children.reserve(sectionList.size());
            for (const auto& section : sectionList)
                adopt(treeItem, Item::makeSection<Item>(section, item->bookId));
            return;
        }
        default:
            throwInvalidType();
        }
    });
}

QVariant CatalogCategoriesModel::data(const QModelIndex& index, int role) const
{
    if (role == GetIndexRole)
        return QVariant::fromValue(index);
    const auto item = catalogItem<Item>(index);
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
    case IdRole:
        if (category)
            return item->category->id;
        return book ? QVariant(item->bookId) : QVariant(item->section->code);
    case Qt::DisplayRole:
    case DisplayTextRole:
        if (category)
            return nameInLanguage(item->category->names);
        return book ? item->book->shortName : item->section->name;
    case BookIdRole:
        return category ? QVariant() : QVariant(item->bookId);
    default:
        return {};
    }
}
