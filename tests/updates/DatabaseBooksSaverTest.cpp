// The book archive saver over a temporary library and word-by-word index:
// archives built in the test, read entry by entry, buffered, saved in
// batches that are all or nothing, and favorites re-anchored by slug.

#include "updates/DatabaseBooksSaver.h"

#include "core/Exception.h"
#include "core/FavoriteRecords.h"
#include "database/DatabasePool.h"
#include "search/index/WordByWordIndex.h"
#include "tests/core/ExceptionText.h"
#include "tests/search_index/IndexTestLibrary.h"
#include "tests/support/MessageLog.h"
#include "tests/updates/BookArchiveFixtures.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QUuid>

#include <gtest/gtest.h>

#include <quazip.h>

using namespace tarnolix;
using namespace tarnolix::test;
using Language = TarnolixConstants::Language;

namespace {

// A connection whose commits fail, as a full disk or a lost lock would.
class CommitFailsDB : public TarnolixDB
{
public:
    bool commit() override { return false; }
};

class DatabaseBooksSaverTest : public ::testing::Test
{
protected:
    std::shared_ptr<TarnolixDB> connection()
    {
        return library.pool->database(std::this_thread::get_id(), true, 60000);
    }

    std::unique_ptr<DatabaseBooksSaver> makeSaver(std::shared_ptr<TarnolixDB> db = {})
    {
        auto saver = std::make_unique<DatabaseBooksSaver>(
            db ? db : connection(), index,
            [this](int count) { calls << QStringLiteral("saved %1").arg(count); },
            [this](const std::vector<int>& ids) {
                QStringList list;
                for (const int id : ids)
                    list << QString::number(id);
                calls << QStringLiteral("ids %1").arg(list.join(','));
                // What a run killed right after this call would find.
                committedAtIdsSaved = IndexTestLibrary::committedBooks(library.locations->index2Path());
            });
        saver->setClock([this] { return now; });
        saver->init();
        return saver;
    }

    static void process(DatabaseBooksSaver& saver, const QByteArray& archive, int expectedId)
    {
        QBuffer buffer;
        buffer.setData(archive);
        buffer.open(QIODevice::ReadOnly);
        QuaZip zip(&buffer);
        saver.processBookArchive(zip, expectedId);
    }

    static QString processError(DatabaseBooksSaver& saver, const QByteArray& archive, int expectedId)
    {
        return errorOf([&] { process(saver, archive, expectedId); });
    }

    QStringList sectionCodes(int bookId, Language language = TarnolixConstants::Russian)
    {
        QStringList codes;
        for (const auto& section : library.db().selectBookSections(bookId, language))
            codes << section->code;
        return codes;
    }

    std::map<int, int> committedPairs() { return IndexTestLibrary::committedBooks(library.locations->index2Path()); }

