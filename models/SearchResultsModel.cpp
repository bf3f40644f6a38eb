#include "models/SearchResultsModel.h"

#include "core/Exception.h"
#include "core/Glossary.h"
#include "core/OverrideCursorGuard.h"
#include "database/TarnolixDB.h"
#include "models/SearchPageAccess.h"
#include "pages/PageServices.h"
#include "search/searchers/GlossarySearchResults.h"
#include "search/searchers/SearchRecords.h"

#include <QCoreApplication>

#include <algorithm>
#include <map>

using C = TarnolixConstants;
using tarnolix::SRBook;
using tarnolix::SRSection;

namespace {

// Views ask data() and flags() for every row they show: only the index's own
// fields are checked, not its place under its parents.
constexpr QAbstractItemModel::CheckIndexOptions kOwnIndex =
    QAbstractItemModel::CheckIndexOption::IndexIsValid | QAbstractItemModel::CheckIndexOption::DoNotUseParent;

constexpr Qt::ItemFlags kLeafFlags = Qt::ItemIsSelectable | Qt::ItemIsEnabled;
constexpr Qt::ItemFlags kCheckableFlags = kLeafFlags | Qt::ItemIsUserCheckable;

C::CatalogItemType typeOf(const TreeModelBase::TreeModelItemPtr& item)
{
    const auto* own = dynamic_cast<const SearchResultsModel::Item*>(item.get());
    return own ? own->type : C::InvalidCatalogItemType;
}

void forgetChildren(const TreeModelBase::TreeModelItemPtr& item)
{
    item->children.clear();
    item->childCount = 0;
    item->state &= ~(TreeModelBase::TreeModelItem::CountKnown | TreeModelBase::TreeModelItem::ChildrenLoaded);
}

// Orders the children of `item`, and of every item below it, as in the book.
void sortSections(const TreeModelBase::TreeModelItemPtr& item)
{
    using SectionItem = BooksSearchResultsModel::SectionItem;
    auto less = [](const TreeModelBase::TreeModelItemPtr& a, const TreeModelBase::TreeModelItemPtr& b) {
        const auto* left = dynamic_cast<const SectionItem*>(a.get());
        const auto* right = dynamic_cast<const SectionItem*>(b.get());
        if (!left || !right) {
            qWarning("BooksSearchResultsModel::processSections: Not section!");
            return typeOf(a) < typeOf(b);
        }
        return left->bookSection->index < right->bookSection->index;
    };
    std::stable_sort(item->children.begin(), item->children.end(), less);
    for (const auto& child : item->children) {
        if (!child->children.empty())
            sortSections(child);
    }
}

bool anyHitHidden(const SRBook& book, SearchPageAccess& page)
{
    for (const auto& section : book.sections()) {
        for (const auto& hit : section->items()) {
            if (page.isHidden(hit->id()))
                return true;
        }
    }
    return false;
}

} // namespace

// ---- SearchResultsModel

SearchResultsModel::SearchResultsModel(QObject* parent)
    : TarnolixModelBase(parent)
{
}

SearchResultsModel::~SearchResultsModel() = default;

int SearchResultsModel::getSearchResultsId() const
{
    return m_searchResults ? m_searchResults->id() : 0;
}

void SearchResultsModel::setSearchResults(QObject* searchPageStatus)
{
    const std::unique_ptr<SearchPageAccess> page = SearchPageAccess::of(searchPageStatus);
    if (!page) {
        // A programming error of the page logic; the tree stays as it is.
        qCritical("INVALID searchPageStatus (0x57789544)");
        return;
    }
    m_searchResults = page->searchResults();
    TreeModelBase::loadRootItems();
}

QVariantList SearchResultsModel::getBranchIds(const QModelIndex& index)
{
    try {
        const TreeModelItemPtr item = getItem(index);
        if (!item) {
            qWarning("BooksSearchResultsModel::getBranchIds: Invalid index");
            return {};
        }
        if (!item->childrenLoaded())
            loadChildren(item);
        return branchIds(item);
    } catch (const std::exception& e) {
        qWarning("SearchResultsModel::getBranchIds: %s", e.what());
        showError(QString::fromUtf8(e.what()));
        return {};
    }
}

