#pragma once
// The glossary catalogues: "Glossaries" shows the glossary categories as a
// tree with their glossaries, "GlossariesNames" all glossaries under the
// first letters of their names. Both read the in-memory glossary tree of the
// glossary tree manager, and in filter mode its filter result, instead of
// querying the library.

#include "core/Glossary.h"
#include "models/CatalogModelBase.h"

#include <memory>

class CatalogGlossariesModel : public CatalogModelBase
{
    Q_OBJECT

public:
    struct CategoryItem : CatalogItem
    {
        std::shared_ptr<GlossaryCategory> category;
    };
    struct GlossaryItem : CatalogItem
    {
        std::shared_ptr<Glossary> glossary;
    };

    explicit CatalogGlossariesModel(QObject* parent = nullptr);
    ~CatalogGlossariesModel() override;

    TarnolixConstants::CatalogTab catalogTab() const override { return TarnolixConstants::Glossaries; }
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    using TreeModelBase::loadRootItems;
    // Normal mode: the root categories. Filter mode: the found categories
    // (each with its whole subtree), then the found glossaries.
    void loadRootItems(std::vector<TreeModelItemPtr>& items) override;
    void loadChildCount(const TreeModelItemPtr& item) const override;
    void loadChildren(const TreeModelItemPtr& item) const override;
};

class CatalogGlossariesNamesModel : public CatalogLettersModel
{
    Q_OBJECT

public:
    struct GlossariesLetterItem : LetterItem
    {
        GlossaryList glossaries;
    };
    struct GlossaryItem : CatalogItem
    {
        std::shared_ptr<Glossary> glossary;
    };

    explicit CatalogGlossariesNamesModel(QObject* parent = nullptr);
    ~CatalogGlossariesNamesModel() override;

    TarnolixConstants::CatalogTab catalogTab() const override { return TarnolixConstants::GlossariesNames; }
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    using TreeModelBase::loadRootItems;
    // Normal mode: one letter per first letter, in letter order. Filter
    // mode: the found glossaries only.
    void loadRootItems(std::vector<TreeModelItemPtr>& items) override;
    void loadChildCount(const TreeModelItemPtr& item) const override;
    void loadChildren(const TreeModelItemPtr& item) const override;
};
