#include "models/CatalogGlossariesModel.h"

#include "core/Exception.h"
#include "models/GlossaryTreeMngr.h"

#include <algorithm>

using C = TarnolixConstants;

namespace {

GlossaryTreeMngr& manager()
{
    GlossaryTreeMngr* manager = GlossaryTreeMngr::current();
    if (!manager)
        throw Exception("The glossary tree manager is not available");
    return *manager;
}

// The filter result the roots of filter mode come from; `missing` when no
// filter has run since the last reset.
GlossaryTreeMngr::SearchResultPtr filterResult(const char* missing)
{
    GlossaryTreeMngr::SearchResultPtr result = manager().searchResult();
    if (!result)
        throw Exception(missing);
    return result;
}

template <typename Item>
std::shared_ptr<Item> glossaryItem(std::shared_ptr<Glossary> glossary)
{
    auto item = std::make_shared<Item>();
    item->type = C::Glossary;
    item->glossary = std::move(glossary);
    return item;
}

std::shared_ptr<CatalogGlossariesModel::CategoryItem> categoryItem(std::shared_ptr<GlossaryCategory> category)
{
    auto item = std::make_shared<CatalogGlossariesModel::CategoryItem>();
    item->type = C::Category;
    item->category = std::move(category);
    return item;
}

QVariant glossaryData(const Glossary& glossary, int role)
{
    switch (role) {
    case CatalogModelBase::TypeRole:
        return int(C::Glossary);
    case CatalogModelBase::IdRole:
        return glossary.id;
    case Qt::DisplayRole:
    case CatalogModelBase::DisplayTextRole:
        return glossary.name;
    case CatalogModelBase::BookIdRole:
        // The page of a glossary is opened under its category.
        if (const auto category = glossary.parent.lock())
            return category->id;
        return {};
    default:
        return {};
    }
}

QVariant categoryData(const GlossaryCategory& category, int role)
{
    switch (role) {
    case CatalogModelBase::TypeRole:
        return int(C::Category);
    case CatalogModelBase::IdRole:
        return category.id;
    case Qt::DisplayRole:
    case CatalogModelBase::DisplayTextRole:
        return category.name;
    default:
        return {};
    }
}

// The roles of a catalogue row that both glossary catalogues answer alike;
// `other` answers the rows that are not glossaries.
template <typename GlossaryItemT, typename Other>
QVariant glossaryCatalogueData(const QModelIndex& index, int role,
                               const std::shared_ptr<CatalogModelBase::CatalogItem>& item, Other&& other)
{
    if (role == CatalogModelBase::IsBookRole)
        return false;
    if (role == CatalogModelBase::GetIndexRole)
        return QVariant::fromValue(index);
    if (!item)
        return {};
    if (item->type == C::Glossary) {
        const auto glossary = std::dynamic_pointer_cast<GlossaryItemT>(item);
        return glossary && glossary->glossary ? glossaryData(*glossary->glossary, role) : QVariant();
    }
    return other();
}

} // namespace

// ---- CatalogGlossariesModel

CatalogGlossariesModel::CatalogGlossariesModel(QObject* parent)
    : CatalogModelBase(parent)
{
}

CatalogGlossariesModel::~CatalogGlossariesModel() = default;

void CatalogGlossariesModel::loadRootItems(std::vector<TreeModelItemPtr>& items)
{
    guardRoots([&] {
        const std::shared_ptr<const GlossaryTree> tree = manager().glossaryTree();
        setTotalCount(tree->glossariesCount);
        if (searchMode()) {
            const auto result = filterResult("ERROR 0x55781465");
            items.reserve(result->categories.size() + result->glossaries.size());
            for (const auto& category : result->categories)
                items.push_back(categoryItem(category));
            for (const auto& glossary : result->glossaries)
                items.push_back(glossaryItem<GlossaryItem>(glossary));
            return;
        }
        items.reserve(tree->categories.size());
        for (const auto& category : tree->categories)
            items.push_back(categoryItem(category));
    });
}

void CatalogGlossariesModel::loadChildCount(const TreeModelItemPtr& treeItem) const
{
    guardCount(treeItem, [&] {
        const auto item = itemAs<CatalogItem>(treeItem);
        switch (item->type) {
        case C::Category: {
            const GlossaryCategory& category = *itemAs<CategoryItem>(treeItem)->category;
            return int(category.categories.size() + category.glossaries.size());
        }
        case C::Glossary:
            return 0;
        default:
            throwInvalidType();
        }
    });
}