    IndexTestLibrary library;
    WordByWordIndex index;
    QStringList calls;
    std::map<int, int> committedAtIdsSaved;
    qint64 now = 0;
};

TEST_F(DatabaseBooksSaverTest, EntriesAreTakenByNameInAnyOrder)
{
    auto saver = makeSaver();
    MessageLog log;
    process(*saver,
            zipOf({{QStringLiteral("book_en.xml"), editionXml(101, {QStringLiteral("a")})},
                   {QStringLiteral("notes.txt"), "hello"},
                   {QStringLiteral("base.xml"), baseXml(101, {QStringLiteral("ru"), QStringLiteral("en")})},
                   {QStringLiteral("book_ru.xml"), editionXml(101, {QStringLiteral("a"), QStringLiteral("b")})},
                   {QStringLiteral("Base.xml"), "not a base: names are case-sensitive"}}),
            101);
    EXPECT_TRUE(log.contains(QtWarningMsg, QStringLiteral("Unknown file in archive. File name: notes.txt")));
    EXPECT_TRUE(log.contains(QtWarningMsg, QStringLiteral("Unknown file in archive. File name: Base.xml")));
    EXPECT_EQ(saver->bufferedBooksCount(), 1);
    EXPECT_TRUE(saver->isBookBuffered(101));
    EXPECT_FALSE(saver->isBookBuffered(102));

    saver->saveBufferedBooks();
    EXPECT_EQ(saver->bufferedBooksCount(), 0);
    EXPECT_EQ(sectionCodes(101), (QStringList{"101.1", "101.2"}));
    EXPECT_EQ(sectionCodes(101, TarnolixConstants::English), QStringList{"101.1"});
    EXPECT_EQ(library.db().countBFI(TarnolixConstants::Russian), 1);
    EXPECT_EQ(library.db().countBFI(TarnolixConstants::English), 1);
    EXPECT_EQ(library.db().countBFLC(), 1);
    EXPECT_EQ(committedPairs(), (std::map<int, int>{{101, 3}}));
    saver->completeUpdate();
}

TEST_F(DatabaseBooksSaverTest, ABaseOnlyArchiveStillQueuesItsLanguages)
{
    auto saver = makeSaver();
    process(*saver, zipOf({{QStringLiteral("base.xml"), baseXml(7, {QStringLiteral("en")})}}), 7);
    saver->saveBufferedBooks();
    EXPECT_TRUE(library.db().isBookExists(7));
    EXPECT_EQ(library.db().selectBFI(TarnolixConstants::English), (std::vector<std::pair<int, int>>{{7, 1}}));
    EXPECT_EQ(calls, (QStringList{"saved 1", "ids 7"}));
}

TEST_F(DatabaseBooksSaverTest, WithoutAnExpectedIdTheEditionsTakeTheBasesId)
{
    auto saver = makeSaver();
    process(*saver, bookZip(205), 0);
    saver->saveBufferedBooks();
    const auto info = library.db().selectBookInfo(205, TarnolixConstants::Russian);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->bookId, 205);
    EXPECT_EQ(committedPairs(), (std::map<int, int>{{205, 2}}));
}

TEST_F(DatabaseBooksSaverTest, AFailingArchiveBuffersNothingAndLeavesEarlierOnes)
{
    struct Case
    {
        const char* what;
        QByteArray archive;
        int expectedId;
        QString error;
    };
    QByteArray damaged = zipOf({{QStringLiteral("base.xml"), baseXml(102)}}, true);
    damaged.replace("Book 102", "Book 1o2"); // the entry no longer matches its CRC
    const std::vector<Case> cases = {
        {"unknown language",
         zipOf({{QStringLiteral("base.xml"), baseXml(102)},
                {QStringLiteral("book_xx.xml"), editionXml(102, {QStringLiteral("a")})}}),
         102, QStringLiteral("Unknown book language: xx. File name: book_xx.xml")},
        {"no base", zipOf({{QStringLiteral("book_ru.xml"), editionXml(102, {QStringLiteral("a")})}}), 102,
         QStringLiteral("base.xml not found in archive")},
        {"another book", bookZip(103), 102, QStringLiteral("Invalid book received(different identifiers)")},
        {"no entries", zipOf({}), 102, QStringLiteral("Open zip error. Error code: ")},
        {"a damaged entry", damaged, 102, QStringLiteral("Error read zip archive. Error code: ")},
        {"a broken edition", zipOf({{QStringLiteral("base.xml"), baseXml(102)}, {QStringLiteral("book_ru.xml"), "<data><pr"}}),
         102, QStringLiteral("XML parse error")},
        {"a broken edition after a good one",
         zipOf({{QStringLiteral("base.xml"), baseXml(102)},
                {QStringLiteral("book_en.xml"), editionXml(102, {QStringLiteral("a")})},
                {QStringLiteral("book_ru.xml"), "<data><pr"}}),
         102, QStringLiteral("XML parse error")},
    };

    auto saver = makeSaver();
    process(*saver, bookZip(101), 101);
    for (const Case& c : cases) {
        EXPECT_TRUE(processError(*saver, c.archive, c.expectedId).startsWith(c.error))
            << c.what << ": " << processError(*saver, c.archive, c.expectedId).toStdString();
        EXPECT_EQ(saver->bufferedBooksCount(), 1) << c.what;
        EXPECT_FALSE(saver->isBookBuffered(102)) << c.what;
    }
    EXPECT_TRUE(processError(*saver, "PK\3\4 not a zip at all", 102).startsWith(QStringLiteral("Open zip error. Error code: ")));

    saver->saveBufferedBooks();
    EXPECT_EQ(calls, (QStringList{"saved 1", "ids 101"}));
    EXPECT_EQ(committedPairs(), (std::map<int, int>{{101, 2}}));
}

