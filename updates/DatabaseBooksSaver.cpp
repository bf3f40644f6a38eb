#include "updates/DatabaseBooksSaver.h"

#include "core/Exception.h"
#include "core/FavoriteRecords.h"
#include "core/SharedHelpers.h"
#include "core/TarnolixEvents.h"
#include "database/DatabasePool.h"
#include "database/DatabaseTransaction.h"
#include "database/TarnolixDB.h"
#include "search/index/WordByWordIndex.h"
#include "updates/BookParser.h"

#include <QElapsedTimer>

#include <quazip.h>
#include <quazipfile.h>
#include <quazipfileinfo.h>

#include <exception>
#include <functional>
#include <future>
#include <map>
#include <set>

using Language = TarnolixConstants::Language;

namespace {

qint64 monotonicMs()
{
    static const QElapsedTimer clock = [] {
        QElapsedTimer timer;
        timer.start();
        return timer;
    }();
    return clock.elapsed();
}

// The whole entry, refused when it would inflate beyond `cap` whatever its
// header claims.
QByteArray readEntry(QuaZip& zip, qint64 cap)
{
    QuaZipFileInfo64 info;
    if (zip.getCurrentFileInfo(&info) && info.uncompressedSize > quint64(cap))
        throw Exception(QStringLiteral("Archive entry is too large: %1 (%2 bytes)")
                            .arg(info.name)
                            .arg(info.uncompressedSize));
    QuaZipFile file(&zip);
    if (!file.open(QIODevice::ReadOnly) || file.getZipError() != UNZ_OK)
        throw Exception(QStringLiteral("Open file error. Error code: %1").arg(zip.getZipError()));
    QByteArray data = file.read(cap + 1);
    if (data.size() > cap)
        throw Exception(QStringLiteral("Archive entry is too large: %1").arg(info.name));
    file.close();
    if (file.getZipError() != UNZ_OK)
        throw Exception(QStringLiteral("Error read zip archive. Error code: %1").arg(file.getZipError()));
    return data;
}

} // namespace

DatabaseBooksSaver::DatabaseBooksSaver(std::shared_ptr<TarnolixDB> database, tarnolix::WordByWordIndex& wordByWordIndex,
                                       BooksSaved onBooksSaved, BookIdsSaved onBookIdsSaved)
    : m_db(std::move(database))
    , m_wordByWordIndex(wordByWordIndex)
    , m_onBooksSaved(std::move(onBooksSaved))
    , m_onBookIdsSaved(std::move(onBookIdsSaved))
    , m_clock(monotonicMs)
{
}

DatabaseBooksSaver::~DatabaseBooksSaver()
{
    if (!buffersEmpty())
        qWarning("DatabaseBooksSaver: has buffered data");
}

void DatabaseBooksSaver::init()
{
    qDebug("DatabaseBooksSaver::init");
    m_wordByWordIndex.beginIndexing();
}

bool DatabaseBooksSaver::buffersEmpty() const
{
    return m_bases.empty() && m_books.empty() && m_wordByWord.empty();
}

bool DatabaseBooksSaver::isBookBuffered(int bookId) const
{
    for (const auto& base : m_bases) {
        if (base->id == bookId)
            return true;
    }
    return false;
}

void DatabaseBooksSaver::clearBuffers()
{
    m_bases.clear();
    m_books.clear();
    m_wordByWord.clear();
}

