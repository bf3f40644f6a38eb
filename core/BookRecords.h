#pragma once
// The library's book records: made once by their reader (database, book
// archive, server JSON), then handed on as shared pointers and never changed.
// Also the stored byte forms of a section's paragraphs and of a download-file
// entry (QDataStream, version Qt_5_12, big-endian).

#include "core/TarnolixConstants.h"

#include <QDataStream>
#include <QMap>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

class QJsonObject;

// A book's place in the catalogue (reference data).
struct BookBase
{
    int id = 0;
    int archiBookId = 0;
    bool isArticle = false;
    QString slug;
    QString name;
    QString cover;
    std::vector<int> authors;
    std::vector<int> commentators;
    std::vector<int> categories;
    std::vector<TarnolixConstants::Language> languages;
    std::vector<int> relatedBooks;
    std::vector<int> otherPublications;
};

// A book's description in one language.
struct BookInfo
{
    // A file offered for download with the book.
    struct DownloadFile
    {
        QString file;
        QString name;
        QString extension;
        int size = 0;
        int order = 0;
    };

    int bookId = 0;
    TarnolixConstants::Language language = TarnolixConstants::InvalidLanguage;
    QString name;
    QString shortName;
    QString searchMacrosSection;
    QString cover;
    QString annotation;
    int parentTranslatorId = 0;
    int translatorId = 0;
    int editorId = 0;
    int publisherId = 0;
    int publishingYear = 0;
    QString ISBN;
    int pagesCount = 0;
    int bookCopies = 0;
    std::vector<DownloadFile> downloadFiles;
};

std::shared_ptr<BookInfo> makeBookInfo();

// One node of a book's table of contents (nested sets within the book).
struct BookSection
{
    QString code;
    QString parentCode;
    int left = 0;
    int right = 0;
    int depth = 0;
    int index = 0;
    QString slug;
    QString name;
    int numberCodeSection = 0;
    int numberCodeChapter = 0;
    int numberCodePoem = 0;
    int numberOtherPoems = 0;
    QString title;
};

// One paragraph of a section: its kind (paragraph-kind code), the attributes
// of its source element and its text in consecutive pieces.
struct BookEntity
{
    BookEntity() = default;
    explicit BookEntity(quint8 kind);
    BookEntity(quint8 kind, const QMap<QString, QString>& attributes, QStringList&& texts);

    quint8 kind = 0;
    QMap<QString, QString> attributes;
    QStringList texts;
};

// The text of one section.
struct BookPart
{
    QString sectionCode;
    QString title;
    std::vector<std::shared_ptr<BookEntity>> entities;
};

// One downloaded book: its description, sections and parts.
struct Book
{
    std::shared_ptr<BookInfo> info;
    std::vector<std::shared_ptr<BookSection>> sections;
    std::vector<std::shared_ptr<BookPart>> parts;
};

// An entry of the server's books list.
struct BookName
{
    int id = 0;
    QString name;
};

// The paragraph's whole text, and its length in UTF-16 code units.
QString joinStrings(const BookEntity& entity);
int textLength(const BookEntity& entity);

// The paragraph-kind code of a source element name; 0 for an unknown name.
quint8 paragraphKindFromName(const QString& name);

// The section's verse number as text: its non-zero components joined by "."
// (2, 0, 7 gives "2.7"); empty when all three are 0.
QString sectionCodeToString(const BookSection& section);

// The one candidate that corresponds to `section` (same chapter, a verse
// range holding the section's first verse; by slug when the section has no
// readable number). Null when none or more than one correspond.
std::shared_ptr<BookSection> findMatchingSection(const BookSection& section,
                                                 const std::vector<std::shared_ptr<BookSection>>& candidates);

// Paragraph: kind as one signed byte, the attribute count and (key, value)
// pairs in ascending key order, the text count and the texts.
void writeBookEntity(QDataStream& out, const BookEntity& entity);
// Makes a new entity and reads it. Never throws: a damaged input leaves the
// stream status not Ok and the damaged container empty.
void readBookEntity(QDataStream& in, std::shared_ptr<BookEntity>& entity);

// Reads a whole paragraph list (a 32-bit count below `bound`, then the
// paragraphs as readBookEntity reads them) straight from memory, the way
// opening a section needs it: the same records as a Qt_5_12 QDataStream
// read, without a stream call per field. Bytes after the list are ignored.
// Damaged input (a count at or above its bound, a string of odd length,
// too few bytes) gives false and an empty list.
bool readBookEntities(const QByteArray& bytes, quint32 bound, std::vector<std::shared_ptr<BookEntity>>& entities);

// Download-file entry: three strings, then two 32-bit integers.
void writeDownloadFile(QDataStream& out, const BookInfo::DownloadFile& file);
void readDownloadFile(QDataStream& in, BookInfo::DownloadFile& file);

// Reads "id" and "name"; other keys are logged and skipped.
void bookNameFromJson(const QJsonObject& object, BookName& bookName);
