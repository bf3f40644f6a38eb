#include "updates/BookParser.h"

#include "core/HtmlEntities.h"

namespace {

constexpr quint8 wordByWordKind = 4;
const QString paragraphSeparator = QStringLiteral("<p>");

const XMLFieldTable<BookBase>& baseFields()
{
    static const XMLFieldTable<BookBase> table{
        {{QLatin1String("slug"), &BookBase::slug},
         {QLatin1String("name"), &BookBase::name},
         {QLatin1String("cover"), &BookBase::cover}},
        {{QLatin1String("archi_book_id"), &BookBase::archiBookId}}};
    return table;
}

const XMLFieldTable<BookInfo>& infoFields()
{
    static const XMLFieldTable<BookInfo> table{
        {{QLatin1String("name"), &BookInfo::name},
         {QLatin1String("short_name"), &BookInfo::shortName},
         {QLatin1String("cover"), &BookInfo::cover},
         {QLatin1String("ISBN"), &BookInfo::ISBN}},
        {{QLatin1String("parent_translator_id"), &BookInfo::parentTranslatorId},
         {QLatin1String("translator_id"), &BookInfo::translatorId},
         {QLatin1String("editor_id"), &BookInfo::editorId},
         {QLatin1String("publisher_id"), &BookInfo::publisherId},
         {QLatin1String("publishing_year"), &BookInfo::publishingYear},
         {QLatin1String("pages_count"), &BookInfo::pagesCount},
         {QLatin1String("book_copies"), &BookInfo::bookCopies}}};
    return table;
}

const XMLFieldTable<BookInfo::DownloadFile>& downloadFileFields()
{
    using File = BookInfo::DownloadFile;
    static const XMLFieldTable<File> table{
        {{QLatin1String("file"), &File::file},
         {QLatin1String("name"), &File::name},
         {QLatin1String("extension"), &File::extension}},
        {{QLatin1String("size"), &File::size}, {QLatin1String("order"), &File::order}}};
    return table;
}

const XMLFieldTable<BookSection>& sectionFields()
{
    static const XMLFieldTable<BookSection> table{
        {{QLatin1String("code"), &BookSection::code},
         {QLatin1String("parent_code"), &BookSection::parentCode},
         {QLatin1String("slug"), &BookSection::slug},
         {QLatin1String("name"), &BookSection::name},
         {QLatin1String("title"), &BookSection::title}},
        {{QLatin1String("left"), &BookSection::left},
         {QLatin1String("right"), &BookSection::right},
         {QLatin1String("depth"), &BookSection::depth},
         {QLatin1String("number_code_section"), &BookSection::numberCodeSection},
         {QLatin1String("number_code_chapter"), &BookSection::numberCodeChapter},
         {QLatin1String("number_code_poem"), &BookSection::numberCodePoem},
         {QLatin1String("number_other_poems"), &BookSection::numberOtherPoems}}};
    return table;
}

// Named and numeric character references decoded; the text itself when it
// holds none.
QString decodeReferences(const QString& text)
{
    QByteArray bytes = text.toUtf8();
    const std::size_t length = decodeHtmlEntities(bytes.data(), nullptr);
    if (length == std::size_t(bytes.size()))
        return text;
    return QString::fromUtf8(bytes.constData(), int(length));
}

} // namespace

std::shared_ptr<BookBase> BookBaseParser::parse()
{
    auto base = std::make_shared<BookBase>();
    if (readRoot()) {
        while (m_reader.readNextStartElement())
            readField(*base);
    }
    checkError();
    return base;
}

void BookBaseParser::readField(BookBase& base)
{
    if (atElement("id"))
        base.id = readInt(true);
    else if (atElement("is_article"))
        base.isArticle = readBool(false);
    else if (atElement("authors"))
        base.authors = readIntList(false);
    else if (atElement("commentators"))
        base.commentators = readIntList(false);
    else if (atElement("categories"))
        base.categories = readIntList(false);
    else if (atElement("languages"))
        base.languages = readLanguageList(false);
    else if (atElement("related_books"))
        base.relatedBooks = readIntList(false);
    else if (atElement("other_publications"))
        base.otherPublications = readIntList(false);
    else if (!readTableField(base, baseFields()))
        skipUnknownElement();
}

BookParser::BookParser(TarnolixConstants::Language language, const QByteArray& data, int bookId)
    : XMLParser(data), m_language(language), m_bookId(bookId), m_wordByWordParsers(makeWordByWordParsers(language))
{
}

std::pair<std::shared_ptr<Book>, std::shared_ptr<WordByWordDataForIndex>> BookParser::parse()
{
    auto book = std::make_shared<Book>();
    book->info = makeBookInfo();
    book->info->bookId = m_bookId;
    book->info->language = m_language;
    auto wordByWord = std::make_shared<WordByWordDataForIndex>(m_language);
    if (readRoot()) {
        while (m_reader.readNextStartElement()) {
            if (atElement("properties"))
                readProperties(*book->info);
            else if (atElement("content"))
                readContent(*book, *wordByWord);
            else
                skipUnknownElement();
        }
    }
    checkError();
    return {book, wordByWord};
}