void DatabaseBooksSaver::processBookArchive(QuaZip& zip, int expectedBookId)
{
    qDebug("DatabaseBooksSaver: Process book...");
    const bool wasEmpty = buffersEmpty();

    if (!zip.open(QuaZip::mdUnzip) || zip.getZipError() != UNZ_OK)
        throw Exception(QStringLiteral("Open zip error. Error code: %1").arg(zip.getZipError()));
    if (!zip.goToFirstFile())
        throw Exception("Error read zip archive");

    std::shared_ptr<BookBase> base;
    // The editions are read here and parsed at once below, one thread each.
    std::vector<std::pair<Language, QByteArray>> editions;
    do {
        if (zip.getZipError() != UNZ_OK)
            throw Exception(QStringLiteral("Error read zip archive. Error code: %1").arg(zip.getZipError()));
        QByteArray data = readEntry(zip, m_maxEntrySize);
        const QString name = zip.getCurrentFileName();
        if (name.startsWith(QLatin1String("base"))) {
            base = BookBaseParser(data).parse();
        } else if (name.startsWith(QLatin1String("book_"))) {
            const int dot = name.indexOf(QLatin1Char('.'));
            const QString code = name.mid(5, dot < 0 ? -1 : dot - 5);
            const Language language = languageFromString(code);
            if (language == TarnolixConstants::InvalidLanguage)
                throw Exception(QStringLiteral("Unknown book language: %1. File name: %2").arg(code, name));
            editions.emplace_back(language, std::move(data));
        } else {
            qWarning("Unknown file in archive. File name: %s", qUtf8Printable(name));
        }
    } while (zip.goToNextFile());
    if (zip.getZipError() != UNZ_OK)
        throw Exception(QStringLiteral("Error read zip archive. Error code: %1").arg(zip.getZipError()));

    using Parsed = std::pair<std::shared_ptr<Book>, std::shared_ptr<WordByWordDataForIndex>>;
    std::vector<std::future<Parsed>> parsing;
    for (size_t i = 1; i < editions.size(); ++i) {
        parsing.push_back(std::async(std::launch::async, [&edition = editions[i], expectedBookId] {
            return BookParser(edition.first, edition.second, expectedBookId).parse();
        }));
    }
    std::vector<std::shared_ptr<Book>> books;
    std::vector<std::shared_ptr<WordByWordDataForIndex>> wordByWord;
    std::exception_ptr error;
    const auto take = [&](const std::function<Parsed()>& parse) {
        try {
            Parsed parsed = parse();
            books.push_back(std::move(parsed.first));
            wordByWord.push_back(std::move(parsed.second));
        } catch (...) {
            if (!error)
                error = std::current_exception();
        }
    };
    if (!editions.empty())
        take([&] { return BookParser(editions.front().first, editions.front().second, expectedBookId).parse(); });
    for (std::future<Parsed>& result : parsing)
        take([&] { return result.get(); });
    if (error)
        std::rethrow_exception(error);

    if (!base)
        throw Exception("base.xml not found in archive");
    if (expectedBookId == 0) {
        for (const auto& book : books)
            book->info->bookId = base->id;
    } else if (base->id != expectedBookId) {
        throw Exception("Invalid book received(different identifiers)");
    }

    m_bases.push_back(base);
    m_books.insert(m_books.end(), books.begin(), books.end());
    for (const auto& data : wordByWord) {
        data->setBook(base);
        m_wordByWord.push_back(data);
    }
    qDebug("DatabaseBooksSaver: Process book finished");

    bool save = false;
    if (int(m_bases.size()) > kBatchBooks)
        save = true;
    else if (wasEmpty)
        m_batchStart = m_clock();
    else
        save = m_batchStart >= 0 && m_clock() - m_batchStart > kBatchMs;
    if (save) {
        saveBufferedBooks();
        if (wasEmpty)
            m_batchStart = m_clock();
    }
}

void DatabaseBooksSaver::saveBufferedBooks()
{
    if (buffersEmpty())
        return;
    qDebug("DatabaseBooksSaver: saveBufferedBooks...");
    try {
        // Opening an index takes the process-wide index lock, under which an
        // index writer thread may wait for the database: open the writer
        // before this batch's transaction holds the database, never inside.
        if (!m_wordByWordIndex.isWriterOpen())
            m_wordByWordIndex.open(true, tarnolix::SearchIndex::Write);
        // The pairs go to the index before the transaction: indexing takes
        // most of a batch's time, and the database's write lock, which the
        // book index writers need, is then held only for the rows. The
        // pairs stay uncommitted, so a failing transaction still rolls them
        // back below.
        m_wordByWordIndex.index(m_wordByWord);
        DatabaseTransaction transaction(m_db);
        std::map<Language, std::vector<int>> idsByLanguage;
        std::vector<int> ids;
        std::set<Language> changedLanguages;
        for (const auto& base : m_bases) {
            if (m_db->isBookExists(base->id))
                m_db->deleteBook(base->id);
            m_db->insertBookBase(*base);
            for (const Language language : base->languages)
                idsByLanguage[language].push_back(base->id);
            ids.push_back(base->id);
        }
        for (const auto& book : m_books) {
            m_db->insertBook(book);
            changedLanguages.insert(book->info->language);
            restoreFavoritesSectionCodes(*book);
        }
        for (const auto& [language, languageIds] : idsByLanguage)
            m_db->upsertBFIList(language, languageIds, 1);
        m_db->insertBFLC(ids);
        transaction.commit();
        // The pairs become durable with their rows, before the books are
        // reported saved: a run that dies later never leaves a saved book
        // without its pairs. Re-indexing replaces an edition's documents.
        m_wordByWordIndex.commit();

        if (TarnolixEvents* events = TarnolixEvents::current()) {
            for (const int id : ids)
                events->emitBookContentChanged(id);
            events->emitBooksForIndexingChanged();
            events->emitBooksForLoadCoversChanged();
        }
        m_onBooksSaved(int(m_bases.size()));
        if (TarnolixEvents* events = TarnolixEvents::current()) {
            for (const Language language : changedLanguages)
                events->emitBooksBaseChanged(language);
        }
        m_onBookIdsSaved(ids);
    } catch (const std::exception& error) {
        qWarning("Save buffered books error: %s", error.what());
        // Rolls back what the batch added to the word-by-word index; after
        // its commit there is nothing left to roll back.
        m_wordByWordIndex.close(true);
        clearBuffers();
        throw;
    }
    clearBuffers();
    qDebug("DatabaseBooksSaver: saveBufferedBooks finished");
}

