#include "models/CatalogNamesModel.h"

#include "core/Exception.h"
#include "database/TarnolixDB.h"

using C = TarnolixConstants;

CatalogNamesModel::CatalogNamesModel(QObject* parent)
    : CatalogLettersModel(parent)
{
}

CatalogNamesModel::~CatalogNamesModel() = default;

void CatalogNamesModel::loadRootItems(std::vector<TreeModelItemPtr>& items)
{
    guardRoots([&] {
        if (!searchMode()) {
            for (QChar letter : db().selectBooksFirstLetters(language()))
                items.push_back(LetterItem::makeLetter(letter));
            return;
        }
        for (const auto& book : db().selectBooksFromCatalogSearch(language(), nullptr))
            items.push_back(LetterItem::makeBook<LetterItem>(book));
    });
}

void CatalogNamesModel::loadChildCount(const TreeModelItemPtr& treeItem) const
{
    guardCount(treeItem, [&] {
        const auto item = itemAs<LetterItem>(treeItem);
        if (item->type != C::Letter)
            return countSections(*item);
        if (searchMode())
            throw Exception("error 0x88478965");
        return db().selectBooksCountByLetter(language(), item->letter);
    });
}

void CatalogNamesModel::loadChildren(const TreeModelItemPtr& treeItem) const
{
    guardLoad(treeItem, [&] {
        const auto item = itemAs<LetterItem>(treeItem);
        if (item->type != C::Letter) {
            loadSections<LetterItem>(treeItem, *item);
            return;
        }
        if (searchMode())
            throw Exception("error 0x88478966");
        const auto books = db().selectBooksByLetter(language(), item->letter);
        treeItem->children.reserve(books.size());
        for (const auto& book : books)
            adopt(treeItem, LetterItem::makeBook<LetterItem>(book));
    });
}

QVariant CatalogNamesModel::data(const QModelIndex& index, int role) const
{
    if (role == GetIndexRole)
        return QVariant::fromValue(index);
    const auto item = catalogItem<LetterItem>(index);
    return item ? letterItemData(*item, role) : QVariant();
}