QHash<int, QByteArray> SearchResultsModel::roleNames() const
{
    static const QHash<int, QByteArray> names{
        {TypeRole, "type"},          {IsBookRole, "isBook"}, {GetIndexRole, "getIndex"},     {IdRole, "id"},
        {DisplayTextRole, "display"}, {FreqRole, "freq"},     {LanguageRole, "language"},
    };
    return names;
}

void SearchResultsModel::showError(const QString& message)
{
    if (PageServices* services = PageServices::current()) {
        services->showError(message);
        return;
    }
    qCritical("%s", qUtf8Printable(message));
}

// ---- BooksSearchResultsModel

BooksSearchResultsModel::BookItem::BookItem(std::shared_ptr<SRBook> srBook)
    : Item(C::Book)
    , book(std::move(srBook))
{
}

BooksSearchResultsModel::SectionItem::SectionItem(std::shared_ptr<SRBook> srBook, std::shared_ptr<SRSection> srSection)
    : Item(C::Section)
    , book(std::move(srBook))
    , section(std::move(srSection))
    , bookSection(section->bookSection())
    , freq(section->freq())
{
}

BooksSearchResultsModel::SectionItem::SectionItem(std::shared_ptr<SRBook> srBook,
                                                  std::shared_ptr<BookSection> groupingSection)
    : Item(C::Section)
    , book(std::move(srBook))
    , bookSection(std::move(groupingSection))
{
}

BooksSearchResultsModel::BooksSearchResultsModel(QObject* parent)
    : SearchResultsModel(parent)
{
}

BooksSearchResultsModel::~BooksSearchResultsModel() = default;

void BooksSearchResultsModel::loadRootItems(std::vector<TreeModelItemPtr>& items)
{
    if (!searchResults()) {
        qWarning("BooksSearchResultsModel::loadRootItems: searchResults=0");
        return;
    }
    const auto results = std::dynamic_pointer_cast<tarnolix::BooksSearchResults>(searchResults());
    if (!results) {
        qWarning("BooksSearchResultsModel::loadRootItems: convert to BooksSearchResults failed");
        return;
    }
    items.reserve(results->books().size());
    for (const auto& book : results->books())
        items.push_back(std::make_shared<BookItem>(book));
}

void BooksSearchResultsModel::loadChildCount(const TreeModelItemPtr& item) const
{
    loadSections(item);
}

void BooksSearchResultsModel::loadChildren(const TreeModelItemPtr& item) const
{
    loadSections(item);
}

void BooksSearchResultsModel::loadSections(const TreeModelItemPtr& item) const
{
    const OverrideCursorGuard cursor(Qt::BusyCursor);
    const auto bookItem = std::dynamic_pointer_cast<BookItem>(item);
    if (!bookItem) {
        qCritical("BooksSearchResultsModel::loadSections: Item is not book!");
        return;
    }
    try {
        const C::Language language = bookItem->book->bookInfo()->language;
        item->children.clear();

        // A code's first item wins; the work list resolves each item's parent,
        // adding the parents the results do not list.
        std::map<QString, std::shared_ptr<SectionItem>> byCode;
        std::vector<std::shared_ptr<SectionItem>> work;
        for (const auto& srSection : bookItem->book->sections()) {
            auto section = std::make_shared<SectionItem>(bookItem->book, srSection);
            byCode.emplace(srSection->code(), section);
            work.push_back(std::move(section));
        }
        while (!work.empty()) {
            const std::shared_ptr<SectionItem> section = std::move(work.back());
            work.pop_back();
            const QString& parentCode = section->bookSection->parentCode;
            TreeModelItemPtr parent = item;
            if (!parentCode.isEmpty()) {
                auto found = byCode.find(parentCode);
                if (found == byCode.end()) {
                    if (!database())
                        throw Exception("The account library is not open");
                    auto grouping = std::make_shared<SectionItem>(
                        bookItem->book, database()->selectBookSection(parentCode, language).first);
                    found = byCode.emplace(parentCode, grouping).first;
                    work.push_back(std::move(grouping));
                }
                parent = found->second;
            }
            section->parent = parent;
            parent->children.push_back(section);
        }

        sortSections(item);
        std::int32_t total = 0;
        for (const auto& child : item->children)
            total += getSectionFreq(child);
        if (total != bookItem->book->freq())
            qWarning("BooksSearchResultsModel::loadSections: bookFreq != total sectionFreq");
        item->childCount = int(item->children.size());
        item->state |= TreeModelItem::CountKnown | TreeModelItem::ChildrenLoaded;
    } catch (const std::exception& e) {
        // Nothing is kept: the next access loads the book again.
        forgetChildren(item);
        qWarning("BooksSearchResultsModel::loadSections: %s", e.what());
        showError(QCoreApplication::translate("BooksSearchResultsModel", "Ошибка при загрузке результатов поиска: %1")
                      .arg(QString::fromUtf8(e.what())));
    }
}

