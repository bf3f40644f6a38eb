#pragma once
// The "Authors" catalogue: the authors of the language under the first
// letters of their names, each author's books below the author and each
// book's sections below the book. In filter mode the roots are the authors the
// catalogue filter found, without letters.

#include "models/CatalogModelBase.h"

#include "core/CatalogRecords.h"

class CatalogAuthorsModel : public CatalogLettersModel
{
    Q_OBJECT

public:
    // A letter, an author, a book or a section.
    struct CatalogAuthorsItem : LetterItem
    {
        std::shared_ptr<const Person> author; // for authors only
    };

    explicit CatalogAuthorsModel(QObject* parent = nullptr);
    ~CatalogAuthorsModel() override;

    TarnolixConstants::CatalogTab catalogTab() const override { return TarnolixConstants::Authors; }
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    using TreeModelBase::loadRootItems;
    void loadRootItems(std::vector<TreeModelItemPtr>& items) override;
    void loadChildCount(const TreeModelItemPtr& item) const override;
    void loadChildren(const TreeModelItemPtr& item) const override;
};
