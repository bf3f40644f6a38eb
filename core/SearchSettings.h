#pragma once
// The common base of the search settings records: what to search, in which
// language, in which order. The families (full text, word by word,
// glossary, favorites) derive from it with the search library. Settings are
// shared as pointers to const and never changed once shared: a holder that
// needs other values makes a clone.

#include "core/TarnolixConstants.h"

#include <QMetaType>

#include <memory>

class SearchSettings;
using SearchSettingsPtr = std::shared_ptr<SearchSettings>;
using SearchSettingsConstPtr = std::shared_ptr<const SearchSettings>;

class SearchSettings
{
public:
    SearchSettings() = default;
    explicit SearchSettings(TarnolixConstants::Language language)
        : m_language(language)
    {
    }
    virtual ~SearchSettings();

    // The family; never InvalidSearchType.
    virtual TarnolixConstants::SearchType searchType() const = 0;

    // Copies this record into `target` and returns it. A family makes a new
    // record of its own class when `target` is empty, then calls this base
    // part, which throws Exception "clone must not be null" for an empty
    // target and copies the language and the sort.
    virtual SearchSettingsPtr clone(SearchSettingsPtr target = {}) const;

    // 0: the same search in the same order; 2: only the sort differs; 1:
    // another search (another family or language, or a family member). The
    // base part (which each family runs first, returning its 1 at once)
    // compares the family, the language and the sort.
    virtual int compare(const SearchSettingsConstPtr& other) const;

    TarnolixConstants::Language language() const { return m_language; }
    void setLanguage(TarnolixConstants::Language language) { m_language = language; }
    TarnolixConstants::SearchSort sort() const { return m_sort; }
    void setSort(TarnolixConstants::SearchSort sort) { m_sort = sort; }

protected:
    SearchSettings(const SearchSettings&) = default;
    SearchSettings& operator=(const SearchSettings&) = default;

private:
    TarnolixConstants::Language m_language = TarnolixConstants::InvalidLanguage;
    TarnolixConstants::SearchSort m_sort = TarnolixConstants::ByRelevance;
};

Q_DECLARE_METATYPE(SearchSettingsPtr)
Q_DECLARE_METATYPE(SearchSettingsConstPtr)
