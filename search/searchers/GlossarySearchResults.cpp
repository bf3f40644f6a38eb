#include "search/searchers/GlossarySearchResults.h"

namespace tarnolix {

GlossarySearchResults::GlossarySearchResults()
    : m_glossaryIds(8)
{
    m_glossaryIds.max_load_factor(1.0f);
}

std::shared_ptr<GlossarySearchResults> GlossarySearchResults::create(std::shared_ptr<SearchStatus> status)
{
    std::shared_ptr<GlossarySearchResults> results(new GlossarySearchResults);
    registerResults(results, status);
    return results;
}

void GlossarySearchResults::addGlossary(std::shared_ptr<SRGlossary> glossary)
{
    if (!glossary || !glossary->glossary)
        return;
    if (m_glossaryIds.insert(std::uint32_t(glossary->glossary->id)).second)
        m_glossaries.push_back(std::move(glossary));
}

} // namespace tarnolix