std::int32_t BooksSearchResultsModel::getSectionFreq(const TreeModelItemPtr& item)
{
    const auto section = std::dynamic_pointer_cast<SectionItem>(item);
    if (!section)
        throw Exception("getSectionFreq: Not section");
    item->childCount = int(item->children.size());
    item->state |= TreeModelItem::CountKnown | TreeModelItem::ChildrenLoaded;
    section->freq = section->section ? section->section->freq() : 0;
    for (const auto& child : item->children)
        section->freq += getSectionFreq(child);
    return section->freq;
}

bool BooksSearchResultsModel::hasChildren(const QModelIndex& parent) const
{
    if (!parent.isValid())
        return TreeModelBase::rowCount() > 0;
    const TreeModelItemPtr item = getItem(parent, kOwnIndex);
    if (!item)
        return false;
    if (item->countKnown())
        return item->childCount > 0;
    if (const auto book = std::dynamic_pointer_cast<BookItem>(item))
        return !book->book->sections().empty();
    qCritical("BooksSearchResultsModel::hasChildren: Item is not book!");
    return item->childCount > 0;
}

QVariant BooksSearchResultsModel::data(const QModelIndex& index, int role) const
{
    if (role == GetIndexRole)
        return QVariant::fromValue(index);
    try {
        const TreeModelItemPtr item = getItem(index, kOwnIndex);
        if (const auto book = std::dynamic_pointer_cast<BookItem>(item)) {
            switch (role) {
            case TypeRole:
                return int(C::Book);
            case IsBookRole:
                return true;
            case IdRole:
                return book->book->bookInfo()->bookId;
            case Qt::DisplayRole:
            case DisplayTextRole:
                return book->book->bookInfo()->shortName;
            case FreqRole:
                return book->book->freq();
            case LanguageRole:
                return int(book->book->bookInfo()->language);
            default:
                return {};
            }
        }
        if (const auto section = std::dynamic_pointer_cast<SectionItem>(item)) {
            switch (role) {
            case TypeRole:
                return int(C::Section);
            case IsBookRole:
                return false;
            case IdRole:
                return section->bookSection->code;
            case Qt::DisplayRole:
            case DisplayTextRole:
                return section->bookSection->name;
            case FreqRole:
                return section->freq;
            case LanguageRole:
                return int(section->book->bookInfo()->language);
            default:
                return {};
            }
        }
    } catch (const std::exception& e) {
        qWarning("BooksSearchResultsModel::data: %s", e.what());
    }
    return {};
}