void CatalogGlossariesModel::loadChildren(const TreeModelItemPtr& treeItem) const
{
    guardLoad(treeItem, [&] {
        const auto item = itemAs<CatalogItem>(treeItem);
        switch (item->type) {
        case C::Category: {
            const GlossaryCategory& category = *itemAs<CategoryItem>(treeItem)->category;
            treeItem->children.reserve(category.categories.size() + category.glossaries.size());
            for (const auto& child : category.categories)
                adopt(treeItem, categoryItem(child));
            for (const auto& glossary : category.glossaries)
                adopt(treeItem, glossaryItem<GlossaryItem>(glossary));
            return;
        }
        case C::Glossary:
            return;
        default:
            throwInvalidType();
        }
    });
}

QVariant CatalogGlossariesModel::data(const QModelIndex& index, int role) const
{
    const bool ownRole = role != IsBookRole && role != GetIndexRole;
    const auto item = ownRole ? catalogItem(index) : nullptr;
    return glossaryCatalogueData<GlossaryItem>(index, role, item, [&] {
        const auto category = std::dynamic_pointer_cast<CategoryItem>(item);
        return category && category->category ? categoryData(*category->category, role) : QVariant();
    });
}

// ---- CatalogGlossariesNamesModel

CatalogGlossariesNamesModel::CatalogGlossariesNamesModel(QObject* parent)
    : CatalogLettersModel(parent)
{
}

CatalogGlossariesNamesModel::~CatalogGlossariesNamesModel() = default;

void CatalogGlossariesNamesModel::loadRootItems(std::vector<TreeModelItemPtr>& items)
{
    guardRoots([&] {
        const std::shared_ptr<const GlossaryTree> tree = manager().glossaryTree();
        setTotalCount(tree->glossariesCount);
        if (searchMode()) {
            const auto result = filterResult("ERROR 0x55611465");
            items.reserve(result->glossaries.size());
            for (const auto& glossary : result->glossaries)
                items.push_back(glossaryItem<GlossaryItem>(glossary));
            return;
        }
        if (tree->categories.empty())
            return;
        for (auto& [letter, glossaries] : groupByFirstLetter(*tree)) {
            // By search key within the letter; the tree's order among equal keys.
            std::stable_sort(glossaries.begin(), glossaries.end(),
                             [](const auto& a, const auto& b) { return a->searchName < b->searchName; });
            auto item = LetterItem::makeLetter<GlossariesLetterItem>(letter);
            item->glossaries = std::move(glossaries);
            items.push_back(std::move(item));
        }
    });
}

void CatalogGlossariesNamesModel::loadChildCount(const TreeModelItemPtr& treeItem) const
{
    guardCount(treeItem, [&] {
        const auto item = itemAs<CatalogItem>(treeItem);
        switch (item->type) {
        case C::Letter:
            return int(itemAs<GlossariesLetterItem>(treeItem)->glossaries.size());
        case C::Glossary:
            return 0;
        default:
            throwInvalidType();
        }
    });
}

void CatalogGlossariesNamesModel::loadChildren(const TreeModelItemPtr& treeItem) const
{
    guardLoad(treeItem, [&] {
        const auto item = itemAs<CatalogItem>(treeItem);
        switch (item->type) {
        case C::Letter: {
            const GlossaryList& glossaries = itemAs<GlossariesLetterItem>(treeItem)->glossaries;
            treeItem->children.reserve(glossaries.size());
            for (const auto& glossary : glossaries)
                adopt(treeItem, glossaryItem<GlossaryItem>(glossary));
            return;
        }
        case C::Glossary:
            return;
        default:
            throwInvalidType();
        }
    });
}

QVariant CatalogGlossariesNamesModel::data(const QModelIndex& index, int role) const
{
    const bool ownRole = role != IsBookRole && role != GetIndexRole;
    const auto item = ownRole ? catalogItem(index) : nullptr;
    return glossaryCatalogueData<GlossaryItem>(index, role, item, [&] {
        const auto letter = std::dynamic_pointer_cast<GlossariesLetterItem>(item);
        return letter ? letterItemData(*letter, role) : QVariant();
    });
}
