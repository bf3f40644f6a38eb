#pragma once
// Common base of the catalogue and search result models: the tree model base
// under a meta-object of its own.

#include "models/TreeModelBase.h"

class TarnolixModelBase : public TreeModelBase
{
    Q_OBJECT

public:
    struct TarnolixModelItem : TreeModelItem
    {
    };

    TarnolixModelBase(std::shared_ptr<TarnolixDB> db, QObject* parent);
    explicit TarnolixModelBase(QObject* parent = nullptr);
};
