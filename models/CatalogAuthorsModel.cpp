#include "models/CatalogAuthorsModel.h"

#include "core/Exception.h"
#include "database/TarnolixDB.h"

using C = TarnolixConstants;

namespace {

using Item = CatalogAuthorsModel::CatalogAuthorsItem;

const QString kAuthorRole = QStringLiteral("author");

std::shared_ptr<Item> authorItem(std::shared_ptr<const Person> person)
{
    auto item = std::make_shared<Item>();
    item->type = C::Author;
    item->author = std::move(person);
    return item;
}

} // namespace

CatalogAuthorsModel::CatalogAuthorsModel(QObject* parent)
    : CatalogLettersModel(parent)
{
}

CatalogAuthorsModel::~CatalogAuthorsModel() = default;

void CatalogAuthorsModel::loadRootItems(std::vector<TreeModelItemPtr>& items)
{
    guardRoots([&] {
        if (!searchMode()) {
            for (QChar letter : db().selectAuthorsFirstLetters(language(), kAuthorRole))
                items.push_back(Item::makeLetter<Item>(letter));
            return;
        }
        for (const auto& person :
             db().selectPersonsFromCatalogSearch(language(), TarnolixDB::CatalogSearchPerson, kAuthorRole))
            items.push_back(authorItem(person));
    });
}

void CatalogAuthorsModel::loadChildCount(const TreeModelItemPtr& treeItem) const
{
    guardCount(treeItem, [&] {
        const auto item = itemAs<Item>(treeItem);
        switch (item->type) {
        case C::Letter:
            if (searchMode())
                throw Exception("unknown error 0x77896519");
            return db().selectAuthorsCount(language(), kAuthorRole, item->letter);
        case C::Author:
            return db().selectBooksCountByAuthor(item->author->id, language());
        default:
            return countSections(*item);
        }
    });
}

void CatalogAuthorsModel::loadChildren(const TreeModelItemPtr& treeItem) const
{
    guardLoad(treeItem, [&] {
        const auto item = itemAs<Item>(treeItem);
        switch (item->type) {
        case C::Letter: {
            if (searchMode())
                throw Exception("unknown error 0x77896521");
            const auto persons = db().selectAuthors(language(), kAuthorRole, item->letter);
            treeItem->children.reserve(persons.size());
            for (const auto& person : persons)
                adopt(treeItem, authorItem(person));
            return;
        }
        case C::Author: {
            const auto books = db().selectBooksByAuthor(item->author->id, language());
            treeItem->children.reserve(books.size());
            for (const auto& book : books)
                adopt(treeItem, Item::makeBook<Item>(book));
            return;
        }
        default:
            loadSections<Item>(treeItem, *item);
            return;
        }
    });
}

QVariant CatalogAuthorsModel::data(const QModelIndex& index, int role) const
{
    if (role == GetIndexRole)
        return QVariant::fromValue(index);
    const auto item = catalogItem<Item>(index);
    if (!item)
        return {};
    if (item->type != C::Author)
        return letterItemData(*item, role);
    if (!item->author)
        return {};
    switch (role) {
    case TypeRole:
        return int(C::Author);
    case IsBookRole:
        return false;
    case IdRole:
        return item->author->id;
    case Qt::DisplayRole:
    case DisplayTextRole:
        return nameInLanguage(item->author->spiritualName);
    default:
        return {};
    }
}
