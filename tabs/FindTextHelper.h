#pragma once
// The hits of one open book, for stepping from mark to mark across the book:
// one FindTextSection per section with hits, chained in book order, each
// knowing how many marks its highlighted rendering wrote and how many marks
// each hit produced; and a cursor (a section and a mark in it). GUI thread
// only.

#include <QString>

#include <map>
#include <memory>
#include <vector>

class BookMngr;
namespace tarnolix {
class SRBook;
class SRSection;
} // namespace tarnolix

class FindTextSection
{
public:
    // Stands for the last mark of a section, as the page script's index -1.
    static constexpr quint32 kLastMark = quint32(-1);

    FindTextSection(std::shared_ptr<tarnolix::SRSection> resultSection, quint32 position);

    QString code() const;
    const std::shared_ptr<tarnolix::SRSection>& resultSection() const { return m_resultSection; }
    quint32 position() const { return m_position; }

    std::shared_ptr<FindTextSection> previous() const { return m_previous.lock(); }
    const std::shared_ptr<FindTextSection>& next() const { return m_next; }

    quint32 markCount() const { return m_markCount; }
    const std::vector<std::vector<int>>& markCountsPerHit() const { return m_markCountsPerHit; }
    // Set by the highlighted rendering each time it builds the section: the
    // marks it wrote, and per part the marks of each hit in hit order.
    void setMarks(quint32 markCount, std::vector<std::vector<int>> markCountsPerHit);

    // Index of the first mark of a hit inside the section.
    quint32 markIndexOf(quint32 part, quint32 hit) const;
    // The same among all the section's marks, as the page counts them, for
    // the hit in text `text` of paragraph `paragraph`: the title's marks and
    // those of the paragraphs before come first. The first text's document
    // holds the title, so its hit starts at the section's first mark.
    quint32 sectionMarkIndexOf(quint32 paragraph, quint32 text) const;

private:
    friend class FindTextHelper;
    // Weak backwards so the chain holds no cycle.
    std::weak_ptr<FindTextSection> m_previous;
    std::shared_ptr<FindTextSection> m_next;
    std::shared_ptr<tarnolix::SRSection> m_resultSection;
    quint32 m_position = 0;
    quint32 m_markCount = 0;
    std::vector<std::vector<int>> m_markCountsPerHit;
};

class FindTextHelper
{
public:
    // The result book's sections; each needs a section record, cached in the
    // result section or taken from the open book.
    FindTextHelper(BookMngr* book, const std::shared_ptr<tarnolix::SRBook>& resultBook);
    // An empty index for a book without hits in the open language.
    FindTextHelper(BookMngr* book, quint32 bookId);

    quint32 bookId() const { return m_bookId; }
    std::shared_ptr<FindTextSection> getSection(const QString& code) const;
    // Whether the open book is still the one this index was built for.
    bool isValid() const;

    bool setPosition(const QString& code, quint32 markIndex, bool fromStart);
    // The cursor on the first section with hits at or after `code`.
    bool seekFrom(const QString& code);
    bool next();
    bool previous();

    const std::shared_ptr<FindTextSection>& cursorSection() const { return m_cursorSection; }
    quint32 cursorMark() const { return m_cursorMark; }

private:
    BookMngr* m_book;
    std::map<QString, std::shared_ptr<FindTextSection>> m_sections;
    std::shared_ptr<FindTextSection> m_cursorSection;
    quint32 m_cursorMark = 0;
    quint32 m_bookId = 0;
};
