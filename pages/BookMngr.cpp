#include "pages/BookMngr.h"

#include "core/Exception.h"
#include "database/TarnolixDB.h"

#include <QCoreApplication>
#include <QSqlDatabase>

#include <stdexcept>

namespace {

QString trBookMngr(const char* text)
{
    return QCoreApplication::translate("BookMngr", text);
}

} // namespace

BookMngrGetSectionIndex::~BookMngrGetSectionIndex() = default;

BookMngrSectionsIndexes::BookMngrSectionsIndexes(const std::shared_ptr<TarnolixDB>& db, int bookId,
                                                 TarnolixConstants::Language language)
    : m_codes(db->selectBookSectionCodes(bookId, language))
{
    m_indexes.reserve(static_cast<int>(m_codes.size()));
    for (quint64 i = 0; i < m_codes.size(); ++i) {
        if (!m_indexes.contains(m_codes[i]))
            m_indexes.insert(m_codes[i], i);
    }
}

quint64 BookMngrSectionsIndexes::sectionIndex(const QString& code) const
{
    const auto it = m_indexes.constFind(code);
    if (it == m_indexes.constEnd())
        throw Exception(QStringLiteral("Section \"%1\" not found(Error 0x88454170)").arg(code));
    return it.value();
}

BookMngr::BookMngr(std::shared_ptr<TarnolixDB> db) : m_db(std::move(db)) {}

BookMngr::~BookMngr() = default;

void BookMngr::openBook(TarnolixConstants::Language language, int bookId)
{
    clear();
    // Held aside until all three reads succeed: a failure leaves no half-open book.
    auto base = m_db->selectBookBase(bookId);
    auto info = m_db->selectBookInfo(bookId, language);
    auto sections = m_db->selectBookSections(bookId, language);

    m_bookBase = std::move(base);
    m_bookInfo = std::move(info);
    m_sections = std::move(sections);
    m_parts.resize(m_sections.size());
    m_codes.reserve(static_cast<int>(m_sections.size()));
    for (quint64 i = 0; i < m_sections.size(); ++i) {
        const auto& section = m_sections[i];
        if (!m_codes.contains(section->code))
            m_codes.insert(section->code, {i, section});
    }
}

void BookMngr::clear()
{
    m_bookBase.reset();
    m_bookInfo.reset();
    m_sections.clear();
    m_parts.clear();
    m_codes.clear();
    m_firstShown = 0;
    m_lastShown = quint64(-1);
}

int BookMngr::bookId() const
{
    return m_bookBase ? m_bookBase->id : 0;
}

TarnolixConstants::Language BookMngr::language() const
{
    return m_bookInfo ? m_bookInfo->language : TarnolixConstants::InvalidLanguage;
}

bool BookMngr::isBookAvailable() const
{
    if (!m_bookBase || !m_bookInfo)
        return false;
    const int id = bookId();
    const int lang = static_cast<int>(language());
    if (id <= 0 || lang < 1 || lang > 3 || !m_db || !m_db->isOpen())
        return false;
    QSqlDatabase connection = m_db->sqlDatabase();
    if (!connection.isOpen() || connection.driverName() != QLatin1String("QSQLITE"))
        return false;
    // Asked on every movement through the book: the statement stays prepared
    // on the connection's own handle (dropped when it closes), is read in
    // place and reset after the read, so it never holds a snapshot.
    static const QString kSql[] = {
        QStringLiteral("SELECT 1 FROM BookBase AS base INNER JOIN BookInfo1 AS info ON info.id=base.id "
                       "WHERE base.id=? LIMIT 1"),
        QStringLiteral("SELECT 1 FROM BookBase AS base INNER JOIN BookInfo2 AS info ON info.id=base.id "
                       "WHERE base.id=? LIMIT 1"),
        QStringLiteral("SELECT 1 FROM BookBase AS base INNER JOIN BookInfo3 AS info ON info.id=base.id "
                       "WHERE base.id=? LIMIT 1"),
    };
    try {
        return m_db->readInPlace(kSql[lang - 1], QString::number(id),
                                 [](const SQLiteDatabase::InPlaceRow& row) { return row.found(); });
    } catch (const std::exception&) {
        return false;
    }
}

void BookMngr::checkBookAvailable() const
{
    if (!m_bookBase || !m_bookInfo)
        throw Exception(trBookMngr("Книга не открыта!"));
    if (!isBookAvailable())
        throw Exception(trBookMngr("Книга недоступна в текущей библиотеке."));
}

void BookMngr::resetPosition()
{
    checkBookAvailable();
    m_firstShown = 0;
    m_lastShown = quint64(-1);
}

void BookMngr::seek(const QString& code)
{
    checkBookAvailable();
    const auto it = m_codes.constFind(code);
    if (it == m_codes.constEnd())
        throw Exception(trBookMngr("Раздел книги не найдена"));
    m_firstShown = it->first;
    m_lastShown = it->first - 1;
}

std::shared_ptr<BookMngr::Item> BookMngr::nextSection()
{
    checkBookAvailable();
    const quint64 index = m_lastShown + 1;
    if (index >= m_sections.size())
        throw Exception("End of book!");
    m_lastShown = index;
    return loadedItem(index);
}

std::shared_ptr<BookMngr::Item> BookMngr::previousSection()
{
    checkBookAvailable();
    const quint64 index = m_firstShown - 1;
    if (index >= m_sections.size())
        throw Exception("End of book!");
    m_firstShown = index;
    return loadedItem(index);
}

std::shared_ptr<BookMngr::Item> BookMngr::itemAt(quint64 index)
{
    checkBookAvailable();
    return loadedItem(index);
}

std::shared_ptr<BookMngr::Item> BookMngr::loadedItem(quint64 index)
{
    if (index >= m_sections.size() || index >= m_parts.size())
        throw std::out_of_range("BookMngr::itemAt: position past the end");
    auto& [part, loaded] = m_parts[index];
    if (!loaded) {
        part = readPart(m_sections[index]->code, m_bookInfo->language);
        loaded = true;
    }
    auto item = std::make_shared<Item>();
    item->section = m_sections[index];
    item->part = part;
    item->index = index;
    return item;
}

std::shared_ptr<BookPart> BookMngr::readPart(const QString& code, TarnolixConstants::Language language)
{
    try {
        return m_db->selectBookPart(code, language);
    } catch (const DBNotFound&) {
        return nullptr; // a heading without text of its own
    }
}

qint64 BookMngr::sectionIndexOf(const QString& code) const
{
    const auto it = m_codes.constFind(code);
    return it == m_codes.constEnd() ? -1 : static_cast<qint64>(it->first);
}

std::shared_ptr<BookSection> BookMngr::sectionItemByKey(const QString& code) const
{
    const auto it = m_codes.constFind(code);
    return it == m_codes.constEnd() ? nullptr : it->second;
}

std::shared_ptr<BookMngr::Item> BookMngr::createItem(const BookMngrGetSectionIndex& getSectionIndex,
                                                     std::shared_ptr<const BookSection> section,
                                                     std::shared_ptr<BookPart> part)
{
    auto item = std::make_shared<Item>();
    item->index = section->index >= 1 ? static_cast<quint64>(section->index - 1)
                                      : getSectionIndex.sectionIndex(section->code);
    item->section = std::move(section);
    item->part = std::move(part);
    return item;
}