// Nothing bounds what the server sends: an entry that would inflate beyond
// the cap is refused before it is read, whatever it compresses to.
TEST_F(DatabaseBooksSaverTest, AnEntryAboveTheSizeCapIsRefused)
{
    auto saver = makeSaver();
    saver->setMaxEntrySize(4096);
    const QByteArray bomb = zipOf({{QStringLiteral("base.xml"), baseXml(101)},
                                   {QStringLiteral("book_ru.xml"), QByteArray(1 << 20, ' ')}});
    ASSERT_LT(bomb.size(), 8192) << "a megabyte of blanks compresses well";
    EXPECT_TRUE(processError(*saver, bomb, 101).startsWith(QStringLiteral("Archive entry is too large: book_ru.xml")));
    EXPECT_EQ(saver->bufferedBooksCount(), 0);
    process(*saver, bookZip(101), 101);
    EXPECT_EQ(saver->bufferedBooksCount(), 1) << "entries under the cap pass";
    saver->clearBuffers();
}

TEST_F(DatabaseBooksSaverTest, TheFiftyFirstArchiveSavesTheBatch)
{
    auto saver = makeSaver();
    for (int id = 1; id <= 50; ++id)
        process(*saver, bookZip(id), id);
    EXPECT_TRUE(calls.isEmpty());
    EXPECT_EQ(saver->bufferedBooksCount(), 50);
    process(*saver, bookZip(51), 51);
    ASSERT_EQ(calls.size(), 2);
    EXPECT_EQ(calls[0], QStringLiteral("saved 51"));
    EXPECT_EQ(saver->bufferedBooksCount(), 0);
    EXPECT_TRUE(library.db().isBookExists(51));
}

TEST_F(DatabaseBooksSaverTest, ABatchOlderThanASecondSavesWithTheNextArchive)
{
    auto saver = makeSaver();
    now = 5000;
    process(*saver, bookZip(1), 1);
    now += 1000;
    process(*saver, bookZip(2), 2);
    EXPECT_TRUE(calls.isEmpty()) << "exactly a second is not older";
    now += 1;
    process(*saver, bookZip(3), 3);
    EXPECT_EQ(calls, (QStringList{"saved 3", "ids 1,2,3"}));

    // The next batch starts with its first archive.
    now += 10000;
    process(*saver, bookZip(4), 4);
    now += 500;
    process(*saver, bookZip(5), 5);
    EXPECT_EQ(saver->bufferedBooksCount(), 2);
    saver->clearBuffers();
}

