#pragma once
// The results of a glossary search: the glossaries of the glossary tree that
// explain the word found, each once, in the order the search met them, with
// the status of the run that made them.

#include "core/Glossary.h"
#include "search/searchers/SearchRecords.h"

#include <cstdint>
#include <memory>
#include <unordered_set>
#include <vector>

namespace tarnolix {

class GlossarySearchStatus : public SearchStatus
{
public:
    using SearchStatus::SearchStatus;

    TarnolixConstants::SearchType searchType() const override { return TarnolixConstants::GlossarySearch; }
};

// One glossary hit: the glossary (of the glossary tree) the word was found in.
struct SRGlossary
{
    std::shared_ptr<Glossary> glossary;
};

class GlossarySearchResults : public SearchResults2
{
public:
    // New, empty and registered.
    static std::shared_ptr<GlossarySearchResults> create(std::shared_ptr<SearchStatus> status);

    TarnolixConstants::SearchType searchType() const override { return TarnolixConstants::GlossarySearch; }

    const std::vector<std::shared_ptr<SRGlossary>>& glossaries() const { return m_glossaries; }
    // Appends the hit unless a hit of the same glossary id is listed already.
    void addGlossary(std::shared_ptr<SRGlossary> glossary);

private:
    GlossarySearchResults();

    std::vector<std::shared_ptr<SRGlossary>> m_glossaries;
    std::unordered_set<std::uint32_t> m_glossaryIds;
};

} // namespace tarnolix