Qt::ItemFlags BooksSearchResultsModel::flags(const QModelIndex& index) const
{
    const TreeModelItemPtr item = getItem(index, kOwnIndex);
    if (const auto book = std::dynamic_pointer_cast<BookItem>(item))
        return book->book->sections().empty() ? kLeafFlags : kCheckableFlags;
    if (std::dynamic_pointer_cast<SectionItem>(item))
        return item->children.empty() ? kLeafFlags : kCheckableFlags;
    return Qt::NoItemFlags;
}

QVariantList BooksSearchResultsModel::branchIds(const TreeModelItemPtr& item) const
{
    QVariantList ids;
    std::vector<TreeModelItemPtr> stack{item};
    while (!stack.empty()) {
        const TreeModelItemPtr current = std::move(stack.back());
        stack.pop_back();
        const auto* section = dynamic_cast<const SectionItem*>(current.get());
        if (section && section->section) {
            for (const auto& hit : section->section->items())
                ids.append(int(hit->id()));
        }
        stack.insert(stack.end(), current->children.begin(), current->children.end());
    }
    return ids;
}

void BooksSearchResultsModel::restoreCheckState(TreeViewProxyModel* proxyModel, QObject* searchPageStatus)
{
    try {
        const std::unique_ptr<SearchPageAccess> page = SearchPageAccess::of(searchPageStatus);
        if (!page) {
            qCritical("INVALID searchPageStatus (0x57789545)");
            return;
        }
        if (!page->hasHiddenSet()) {
            qCritical("hiddenSearchResults is null (0x55789545)");
            return;
        }
        if (!page->searchResults()) {
            qCritical("searchResults is null (0x55789145)");
            return;
        }
        if (!proxyModel) {
            qCritical("BooksSearchResultsModel::restoreCheckState: no proxy model");
            return;
        }
        proxyModel->checkAll();
        if (page->noneHidden())
            return;
        // The proxy shows the books collapsed: one row each. Any other shape
        // is a programming error; the rows stay checked.
        if (rowCount() != proxyModel->rowCount()) {
            qCritical("ERROR 0x55789525");
            return;
        }
        restoreHidden(*proxyModel, *page);
    } catch (const std::exception& e) {
        qWarning("BooksSearchResultsModel::restoreCheckState: %s", e.what());
        showError(QString::fromUtf8(e.what()));
    }
}

void BooksSearchResultsModel::restoreHidden(TreeViewProxyModel& proxy, SearchPageAccess& page)
{
    const OverrideCursorGuard cursor(Qt::BusyCursor);
    std::vector<QModelIndex> work;
    for (int row = 0; row < rowCount(); ++row) {
        const QModelIndex bookIndex = index(row, 0);
        const auto book = std::dynamic_pointer_cast<BookItem>(getItem(bookIndex, kOwnIndex));
        if (book && anyHitHidden(*book->book, page))
            work.push_back(bookIndex);
    }

    // Per parent of leaf sections (the lowest checkable rows): its hits.
    struct Counters
    {
        int hidden = 0;
        int visible = 0;
    };
    std::map<QModelIndex, Counters> counters;
    bool anyHidden = false;
    while (!work.empty()) {
        const QModelIndex parentIndex = work.back();
        work.pop_back();
        const int rows = rowCount(parentIndex);
        for (int row = 0; row < rows; ++row) {
            const QModelIndex childIndex = index(row, 0, parentIndex);
            const TreeModelItemPtr child = getItem(childIndex, kOwnIndex);
            const auto* section = dynamic_cast<const SectionItem*>(child.get());
            if (!section || !section->children.empty()) {
                work.push_back(childIndex);
                continue;
            }
            Counters& count = counters[parentIndex];
            if (!section->section)
                continue;
            for (const auto& hit : section->section->items()) {
                if (page.isHidden(hit->id())) {
                    ++count.hidden;
                    anyHidden = true;
                } else {
                    ++count.visible;
                }
            }
        }
    }
    if (!anyHidden)
        return;

    for (const auto& [parentIndex, count] : counters) {
        if (count.hidden == 0)
            continue;
        if (count.visible > 0)
            qCritical("UNKNOWN ERROR (0x64886310)");
        std::vector<QModelIndex> path;
        for (QModelIndex current = parentIndex; current.isValid(); current = parent(current))
            path.push_back(current);
        for (auto it = path.rbegin(); it != path.rend(); ++it)
            proxy.expand(proxy.mapFromSource(*it));
        proxy.setCheckState(proxy.mapFromSource(parentIndex), Qt::Unchecked);
    }
    proxy.collapseAll();
}

