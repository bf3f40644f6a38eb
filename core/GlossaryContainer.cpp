#include "core/GlossaryContainer.h"

GlossaryContainer::GlossaryContainer(const GlossaryTree& tree)
{
    walkGlossaryTree(tree, [this](const std::shared_ptr<GlossaryCategory>& category) {
        CategoryEntry& entry = m_categories[category->id];
        entry.category = category;
        for (const auto& glossary : category->glossaries) {
            if (!glossary)
                continue;
            entry.glossaries.insert(glossary->id, glossary);
            m_glossaries[glossary->id].push_back(glossary);
        }
    });
}

std::shared_ptr<GlossaryCategory> GlossaryContainer::category(int categoryId) const
{
    return m_categories.value(categoryId).category;
}

std::shared_ptr<Glossary> GlossaryContainer::glossary(int categoryId, int glossaryId) const
{
    const auto it = m_categories.constFind(categoryId);
    return it == m_categories.constEnd() ? nullptr : it->glossaries.value(glossaryId);
}

GlossaryList GlossaryContainer::glossaries(int glossaryId) const
{
    return m_glossaries.value(glossaryId);
}
