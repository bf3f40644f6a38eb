#pragma once
// The settings of a glossary search: the word looked up and the glossary
// categories and glossaries it is limited to (empty lists: no limit).

#include "core/SearchSettings.h"

#include <QString>

#include <vector>

namespace tarnolix {

class GlossarySearchSettings : public SearchSettings
{
public:
    GlossarySearchSettings() = default;
    explicit GlossarySearchSettings(TarnolixConstants::Language language);

    TarnolixConstants::SearchType searchType() const override { return TarnolixConstants::GlossarySearch; }
    SearchSettingsPtr clone(SearchSettingsPtr target = {}) const override;
    // 1 also when the query (exactly) or a list (values or order) differ.
    int compare(const SearchSettingsConstPtr& other) const override;

    const QString& query() const { return m_query; }
    void setQuery(const QString& query) { m_query = query; }
    // Glossary category ids, in the order given.
    const std::vector<int>& categories() const { return m_categories; }
    void setCategories(std::vector<int> categories) { m_categories = std::move(categories); }
    // Glossary ids, in the order given.
    const std::vector<int>& glossaries() const { return m_glossaries; }
    void setGlossaries(std::vector<int> glossaries) { m_glossaries = std::move(glossaries); }

private:
    QString m_query;
    std::vector<int> m_categories;
    std::vector<int> m_glossaries;
};

} // namespace tarnolix