// ---- GlossarySearchResultsModel

GlossarySearchResultsModel::GlossaryItem::GlossaryItem(std::shared_ptr<tarnolix::SRGlossary> hit)
    : Item(C::Glossary)
    , glossary(std::move(hit))
{
}

GlossarySearchResultsModel::GlossarySearchResultsModel(QObject* parent)
    : SearchResultsModel(parent)
{
}

GlossarySearchResultsModel::~GlossarySearchResultsModel() = default;

void GlossarySearchResultsModel::restoreCheckState(TreeViewProxyModel* proxyModel, QObject* searchPageStatus)
{
    Q_UNUSED(searchPageStatus)
    if (!proxyModel) {
        qCritical("GlossarySearchResultsModel::restoreCheckState: no proxy model");
        return;
    }
    proxyModel->checkAll();
}

void GlossarySearchResultsModel::loadRootItems(std::vector<TreeModelItemPtr>& items)
{
    if (!searchResults()) {
        qWarning("GlossarySearchResultsModel::loadRootItems: searchResults=0");
        return;
    }
    const auto results = std::dynamic_pointer_cast<tarnolix::GlossarySearchResults>(searchResults());
    if (searchResults()->searchType() != C::GlossarySearch || !results) {
        qWarning("GlossarySearchResultsModel::loadRootItems: Invalid mode");
        return;
    }
    items.reserve(results->glossaries().size());
    for (const auto& hit : results->glossaries())
        items.push_back(std::make_shared<GlossaryItem>(hit));
}

void GlossarySearchResultsModel::loadChildCount(const TreeModelItemPtr& item) const
{
    item->childCount = 0;
    item->state |= TreeModelItem::CountKnown;
}

void GlossarySearchResultsModel::loadChildren(const TreeModelItemPtr& item) const
{
    item->children.clear();
    item->childCount = 0;
    item->state |= TreeModelItem::CountKnown | TreeModelItem::ChildrenLoaded;
}

QVariant GlossarySearchResultsModel::data(const QModelIndex& index, int role) const
{
    if (role == GetIndexRole)
        return QVariant::fromValue(index);
    try {
        const auto item = std::dynamic_pointer_cast<GlossaryItem>(getItem(index, kOwnIndex));
        if (!item || !item->glossary || !item->glossary->glossary)
            return {};
        const Glossary& glossary = *item->glossary->glossary;
        switch (role) {
        case TypeRole:
            return int(C::Glossary);
        case IsBookRole:
            return false;
        case IdRole:
            return glossary.id;
        case Qt::DisplayRole:
        case DisplayTextRole:
            return glossary.name;
        case LanguageRole: {
            const auto& results = searchResults();
            if (!results || !results->status() || !results->status()->settings())
                return {};
            return int(results->status()->settings()->language());
        }
        default:
            return {};
        }
    } catch (const std::exception& e) {
        qWarning("GlossarySearchResultsModel::data: %s", e.what());
        return {};
    }
}

Qt::ItemFlags GlossarySearchResultsModel::flags(const QModelIndex& index) const
{
    return std::dynamic_pointer_cast<GlossaryItem>(getItem(index, kOwnIndex)) ? kCheckableFlags : Qt::NoItemFlags;
}

QVariantList GlossarySearchResultsModel::branchIds(const TreeModelItemPtr& item) const
{
    const auto* hit = dynamic_cast<const GlossaryItem*>(item.get());
    if (!hit || !hit->glossary || !hit->glossary->glossary)
        return {};
    return {glossaryKey(*hit->glossary->glossary)};
}
