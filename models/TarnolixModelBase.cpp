#include "models/TarnolixModelBase.h"

TarnolixModelBase::TarnolixModelBase(std::shared_ptr<TarnolixDB> db, QObject* parent)
    : TreeModelBase(std::move(db), parent)
{
}

TarnolixModelBase::TarnolixModelBase(QObject* parent)
    : TreeModelBase(parent)
{
}