// The pairs of a batch are committed before its ids are reported saved, so
// a run killed after that call never leaves a saved book without its pairs.
TEST_F(DatabaseBooksSaverTest, CallbacksAndEventsFollowTheCommittedBatch)
{
    QStringList events;
    QObject::connect(library.events.get(), &TarnolixEvents::bookContentChanged,
                     [&](int id) { events << QStringLiteral("content %1").arg(id); });
    QObject::connect(library.events.get(), &TarnolixEvents::booksForIndexingChanged,
                     [&] { events << QStringLiteral("indexing"); });
    QObject::connect(library.events.get(), &TarnolixEvents::booksForLoadCoversChanged,
                     [&] { events << QStringLiteral("covers"); });
    QObject::connect(library.events.get(), &TarnolixEvents::booksBaseChanged,
                     [&](Language language) { events << QStringLiteral("base %1").arg(int(language)); });

    auto saver = makeSaver();
    process(*saver,
            zipOf({{QStringLiteral("base.xml"), baseXml(9, {QStringLiteral("en"), QStringLiteral("ru")})},
                   {QStringLiteral("book_ru.xml"), editionXml(9, {QStringLiteral("a")})},
                   {QStringLiteral("book_en.xml"), editionXml(9, {QStringLiteral("a")})}}),
            9);
    process(*saver, bookZip(8), 8);
    saver->saveBufferedBooks();
    QCoreApplication::processEvents();

    EXPECT_EQ(calls, (QStringList{"saved 2", "ids 9,8"}));
    EXPECT_EQ(committedAtIdsSaved, (std::map<int, int>{{8, 2}, {9, 2}}));
    EXPECT_EQ(events, (QStringList{"content 9", "content 8", "indexing", "covers", "base 1", "base 2"}));

    // Saving a book again replaces its pairs rather than adding to them.
    process(*saver, bookZip(8, {QStringLiteral("x")}), 8);
    saver->saveBufferedBooks();
    EXPECT_EQ(committedPairs(), (std::map<int, int>{{8, 1}, {9, 2}}));
    saver->completeUpdate();
}