void BookParser::readProperties(BookInfo& info)
{
    while (m_reader.readNextStartElement()) {
        if (atElement("language")) {
            // The archive entry's name decides the edition's language.
            const QString code = readPlainText();
            if (languageFromString(code) != m_language)
                qWarning("BookParser::readProperties: language \"%s\" differs from the edition's \"%s\" (bookId=%d); "
                         "ignored",
                         qUtf8Printable(code), qUtf8Printable(languageToString(m_language)), m_bookId);
        } else if (atElement("search_macros_section")) {
            info.searchMacrosSection = readText(false);
        } else if (atElement("annotation")) {
            info.annotation = readText(false);
        } else if (atElement("download_files")) {
            readDownloadFiles(info);
        } else if (!readTableField(info, infoFields())) {
            skipUnknownElement();
        }
    }
    checkError();
    if (info.shortName.isEmpty())
        info.shortName = info.name;
}

void BookParser::readDownloadFiles(BookInfo& info)
{
    readList("file", [&] {
        BookInfo::DownloadFile file;
        while (m_reader.readNextStartElement()) {
            if (!readTableField(file, downloadFileFields()))
                skipUnknownElement();
        }
        checkError();
        info.downloadFiles.push_back(file);
    });
}

void BookParser::readContent(Book& book, WordByWordDataForIndex& wordByWord)
{
    while (m_reader.readNextStartElement()) {
        if (atElement("sections"))
            readSections(book);
        else if (atElement("parts"))
            readParts(book, wordByWord);
        else
            skipUnknownElement();
    }
    checkError();
}

void BookParser::readSections(Book& book)
{
    m_sectionOrdinal = 0;
    m_brokenIndexReported = false;
    readList("section", [&] { readSection(book); });
}

void BookParser::readSection(Book& book)
{
    auto section = std::make_shared<BookSection>();
    bool hasChild = false;
    bool hasIndex = false;
    int receivedIndex = 0;
    while (m_reader.readNextStartElement()) {
        hasChild = true;
        if (atElement("index")) {
            hasIndex = true;
            receivedIndex = readInt(false);
        } else if (!readTableField(*section, sectionFields())) {
            skipUnknownElement();
        }
    }
    checkError();
    if (!hasChild) {
        qCritical("BookParser::readSection: section is empty (bookId=%d)", m_bookId);
        return;
    }
    section->index = ++m_sectionOrdinal;
    if (hasIndex && receivedIndex != section->index && !m_brokenIndexReported) {
        m_brokenIndexReported = true;
        qWarning("BookParser::readSection: индексы секций книги повреждены (bookId=%d sectionCode='%s' receivedIndex=%d "
                 "desiredIndex=%d)",
                 m_bookId, qUtf8Printable(section->code), receivedIndex, section->index);
    }
    book.sections.push_back(section);
}

void BookParser::readParts(Book& book, WordByWordDataForIndex& wordByWord)
{
    readList("part", [&] { readPart(book, wordByWord); });
}

void BookParser::readPart(Book& book, WordByWordDataForIndex& wordByWord)
{
    auto part = std::make_shared<BookPart>();
    WordByWordDataForIndex::WordPairs pairs;
    bool hasChild = false;
    while (m_reader.readNextStartElement()) {
        hasChild = true;
        if (atElement("section-code")) {
            part->sectionCode = readPlainText();
        } else if (atElement("title")) {
            part->title = readText(false);
        } else if (const quint8 kind = paragraphKindFromName(m_reader.name().toString())) {
            part->entities.push_back(readEntity(kind, *part, pairs));
        } else {
            skipUnknownElement();
        }
    }
    checkError();
    if (!hasChild)
        return;
    // Filed under the part's code once the whole part is read: its
    // "section-code" may follow the paragraphs.
    if (!pairs.empty())
        wordByWord.merge({{part->sectionCode, pairs}});
    book.parts.push_back(part);
}

std::shared_ptr<BookEntity> BookParser::readEntity(quint8 kind, const BookPart& part,
                                                   WordByWordDataForIndex::WordPairs& pairs)
{
    QMap<QString, QString> attributes;
    for (const QXmlStreamAttribute& attribute : m_reader.attributes()) {
        const QString name = attribute.qualifiedName().toString();
        if (!attributes.contains(name))
            attributes.insert(name, attribute.value().toString());
    }
    QString text = decodeReferences(readText(false));
    if (kind == wordByWordKind)
        processWordByWord(m_wordByWordParsers, part, m_bookId, text, pairs);
    return std::make_shared<BookEntity>(kind, attributes, splitIntoChunks(text));
}

QStringList BookParser::splitIntoChunks(const QString& text)
{
    QStringList chunks;
    int chunkStart = 0;
    int searchFrom = 0;
    for (;;) {
        const int found = text.indexOf(paragraphSeparator, searchFrom + paragraphSeparator.size());
        if (found < 0) {
            chunks << text.mid(chunkStart);
            return chunks;
        }
        if (found - chunkStart > chunkLength) {
            chunks << text.mid(chunkStart, found - chunkStart);
            chunkStart = found;
        }
        searchFrom = found;
    }
}
