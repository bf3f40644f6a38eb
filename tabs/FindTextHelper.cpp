#include "tabs/FindTextHelper.h"

#include "core/Exception.h"
#include "pages/BookMngr.h"
#include "search/searchers/SearchRecords.h"

#include <algorithm>

FindTextSection::FindTextSection(std::shared_ptr<tarnolix::SRSection> resultSection, quint32 position)
    : m_resultSection(std::move(resultSection))
    , m_position(position)
{
}

QString FindTextSection::code() const
{
    return m_resultSection->code();
}

void FindTextSection::setMarks(quint32 markCount, std::vector<std::vector<int>> markCountsPerHit)
{
    m_markCount = markCount;
    m_markCountsPerHit = std::move(markCountsPerHit);
}

quint32 FindTextSection::markIndexOf(quint32 part, quint32 hit) const
{
    if (part >= m_markCountsPerHit.size())
        throw Exception("ERROR 0x75386743");
    const std::vector<int>& counts = m_markCountsPerHit[part];
    if (hit >= counts.size())
        throw Exception("ERROR 0x75386744");
    quint32 index = 0;
    for (quint32 i = 0; i < hit; ++i)
        index += static_cast<quint32>(counts[i]);
    return index;
}

quint32 FindTextSection::sectionMarkIndexOf(quint32 paragraph, quint32 text) const
{
    const quint32 within = markIndexOf(paragraph, text);
    if (paragraph == 0 && text == 0)
        return 0;
    quint32 before = 0;
    quint32 inParagraphs = 0;
    for (std::size_t p = 0; p < m_markCountsPerHit.size(); ++p) {
        for (const int count : m_markCountsPerHit[p]) {
            inParagraphs += static_cast<quint32>(count);
            if (p < paragraph)
                before += static_cast<quint32>(count);
        }
    }
    const quint32 title = m_markCount > inParagraphs ? m_markCount - inParagraphs : 0;
    return title + before + within;
}

FindTextHelper::FindTextHelper(BookMngr* book, const std::shared_ptr<tarnolix::SRBook>& resultBook)
    : m_book(book)
    , m_bookId(resultBook->bookId())
{
    std::vector<std::shared_ptr<FindTextSection>> collected;
    for (const auto& resultSection : resultBook->sections()) {
        auto record = resultSection->cachedBookSection();
        if (!record) {
            record = m_book ? m_book->sectionItemByKey(resultSection->code()) : nullptr;
            if (!record)
                throw Exception("ERROR 0x78175912");
            resultSection->setBookSection(record);
        }
        auto section = std::make_shared<FindTextSection>(resultSection, static_cast<quint32>(record->index));
        m_sections.emplace(resultSection->code(), section);
        collected.push_back(std::move(section));
    }
    std::stable_sort(collected.begin(), collected.end(),
                     [](const auto& a, const auto& b) { return a->position() < b->position(); });
    for (size_t i = 1; i < collected.size(); ++i) {
        collected[i - 1]->m_next = collected[i];
        collected[i]->m_previous = collected[i - 1];
    }
}

FindTextHelper::FindTextHelper(BookMngr* book, quint32 bookId) : m_book(book), m_bookId(bookId) {}

std::shared_ptr<FindTextSection> FindTextHelper::getSection(const QString& code) const
{
    const auto it = m_sections.find(code);
    return it == m_sections.end() ? nullptr : it->second;
}

bool FindTextHelper::isValid() const
{
    return m_book && m_book->bookBase() && m_book->bookInfo() &&
           m_book->bookBase()->id == static_cast<int>(m_bookId) &&
           m_book->bookInfo()->bookId == static_cast<int>(m_bookId);
}

bool FindTextHelper::setPosition(const QString& code, quint32 markIndex, bool fromStart)
{
    const auto section = getSection(code);
    if (!section)
        return false;
    const quint32 count = section->markCount();
    if (!fromStart && count == 0 && markIndex != FindTextSection::kLastMark)
        return false;
    if (markIndex != FindTextSection::kLastMark && markIndex >= count)
        markIndex = fromStart ? 0 : count - 1;
    m_cursorMark = markIndex;
    m_cursorSection = section;
    return true;
}

bool FindTextHelper::seekFrom(const QString& code)
{
    if (setPosition(code, 0, true))
        return true;
    if (!m_book)
        return false;
    const qint64 start = m_book->sectionIndexOf(code);
    if (start < 0)
        return false;
    const auto& sections = m_book->sections();
    for (size_t i = static_cast<size_t>(start) + 1; i < sections.size(); ++i) {
        if (setPosition(sections[i]->code, 0, true))
            return true;
    }
    return false;
}

bool FindTextHelper::next()
{
    if (!m_cursorSection)
        return false;
    if (m_cursorMark != FindTextSection::kLastMark && m_cursorMark + 1 < m_cursorSection->markCount()) {
        ++m_cursorMark;
        return true;
    }
    if (const auto following = m_cursorSection->next()) {
        m_cursorSection = following;
        m_cursorMark = 0;
        return true;
    }
    return false;
}

bool FindTextHelper::previous()
{
    if (!m_cursorSection)
        return false;
    const quint32 count = m_cursorSection->markCount();
    if (m_cursorMark == FindTextSection::kLastMark && count >= 2) {
        m_cursorMark = count - 2;
        return true;
    }
    if (m_cursorMark >= 1 && m_cursorMark - 1 < count) {
        --m_cursorMark;
        return true;
    }
    if (const auto before = m_cursorSection->previous()) {
        m_cursorSection = before;
        m_cursorMark = before->markCount() - 1;
        return true;
    }
    return false;
}
