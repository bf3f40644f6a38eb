#pragma once
// The catalogue by subject: categories and subcategories, their books, and
// under each book its sections to any depth, read one level per request. In
// search mode the top level holds what the catalogue filter found. For a walk
// over the whole catalogue (the library update numbers every section) the
// model reads the catalogue up front instead, so the walk itself runs no
// statement.

#include "models/CatalogModelBase.h"

#include "core/CatalogRecords.h"

#include <QHash>
#include <QString>

#include <memory>
#include <unordered_map>
#include <vector>

class CatalogCategoriesModel : public CatalogModelBase
{
    Q_OBJECT

public:
    // A category, a book or a section, told apart by type.
    struct CatalogCategoriesItem : CatalogBookItem
    {
        std::shared_ptr<const Category> category; // for categories only
    };

    using BookList = std::vector<std::shared_ptr<BookInfo>>;
    using SectionList = std::vector<std::shared_ptr<BookSection>>;
    using CategoryList = std::vector<std::shared_ptr<Category>>;

    // The catalogue of one language, read when the roots are built.
    struct CatalogAllData
    {
        // Books of each category, in the order of a category's own listing.
        std::unordered_map<int, BookList> booksByCategory;
        // Sections of each book by parent code (empty for the top), in
        // [index], [left] order.
        std::unordered_map<int, QHash<QString, SectionList>> sectionsByBook;
        // Subcategories having books of each category reached from the roots,
        // in catalogue order: with them no node is read after the roots.
        std::unordered_map<int, CategoryList> subcategories;

        const BookList& books(int categoryId) const;
        const SectionList& sections(int bookId, const QString& parentCode) const;
        const CategoryList& children(int categoryId) const;

        const BookList noBooks;
        const SectionList noSections;
        const CategoryList noCategories;
    };

    CatalogCategoriesModel(std::shared_ptr<TarnolixDB> db, QObject* parent);
    explicit CatalogCategoriesModel(QObject* parent = nullptr);
    ~CatalogCategoriesModel() override;

    // Takes effect at the next reload.
    void setLoadAllData(bool loadAll) { m_loadAllData = loadAll; }
    bool loadAllData() const { return m_loadAllData; }

    TarnolixConstants::CatalogTab catalogTab() const override { return TarnolixConstants::Categories; }
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    using TreeModelBase::loadRootItems;
    void loadRootItems(std::vector<TreeModelItemPtr>& items) override;
    void loadChildCount(const TreeModelItemPtr& item) const override;
    void loadChildren(const TreeModelItemPtr& item) const override;

private:
    void readBooksAndSections(CatalogAllData& all) const;
    void readSubcategories(CatalogAllData& all, const std::vector<TreeModelItemPtr>& roots) const;
    const CatalogAllData& allData() const;
    // Each answers the preloaded list, or reads it into `read` and answers
    // that.
    const CategoryList& subcategories(int categoryId, CategoryList& read) const;
    int subcategoryCount(int categoryId) const;
    const BookList& books(int categoryId, BookList& read) const;
    int bookCount(int categoryId) const;
    const SectionList& sections(int bookId, const QString& parentCode, SectionList& read) const;
    int sectionCount(int bookId, const QString& parentCode) const;

    bool m_loadAllData = false;
    std::unique_ptr<CatalogAllData> m_allData;
};