void DatabaseBooksSaver::completeUpdate()
{
    qDebug("DatabaseBooksSaver::completeUpdate");
    if (!buffersEmpty())
        throw Exception("DatabaseBooksSaver::completeUpdate: has buffered data");
    ScopedElapsedLogger logger("wordByWordIndex->finishIndexing");
    m_wordByWordIndex.finishIndexing();
}

void DatabaseBooksSaver::restoreFavoritesSectionCodes(const Book& book)
{
    const int bookId = book.info->bookId;
    const Language language = book.info->language;
    const TarnolixDB::FavoriteList favorites = m_db->selectFavoriteSlugs(bookId, language);
    if (favorites.empty()) {
        qDebug("Обновление изрбанного для книги %d langauge=%d не требуется", bookId, int(language));
        return;
    }
    qDebug("Обновление изрбанного для книги %d langauge=%d", bookId, int(language));

    std::map<QString, std::vector<SelectedPosition*>> bySlug;
    for (const auto& favorite : favorites) {
        for (SelectedPosition* position : {&favorite->startSelectedPosition(), &favorite->endSelectedPosition()}) {
            if (position->sectionSlug())
                bySlug[*position->sectionSlug()].push_back(position);
        }
    }

    quint64 ordinal = 0;
    for (const auto& section : book.sections) {
        const auto group = bySlug.find(section->slug);
        if (group != bySlug.end()) {
            for (SelectedPosition* position : group->second) {
                if (position->sectionIndex()) {
                    qWarning("Restore favorites section codes error: slugs duplicate found! bookId=%d slug='%s'",
                             bookId, qUtf8Printable(section->slug));
                    for (SelectedPosition* other : group->second)
                        other->setSectionCode(QString());
                    break;
                }
                position->setSectionCode(section->code);
                position->setSectionIndex(ordinal);
            }
        }
        ++ordinal;
    }

    for (const auto& favorite : favorites) {
        SelectedPosition& start = favorite->startSelectedPosition();
        SelectedPosition& end = favorite->endSelectedPosition();
        if (start.sectionCode().isEmpty() || end.sectionCode().isEmpty()) {
            qWarning("Restore favorite section codes failed. favorite uuid: %s",
                     qUtf8Printable(favorite->uuid().toString()));
            for (SelectedPosition* position : {&start, &end}) {
                position->setSectionCode(QString());
                position->setSectionIndex(std::nullopt);
            }
        }
        TarnolixDB::FavoriteUpdate update;
        update.startSectionCode = start.sectionCode();
        update.startSectionIndex = start.sectionIndex();
        update.endSectionCode = end.sectionCode();
        update.endSectionIndex = end.sectionIndex();
        m_db->updateFavoriteFields(favorite->uuid(), update);
    }
}

void DatabaseBooksSaver::addBook(const QString& fileName, tarnolix::WordByWordIndex& wordByWordIndex)
{
    qDebug("DatabaseBooksSaver::addBook %s", qUtf8Printable(fileName));
    DatabaseBooksSaver saver(
        currentDatabase(), wordByWordIndex, [](int) {}, [](const std::vector<int>&) {});
    saver.init();
    QuaZip zip(fileName);
    saver.processBookArchive(zip, 0);
    saver.saveBufferedBooks();
    saver.completeUpdate();
    qDebug("DatabaseBooksSaver: books saved");
}
