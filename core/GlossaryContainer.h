#pragma once
// The lookup form of a glossary tree: built once, then only read, so any
// number of threads may share it without a lock.

#include "core/Glossary.h"

#include <QHash>

#include <memory>
#include <vector>

class GlossaryContainer
{
public:
    explicit GlossaryContainer(const GlossaryTree& tree);

    // Null when the tree has no such category, or no such glossary in it.
    std::shared_ptr<GlossaryCategory> category(int categoryId) const;
    std::shared_ptr<Glossary> glossary(int categoryId, int glossaryId) const;
    // Every listing of one glossary id, one per category that holds it.
    GlossaryList glossaries(int glossaryId) const;

private:
    struct CategoryEntry
    {
        std::shared_ptr<GlossaryCategory> category;
        QHash<int, std::shared_ptr<Glossary>> glossaries;
    };

    QHash<int, CategoryEntry> m_categories;
    QHash<int, GlossaryList> m_glossaries;
};
