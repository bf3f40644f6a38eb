#pragma once
// A library for the index tests: data locations in a temporary folder (set
// as the current ones), a connection pool over its library file, the
// book-text keys and the events object. Books are stored with the library's
// own storage; committed index contents are read with a fresh reader, as a
// later run of the program would see them.

#include "core/BookRecords.h"
#include "core/CipherKeyPair.h"
#include "core/LocationInfo.h"
#include "core/ProgramConstants.h"
#include "core/TarnolixConstants.h"
#include "core/TarnolixEvents.h"
#include "database/BookTextCipher.h"
#include "database/DatabasePool.h"
#include "database/TarnolixDB.h"
#include "tests/support/TestSupport.h"

#include <LuceneHeaders.h>

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QStringList>

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <thread>
#include <vector>

namespace tarnolix::test {

class IndexTestLibrary
{
public:
    using Language = TarnolixConstants::Language;

    IndexTestLibrary()
        : m_dir(makeTempDir())
        , m_settings(m_dir->filePath(QStringLiteral("settings.ini")), QSettings::IniFormat)
    {
        dataDir = m_dir->filePath(QStringLiteral("Data"));
        QDir().mkpath(dataDir);
        m_settings.setValue(QStringLiteral("Locations/Data"), dataDir);
        locations = std::make_unique<LocationInfo>(m_settings);
        LocationInfo::setCurrent(locations.get());

        keys.setKeyFromString(QStringLiteral("reader@tarnolix.invalid"));
        keys.setIvFromString(dataDir);
        setBookTextCipher(&keys);

        const QString path = dataDir + QStringLiteral("/Tarnolix.db");
        pool = std::make_unique<DatabasePool>(std::this_thread::get_id(), [path] { return path; });
        setDatabasePool(pool.get());
        db().initialize();

        events = std::make_unique<TarnolixEvents>();
        TarnolixEvents::setCurrent(events.get());
    }

    ~IndexTestLibrary()
    {
        TarnolixEvents::setCurrent(nullptr);
        setDatabasePool(nullptr);
        pool.reset();
        setBookTextCipher(nullptr);
        LocationInfo::setCurrent(nullptr);
    }

    TarnolixDB& db() { return *pool->database(std::this_thread::get_id(), true, 60000); }

    // A book with one edition per language; each paragraph is a section of
    // its own ("<id>.<n>", from 1).
    void addBook(int id, const std::vector<Language>& languages, const QStringList& paragraphs,
                 std::vector<int> categories = {})
    {
        std::vector<QStringList> sections;
        for (const QString& paragraph : paragraphs)
            sections.push_back({paragraph});
        addBookOfTexts(id, languages, sections, std::move(categories));
    }

    // The same with one paragraph of several texts (lines) per section.
    void addBookOfTexts(int id, const std::vector<Language>& languages, const std::vector<QStringList>& sections,
                        std::vector<int> categories = {})
    {
        std::vector<std::vector<QStringList>> paragraphs;
        for (const QStringList& texts : sections)
            paragraphs.push_back({texts});
        addBookOfParagraphs(id, languages, paragraphs, std::move(categories));
    }

    // The same with several paragraphs, each of its texts, per section.
    void addBookOfParagraphs(int id, const std::vector<Language>& languages,
                             const std::vector<std::vector<QStringList>>& sections, std::vector<int> categories = {})
    {
        BookBase base;
        base.id = id;
        base.slug = QStringLiteral("book-%1").arg(id);
        base.languages = languages;
        base.categories = std::move(categories);
        db().insertBookBase(base);
        for (const Language language : languages) {
            auto book = std::make_shared<Book>();
            book->info = std::make_shared<BookInfo>();
            book->info->bookId = id;
            book->info->language = language;
            book->info->name = QStringLiteral("Book %1").arg(id);
            book->info->shortName = book->info->name;
            for (int n = 1; n <= int(sections.size()); ++n) {
                auto section = std::make_shared<BookSection>();
                section->code = QStringLiteral("%1.%2").arg(id).arg(n);
                section->name = section->code;
                section->index = n;
                section->slug = QStringLiteral("s%1").arg(n);
                book->sections.push_back(section);
                auto part = std::make_shared<BookPart>();
                part->sectionCode = section->code;
                for (const QStringList& texts : sections[n - 1])
                    part->entities.push_back(std::make_shared<BookEntity>(quint8(8), QMap<QString, QString>{}, QStringList(texts)));
                book->parts.push_back(part);
            }
            db().insertBook(book);
        }
    }

    // An index directory whose only commit point cannot be read.
    static void writeBrokenIndex(const QString& path)
    {
        QDir(path).removeRecursively();
        QDir().mkpath(path);
        QFile segments(path + QStringLiteral("/segments_1"));
        ASSERT_TRUE(segments.open(QIODevice::WriteOnly));
        segments.write("broken");
        // Beside segment data: an index that held books, not a cut creation.
        QFile data(path + QStringLiteral("/_0.cfs"));
        ASSERT_TRUE(data.open(QIODevice::WriteOnly));
        data.write("data");
    }

    // Book id -> committed documents in the index at `path`; -1 in the map
    // under key -1 when there is no committed index.
    static std::map<int, int> committedBooks(const QString& path)
    {
        std::map<int, int> books;
        const Lucene::DirectoryPtr directory = Lucene::FSDirectory::open(path.toStdWString());
        if (!Lucene::IndexReader::indexExists(directory)) {
            books[-1] = -1;
            return books;
        }
        const Lucene::IndexReaderPtr reader = Lucene::IndexReader::open(directory, true);
        for (int32_t doc = 0; doc < reader->maxDoc(); ++doc) {
            if (!reader->isDeleted(doc))
                ++books[std::stoi(reader->document(doc)->get(IndexField::bid))];
        }
        reader->close();
        return books;
    }

    QString dataDir;
    CipherKeyPair keys;
    std::unique_ptr<LocationInfo> locations;
    std::unique_ptr<DatabasePool> pool;
    std::unique_ptr<TarnolixEvents> events;

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QSettings m_settings;
};

// The message of what `call` throws.
template <class F>
QString thrownText(F&& call)
{
    try {
        call();
    } catch (const std::exception& error) {
        return QString::fromUtf8(error.what());
    }
    return QStringLiteral("<nothing thrown>");
}

// The stored fields of a document by name; an absent field is absent.
inline std::map<std::wstring, std::wstring> storedFields(const Lucene::DocumentPtr& document)
{
    std::map<std::wstring, std::wstring> fields;
    for (const Lucene::FieldablePtr& field : document->getFields()) {
        if (field->isStored())
            fields[field->name()] = field->stringValue();
    }
    return fields;
}

// Hits of a query of consecutive terms in `field` (one term: a term query).
inline int32_t hitCount(const Lucene::IndexReaderPtr& reader, const std::wstring& field,
                        const std::vector<std::wstring>& terms)
{
    const auto searcher = Lucene::newLucene<Lucene::IndexSearcher>(reader);
    Lucene::QueryPtr query;
    if (terms.size() == 1) {
        query = Lucene::newLucene<Lucene::TermQuery>(Lucene::newLucene<Lucene::Term>(field, terms.front()));
    } else {
        const auto phrase = Lucene::newLucene<Lucene::PhraseQuery>();
        for (const std::wstring& term : terms)
            phrase->add(Lucene::newLucene<Lucene::Term>(field, term));
        query = phrase;
    }
    return searcher->search(query, 100)->totalHits;
}

} // namespace tarnolix::test
