#pragma once
// The "Names" catalogue: the books of the language under the first letters of
// their short names, each book's sections below it. In filter mode the roots
// are the books the catalogue filter found, without letters.

#include "models/CatalogModelBase.h"

class CatalogNamesModel : public CatalogLettersModel
{
    Q_OBJECT

public:
    explicit CatalogNamesModel(QObject* parent = nullptr);
    ~CatalogNamesModel() override;

    TarnolixConstants::CatalogTab catalogTab() const override { return TarnolixConstants::Names; }
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    using TreeModelBase::loadRootItems;
    void loadRootItems(std::vector<TreeModelItemPtr>& items) override;
    void loadChildCount(const TreeModelItemPtr& item) const override;
    void loadChildren(const TreeModelItemPtr& item) const override;
};
