#pragma once
// The catalogue items a search is limited to, as the full-text and
// word-by-word settings carry them: empty lists mean no limit.

#include <QStringList>

#include <vector>

namespace tarnolix {

class CatalogLimits
{
public:
    const std::vector<int>& categories() const { return m_categories; }
    void setCategories(std::vector<int> categories) { m_categories = std::move(categories); }
    const std::vector<int>& books() const { return m_books; }
    void setBooks(std::vector<int> books) { m_books = std::move(books); }
    const QStringList& sections() const { return m_sections; }
    void setSections(const QStringList& sections) { m_sections = sections; }

protected:
    // Element by element, lists of other lengths differing too.
    bool sameLimits(const CatalogLimits& other) const
    {
        return m_categories == other.m_categories && m_books == other.m_books && m_sections == other.m_sections;
    }

private:
    std::vector<int> m_categories;
    std::vector<int> m_books;
    QStringList m_sections;
};

} // namespace tarnolix
