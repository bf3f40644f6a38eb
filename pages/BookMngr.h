#pragma once
// The open book of an open-book page: its records, its sections in book
// order, the text of each section once read, a code-to-position map and the
// run of positions the page shows. Sections are handed out one at a time at
// either end of that run; every movement first checks that the book is still
// in the current library. Used on one thread with that thread's connection.

#include "core/BookRecords.h"
#include "core/TarnolixConstants.h"

#include <QHash>
#include <QString>

#include <memory>
#include <utility>
#include <vector>

class TarnolixDB;

// Position of a section code in a book, for items built outside the open
// book.
class BookMngrGetSectionIndex
{
public:
    virtual ~BookMngrGetSectionIndex();
    virtual quint64 sectionIndex(const QString& code) const = 0;
};

// Code-to-position index of one book edition, read once at construction.
class BookMngrSectionsIndexes : public BookMngrGetSectionIndex
{
public:
    BookMngrSectionsIndexes(const std::shared_ptr<TarnolixDB>& db, int bookId, TarnolixConstants::Language language);

    // Throws Exception for a code the book does not hold.
    quint64 sectionIndex(const QString& code) const override;
    // The codes in book order: the code at a position.
    const std::vector<QString>& codes() const { return m_codes; }

private:
    std::vector<QString> m_codes;
    QHash<QString, quint64> m_indexes;
};

class BookMngr
{
public:
    struct Item
    {
        std::shared_ptr<const BookSection> section;
        // Empty for a section without text.
        std::shared_ptr<BookPart> part;
        quint64 index = 0;
    };

    explicit BookMngr(std::shared_ptr<TarnolixDB> db);
    virtual ~BookMngr();
    BookMngr(const BookMngr&) = delete;
    BookMngr& operator=(const BookMngr&) = delete;

    // A failed read leaves the empty state and throws the database's error.
    void openBook(TarnolixConstants::Language language, int bookId);
    void clear();

    // Throws when no book is open or the book has left the library.
    void checkBookAvailable() const;
    // The same test as a value, for callers that only revalidate access.
    bool isBookAvailable() const;

    void resetPosition();
    void seek(const QString& code);
    std::shared_ptr<Item> nextSection();
    std::shared_ptr<Item> previousSection();
    // Reads the section's text on first use; the shown run is left as it is.
    std::shared_ptr<Item> itemAt(quint64 index);

    // No availability check.
    qint64 sectionIndexOf(const QString& code) const;
    std::shared_ptr<BookSection> sectionItemByKey(const QString& code) const;

    // An item for a section outside the open book: its position is the
    // stored index minus one, or the index's answer when none is stored.
    static std::shared_ptr<Item> createItem(const BookMngrGetSectionIndex& getSectionIndex,
                                            std::shared_ptr<const BookSection> section,
                                            std::shared_ptr<BookPart> part);

    const std::shared_ptr<TarnolixDB>& db() const { return m_db; }
    const std::shared_ptr<BookBase>& bookBase() const { return m_bookBase; }
    const std::shared_ptr<BookInfo>& bookInfo() const { return m_bookInfo; }
    const std::vector<std::shared_ptr<BookSection>>& sections() const { return m_sections; }
    int bookId() const;
    TarnolixConstants::Language language() const;

    quint64 firstShownIndex() const { return m_firstShown; }
    quint64 lastShownIndex() const { return m_lastShown; }
    void setFirstShownIndex(quint64 index) { m_firstShown = index; }
    void setLastShownIndex(quint64 index) { m_lastShown = index; }

protected:
    // The stored text of one section; null when the section has none.
    virtual std::shared_ptr<BookPart> readPart(const QString& code, TarnolixConstants::Language language);

private:
    // itemAt without the availability check, for callers that have just made it.
    std::shared_ptr<Item> loadedItem(quint64 index);

    std::shared_ptr<TarnolixDB> m_db;
    std::shared_ptr<BookBase> m_bookBase;
    std::shared_ptr<BookInfo> m_bookInfo;
    std::vector<std::shared_ptr<BookSection>> m_sections;
    std::vector<std::pair<std::shared_ptr<BookPart>, bool>> m_parts;
    QHash<QString, std::pair<quint64, std::shared_ptr<BookSection>>> m_codes;
    quint64 m_firstShown = 0;
    quint64 m_lastShown = quint64(-1);
};
