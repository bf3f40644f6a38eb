#pragma once
// Readers of a book archive's two XML documents: the book base
// ("base.xml") and one edition per language ("book_<code>.xml").

#include "core/BookRecords.h"
#include "core/TarnolixConstants.h"
#include "core/WordByWordDataForIndex.h"
#include "updates/WordByWordParser.h"
#include "updates/XMLParser.h"

#include <memory>
#include <utility>
#include <vector>

class BookBaseParser : public XMLParser
{
public:
    using XMLParser::XMLParser;

    // A root other than "data" gives a default BookBase (after the warning
    // "Invalid format"). A malformed document or an "id" that is not an
    // integer throws the parse error.
    std::shared_ptr<BookBase> parse();

private:
    void readField(BookBase& base);
};

class BookParser : public XMLParser
{
public:
    // `language` is the edition's language as the archive entry names it;
    // `bookId` the book the archive is for (0 when not known).
    BookParser(TarnolixConstants::Language language, const QByteArray& data, int bookId);

    // The edition, and the word pairs of its word-by-word paragraphs. A
    // malformed document throws the parse error.
    std::pair<std::shared_ptr<Book>, std::shared_ptr<WordByWordDataForIndex>> parse();

    // Paragraphs longer than this are cut at a "<p>" further on.
    static constexpr int chunkLength = 500;
    // Cuts a paragraph's text into pieces at "<p>": every piece but the last
    // is longer than chunkLength, every piece after the first begins with
    // "<p>". An empty text gives one empty piece.
    static QStringList splitIntoChunks(const QString& text);

private:
    void readProperties(BookInfo& info);
    void readDownloadFiles(BookInfo& info);
    void readContent(Book& book, WordByWordDataForIndex& wordByWord);
    void readSections(Book& book);
    void readSection(Book& book);
    void readParts(Book& book, WordByWordDataForIndex& wordByWord);
    void readPart(Book& book, WordByWordDataForIndex& wordByWord);
    std::shared_ptr<BookEntity> readEntity(quint8 kind, const BookPart& part, WordByWordDataForIndex::WordPairs& pairs);

    const TarnolixConstants::Language m_language;
    const int m_bookId;
    std::vector<std::unique_ptr<WordByWordParser>> m_wordByWordParsers;
    int m_sectionOrdinal = 0;
    bool m_brokenIndexReported = false;
};
