#pragma once
// The hits of one search as a checkable tree beside the results page: books
// with their sections for the full-text and word-by-word pages, a flat list
// of glossaries for the glossary page. Unchecking a row hides its hits on
// the page: the page logic asks the model for the hit numbers of the branch
// and hands them to the page kind; a page shown again gets its check states
// back from the page kind's hidden set. GUI thread only.

#include "core/BookRecords.h"
#include "core/TarnolixConstants.h"
#include "models/TarnolixModelBase.h"
#include "models/TreeViewProxyModel.h"

#include <QVariantList>

#include <cstdint>
#include <memory>

class SearchPageAccess;

namespace tarnolix {
class SRBook;
class SRSection;
class SearchResults2;
struct SRGlossary;
} // namespace tarnolix

class SearchResultsModel : public TarnolixModelBase
{
    Q_OBJECT

public:
    enum Role {
        TypeRole = Qt::UserRole, // the item's CatalogItemType
        IsBookRole,
        GetIndexRole, // the item's own index
        IdRole,       // book id, section code or glossary id
        DisplayTextRole,
        FreqRole,     // hits in the branch
        LanguageRole, // language id of the book or of the search
    };
    Q_ENUM(Role)

    struct Item : TarnolixModelItem
    {
        explicit Item(TarnolixConstants::CatalogItemType itemType)
            : type(itemType)
        {
        }
        const TarnolixConstants::CatalogItemType type;
    };

    explicit SearchResultsModel(QObject* parent = nullptr);
    ~SearchResultsModel() override;

    // The id of the results shown; 0 when there are none.
    Q_INVOKABLE int getSearchResultsId() const;
    // Shows the current results of the search page kind, rebuilding every row.
    Q_INVOKABLE void setSearchResults(QObject* searchPageStatus);
    // The hit numbers below a source index (the branch's sections loaded first).
    Q_INVOKABLE QVariantList getBranchIds(const QModelIndex& index);
    QHash<int, QByteArray> roleNames() const override;

    // The branch-ids hook: the hit numbers of the item's branch.
    virtual QVariantList branchIds(const TreeModelItemPtr& item) const = 0;

protected:
    const std::shared_ptr<tarnolix::SearchResults2>& searchResults() const { return m_searchResults; }
    // Tells the reader on the GUI thread (or the log without application services).
    static void showError(const QString& message);

private:
    std::shared_ptr<tarnolix::SearchResults2> m_searchResults;
};

class BooksSearchResultsModel : public SearchResultsModel
{
    Q_OBJECT

public:
    struct BookItem : Item
    {
        explicit BookItem(std::shared_ptr<tarnolix::SRBook> srBook);
        const std::shared_ptr<tarnolix::SRBook> book;
    };
    struct SectionItem : Item
    {
        // A hit section: its row read through the section record.
        SectionItem(std::shared_ptr<tarnolix::SRBook> srBook, std::shared_ptr<tarnolix::SRSection> srSection);
        // A grouping section with no hits of its own.
        SectionItem(std::shared_ptr<tarnolix::SRBook> srBook, std::shared_ptr<BookSection> groupingSection);
        const std::shared_ptr<tarnolix::SRBook> book;
        const std::shared_ptr<tarnolix::SRSection> section; // null for a grouping section
        const std::shared_ptr<BookSection> bookSection;
        std::int32_t freq = 0; // hits in this section and every section below it
    };

    explicit BooksSearchResultsModel(QObject* parent = nullptr);
    ~BooksSearchResultsModel() override;

    // Checks every row, then unchecks (through the proxy showing this model)
    // the parents of the leaf sections whose hits the page kind has hidden,
    // and leaves the tree collapsed.
    Q_INVOKABLE void restoreCheckState(TreeViewProxyModel* proxyModel, QObject* searchPageStatus);

    bool hasChildren(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    using TreeModelBase::loadRootItems;
    void loadRootItems(std::vector<TreeModelItemPtr>& items) override;
    void loadChildCount(const TreeModelItemPtr& item) const override;
    void loadChildren(const TreeModelItemPtr& item) const override;
    QVariantList branchIds(const TreeModelItemPtr& item) const override;

private:
    // Builds a book's section tree at once: its hit sections under their
    // parent sections read from the library, ordered as in the book, with
    // the hits of each branch summed.
    void loadSections(const TreeModelItemPtr& item) const;
    void restoreHidden(TreeViewProxyModel& proxy, SearchPageAccess& page);
    static std::int32_t getSectionFreq(const TreeModelItemPtr& item);
};

class GlossarySearchResultsModel : public SearchResultsModel
{
    Q_OBJECT

public:
    struct GlossaryItem : Item
    {
        explicit GlossaryItem(std::shared_ptr<tarnolix::SRGlossary> hit);
        const std::shared_ptr<tarnolix::SRGlossary> glossary;
    };

    explicit GlossarySearchResultsModel(QObject* parent = nullptr);
    ~GlossarySearchResultsModel() override;

    // Checks every row; the page kind is not read.
    Q_INVOKABLE void restoreCheckState(TreeViewProxyModel* proxyModel, QObject* searchPageStatus);

    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    using TreeModelBase::loadRootItems;
    void loadRootItems(std::vector<TreeModelItemPtr>& items) override;
    void loadChildCount(const TreeModelItemPtr& item) const override;
    void loadChildren(const TreeModelItemPtr& item) const override;
    QVariantList branchIds(const TreeModelItemPtr& item) const override;
};
