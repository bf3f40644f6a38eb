#pragma once
// The records of a word-by-word search, which looks for a word on the
// original side or the translation side of the word-by-word translations of
// verses: its settings, its status, and results of books, sections and hits
// with the distinct original words met.

#include "search/index/ScopeQueries.h"
#include "search/searchers/CatalogLimits.h"
#include "search/searchers/SearchRecords.h"

#include <memory>
#include <vector>

namespace tarnolix {

class WBWSearchSettings : public SearchSettings, public CatalogLimits
{
public:
    WBWSearchSettings() = default;
    explicit WBWSearchSettings(TarnolixConstants::Language language);

    TarnolixConstants::SearchType searchType() const override { return TarnolixConstants::WordByWord; }
    SearchSettingsPtr clone(SearchSettingsPtr target = {}) const override;
    // 1 also when a query text, the original choice or a limit list differ.
    int compare(const SearchSettingsConstPtr& other) const override;

    // The query when the original side is searched, else empty.
    const QString& originalQuery() const { return m_originalQuery; }
    void setOriginalQuery(const QString& query) { m_originalQuery = query; }
    // The query when the translation side is searched, else empty.
    const QString& translationQuery() const { return m_translationQuery; }
    void setTranslationQuery(const QString& query) { m_translationQuery = query; }
    // How a word of the original must match.
    TarnolixConstants::OriginalChoise originalChoise() const { return m_originalChoise; }
    void setOriginalChoise(TarnolixConstants::OriginalChoise choise) { m_originalChoise = choise; }

    // The limits as the scope queries take them (never one book).
    SearchScope scope() const;

private:
    QString m_originalQuery;
    QString m_translationQuery;
    TarnolixConstants::OriginalChoise m_originalChoise = TarnolixConstants::InvalidOriginalChoise;
};

class WBWSearchStatus : public SearchStatus
{
public:
    using SearchStatus::SearchStatus;

    TarnolixConstants::SearchType searchType() const override { return TarnolixConstants::WordByWord; }
};

// A translation-side word met in the hits, with its hits.
struct WBWSRTranslate
{
    explicit WBWSRTranslate(const QString& text)
        : text(text)
    {
    }

    QString text;
    std::vector<std::shared_ptr<SRItem>> items;
};

// An original-side word met in the hits, with its translations.
struct WBWSROrigin
{
    explicit WBWSROrigin(const QString& text)
        : text(text)
    {
    }

    QString text;
    std::vector<std::shared_ptr<WBWSRTranslate>> translations;
};

class WBWSearchResults : public BooksSearchResults
{
public:
    // New, empty and registered.
    static std::shared_ptr<WBWSearchResults> create(std::shared_ptr<SearchStatus> status);

    TarnolixConstants::SearchType searchType() const override { return TarnolixConstants::WordByWord; }

    // In the order the search met them.
    const std::vector<std::shared_ptr<WBWSROrigin>>& origins() const { return m_origins; }
    void addOrigin(std::shared_ptr<WBWSROrigin> origin) { m_origins.push_back(std::move(origin)); }

private:
    WBWSearchResults() = default;

    std::vector<std::shared_ptr<WBWSROrigin>> m_origins;
};

class WBWSRSection : public SRSection
{
public:
    using SRSection::SRSection;

    // A copy of the hits, in the order added.
    std::vector<std::shared_ptr<SRItem>> items() const override { return m_items; }
    void addItem(std::shared_ptr<SRItem> item) { m_items.push_back(std::move(item)); }

private:
    std::vector<std::shared_ptr<SRItem>> m_items;
};

class WBWSRItem : public SRItem
{
public:
    WBWSRItem(std::weak_ptr<SRSection> section, unsigned id, double score)
        : SRItem(id, std::move(section), score)
    {
    }

    TarnolixConstants::SearchType searchType() const override { return TarnolixConstants::WordByWord; }
};

} // namespace tarnolix