// A stored book is deleted and inserted in the batch's transaction: when
// that transaction fails, the old book stays whole, no new row or pair is
// left, no id is reported saved and the error reaches the caller.
TEST_F(DatabaseBooksSaverTest, ABatchFailingAtItsCommitLeavesNothing)
{
    {
        auto saver = makeSaver();
        process(*saver, bookZip(101, {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")}), 101);
        saver->saveBufferedBooks();
        saver->completeUpdate();
    }
    calls.clear();

    auto failing = std::make_shared<CommitFailsDB>();
    openTarnolixDB(*failing, library.dataDir + QStringLiteral("/Tarnolix.db"), 60000);
    auto saver = makeSaver(failing);
    process(*saver, bookZip(101, {QStringLiteral("a")}), 101);
    process(*saver, bookZip(102), 102);
    MessageLog log;
    EXPECT_TRUE(errorOf([&] { saver->saveBufferedBooks(); }).startsWith(QStringLiteral("Cannot commit database transaction")));
    EXPECT_TRUE(log.contains(QtWarningMsg, QStringLiteral("Save buffered books error: Cannot commit")));
    EXPECT_TRUE(calls.isEmpty());
    EXPECT_EQ(saver->bufferedBooksCount(), 0) << "the batch is dropped";
    EXPECT_FALSE(library.db().isBookExists(102));
    EXPECT_EQ(sectionCodes(101), (QStringList{"101.1", "101.2", "101.3"}));
    EXPECT_EQ(committedPairs(), (std::map<int, int>{{101, 3}}));

    // The index is not left holding the failed batch: the next batch
    // commits only its own pairs.
    auto good = makeSaver();
    process(*good, bookZip(103), 103);
    good->saveBufferedBooks();
    EXPECT_EQ(committedPairs(), (std::map<int, int>{{101, 3}, {103, 2}}));
    good->completeUpdate();
}

TEST_F(DatabaseBooksSaverTest, FavoritesFollowTheirSlugsOrLoseBothEnds)
{
    {
        auto saver = makeSaver();
        process(*saver, bookZip(101, {QStringLiteral("intro"), QStringLiteral("verse-1"), QStringLiteral("verse-2")}),
                101);
        saver->saveBufferedBooks();
    }
    const auto favorite = [&](const QString& startSlug, const QString& endSlug) {
        Favorite f;
        f.setUuid(QUuid::createUuid());
        f.setBookId(101);
        f.setLanguage(TarnolixConstants::Russian);
        f.startSelectedPosition().setSectionSlug(startSlug);
        f.startSelectedPosition().setSectionCode(QStringLiteral("old"));
        f.startSelectedPosition().setSectionIndex(7);
        f.endSelectedPosition().setSectionSlug(endSlug);
        f.endSelectedPosition().setSectionCode(QStringLiteral("old"));
        f.endSelectedPosition().setSectionIndex(8);
        f.setTimeOfChange(1234);
        library.db().insertFavorite(f);
        return f.uuid();
    };
    const QUuid moved = favorite(QStringLiteral("verse-1"), QStringLiteral("verse-2"));
    const QUuid duplicated = favorite(QStringLiteral("intro"), QStringLiteral("twice"));
    const QUuid vanished = favorite(QStringLiteral("verse-2"), QStringLiteral("gone"));

    // The new version: verses reordered, "twice" on two sections, "gone" gone.
    auto saver = makeSaver();
    process(*saver,
            bookZip(101, {QStringLiteral("intro"), QStringLiteral("verse-2"), QStringLiteral("twice"),
                          QStringLiteral("verse-1"), QStringLiteral("twice")}),
            101);
    MessageLog log;
    saver->saveBufferedBooks();
    EXPECT_TRUE(log.contains(QtWarningMsg,
                             QStringLiteral("slugs duplicate found! bookId=101 slug='twice'")));
    EXPECT_TRUE(log.contains(QtWarningMsg, QStringLiteral("Restore favorite section codes failed. favorite uuid: ") +
                                               duplicated.toString()));
    EXPECT_TRUE(log.contains(QtWarningMsg, QStringLiteral("Restore favorite section codes failed. favorite uuid: ") +
                                               vanished.toString()));
    EXPECT_FALSE(log.contains(QtWarningMsg, moved.toString()));

    std::map<QUuid, QString> ends;
    for (const auto& f : library.db().selectFavoritesOfBook(101, TarnolixConstants::Russian)) {
        const auto describe = [](const SelectedPosition& p) {
            return QStringLiteral("%1@%2").arg(p.sectionCode(), p.sectionIndex() ? QString::number(*p.sectionIndex())
                                                                                   : QStringLiteral("none"));
        };
        ends[f->uuid()] = describe(f->startSelectedPosition()) + QStringLiteral(" ") + describe(f->endSelectedPosition());
        EXPECT_EQ(f->timeOfChange(), 1234) << "re-anchoring is no change of the reader's";
    }
    EXPECT_EQ(ends[moved], QStringLiteral("101.4@3 101.2@1"));
    EXPECT_EQ(ends[duplicated], QStringLiteral("@none @none"));
    EXPECT_EQ(ends[vanished], QStringLiteral("@none @none"));
    saver->completeUpdate();
}

TEST_F(DatabaseBooksSaverTest, CompletingWithBufferedBooksIsRefused)
{
    auto saver = makeSaver();
    process(*saver, bookZip(1), 1);
    EXPECT_EQ(errorOf([&] { saver->completeUpdate(); }),
              QStringLiteral("DatabaseBooksSaver::completeUpdate: has buffered data"));
    MessageLog log;
    saver.reset();
    EXPECT_TRUE(log.contains(QtWarningMsg, QStringLiteral("DatabaseBooksSaver: has buffered data")));
}

TEST_F(DatabaseBooksSaverTest, AddBookSavesAnArchiveFileOnTheThreadsConnection)
{
    const QString path = library.dataDir + QStringLiteral("/picked.zip");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bookZip(321));
    file.close();
    DatabaseBooksSaver::addBook(path, index);
    EXPECT_TRUE(library.db().isBookExists(321));
    EXPECT_EQ(committedPairs(), (std::map<int, int>{{321, 2}}));

    EXPECT_TRUE(errorOf([&] { DatabaseBooksSaver::addBook(library.dataDir + QStringLiteral("/missing.zip"), index); })
                    .startsWith(QStringLiteral("Open zip error")));
}

} // namespace
