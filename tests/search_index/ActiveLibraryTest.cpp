#include "search/index/ActiveLibraryFilter.h"
#include "search/index/ActiveLibraryKey.h"

#include "core/ProgramConstants.h"
#include "database/LibrarySettingsKeys.h"
#include "database/TarnolixDB.h"
#include "search/index/BookDocuments.h"
#include "tests/support/HeapBytes.h"
#include "tests/support/TestSupport.h"

#include <QFile>
#include <QSqlDriver>
#include <QSqlQuery>

#include <gtest/gtest.h>

#include <set>

using namespace tarnolix;

namespace {

// A connection that reports itself open and would crash on any statement.
class StatementlessDriver : public QSqlDriver
{
public:
    StatementlessDriver()
    {
        setOpen(true);
        setOpenError(false);
    }
    bool hasFeature(DriverFeature) const override { return false; }
    bool open(const QString&, const QString&, const QString&, const QString&, int, const QString&) override
    {
        setOpen(true);
        return true;
    }
    void close() override { setOpen(false); }
    QSqlResult* createResult() const override
    {
        ADD_FAILURE() << "a statement was prepared";
        return nullptr;
    }
};

class ActiveLibraryTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        dir = test::makeTempDir();
        db = openLibrary(dir->filePath(QStringLiteral("Tarnolix.db")));
    }

    static std::shared_ptr<TarnolixDB> openLibrary(const QString& path)
    {
        auto library = std::make_shared<TarnolixDB>();
        library->open(path, 1000);
        library->initialize();
        return library;
    }

    // A book of the library in `language`; withBase false leaves out its book row.
    void addBook(qint64 id, int language, bool withBase = true)
    {
        if (withBase)
            addBookThrough(*db, id, language);
        else
            db->execSql(QStringLiteral("INSERT INTO BookInfo%1(id) VALUES(?)").arg(language), QVariantList{id});
    }

    static void addBookThrough(TarnolixDB& library, qint64 id, int language)
    {
        library.execSql(QStringLiteral("INSERT OR IGNORE INTO BookBase(id) VALUES(?)"), QVariantList{id});
        library.execSql(QStringLiteral("INSERT INTO BookInfo%1(id) VALUES(?)").arg(language), QVariantList{id});
    }

    QString filterError(int language, const std::wstring& field = IndexField::bid)
    {
        return filterError(db->sqlDatabase(), language, field);
    }
    static QString filterError(const QSqlDatabase& database, int language, const std::wstring& field)
    {
        try {
            readActiveLibraryBooks(database, language, field);
        } catch (const std::runtime_error& error) {
            return QString::fromUtf8(error.what());
        }
        return QStringLiteral("<nothing thrown>");
    }

    std::unique_ptr<QTemporaryDir> dir;
    std::shared_ptr<TarnolixDB> db;
};

// An index of one document per entry, the entry its "bid" (none for 0),
// each batch committed as a segment of its own.
Lucene::DirectoryPtr indexOf(const std::vector<std::vector<int>>& segments)
{
    const auto directory = Lucene::newLucene<Lucene::RAMDirectory>();
    const auto writer =
        Lucene::newLucene<Lucene::IndexWriter>(directory, Lucene::newLucene<Lucene::WhitespaceAnalyzer>(), true,
                                               Lucene::IndexWriter::MaxFieldLengthUNLIMITED);
    writer->setRAMBufferSizeMB(64);
    for (const std::vector<int>& segment : segments) {
        for (const int bookId : segment) {
            const auto document = Lucene::newLucene<Lucene::Document>();
            document->add(Lucene::newLucene<Lucene::Field>(L"n", L"x", Lucene::Field::STORE_NO,
                                                           Lucene::Field::INDEX_NOT_ANALYZED));
            if (bookId != 0)
                document->add(Lucene::newLucene<Lucene::Field>(IndexField::bid, std::to_wstring(bookId),
                                                               Lucene::Field::STORE_YES,
                                                               Lucene::Field::INDEX_NOT_ANALYZED));
            writer->addDocument(document);
        }
        writer->commit();
    }
    writer->close();
    return directory;
}

// The stored book ids of the documents the filter lets through ("-" for a
// document without one), ascending.
std::multiset<std::wstring> passing(const Lucene::DirectoryPtr& directory, const Lucene::FilterPtr& filter)
{
    const auto searcher = Lucene::newLucene<Lucene::IndexSearcher>(directory, true);
    const auto hits = searcher->search(Lucene::newLucene<Lucene::MatchAllDocsQuery>(), filter, 100000);
    std::multiset<std::wstring> ids;
    for (const Lucene::ScoreDocPtr& hit : hits->scoreDocs) {
        const std::wstring id = searcher->doc(hit->doc)->get(IndexField::bid);
        ids.insert(id.empty() ? L"-" : id);
    }
    searcher->close();
    return ids;
}

TEST_F(ActiveLibraryTest, FilterRefusesBadArgumentsBeforeAnyStatement)
{
    addBook(1, 1);
    EXPECT_EQ(filterError(0), "Cannot verify active search library");
    EXPECT_EQ(filterError(4), "Cannot verify active search library");
    EXPECT_EQ(filterError(1, L""), "Cannot verify active search library");
    EXPECT_EQ(filterError(QSqlDatabase(), 1, IndexField::bid), "Cannot verify active search library");
    {
        QSqlDatabase other = QSqlDatabase::addDatabase(new StatementlessDriver, QStringLiteral("statementless"));
        EXPECT_TRUE(other.isOpen());
        EXPECT_EQ(filterError(other, 1, IndexField::bid), "Cannot verify active search library");
        EXPECT_TRUE(activeLibraryCacheKey(other).isEmpty());
    }
    QSqlDatabase::removeDatabase(QStringLiteral("statementless"));

    db->execSql(QStringLiteral("DROP TABLE BookBase"));
    EXPECT_EQ(filterError(1), "Cannot read active search library");
}

TEST_F(ActiveLibraryTest, FilterRefusesIdsOutsideTheIdRange)
{
    for (const qint64 id : {qint64(0), qint64(-1), qint64(2147483648LL)}) {
        addBook(5, 2);
        addBook(id, 2);
        EXPECT_EQ(filterError(2), "Invalid active search library membership") << id;
        EXPECT_TRUE(activeLibraryCacheKey(db->sqlDatabase()).isEmpty()) << id;
        db->execSql(QStringLiteral("DELETE FROM BookInfo2"));
        db->execSql(QStringLiteral("DELETE FROM BookBase"));
    }
    addBook(2147483647LL, 2);
    EXPECT_EQ(filterError(2), "<nothing thrown>");
}

TEST_F(ActiveLibraryTest, FilterAdmitsWholeBookIdsOfTheLanguageOnly)
{
    addBook(12, 2);
    addBook(7, 2, false); // an edition without its book row
    addBook(1, 1);        // another language
    addBook(120, 3);
    const Lucene::DirectoryPtr directory = indexOf({{12, 120, 1, 7, 0, 12}});

    const Lucene::FilterPtr filter = readActiveLibraryBooks(db->sqlDatabase(), 2, IndexField::bid);
    EXPECT_EQ(filter->getClassName(), L"MembershipFilter");
    EXPECT_EQ(passing(directory, filter), (std::multiset<std::wstring>{L"12", L"12"}));

    EXPECT_EQ(passing(directory, readActiveLibraryBooks(db->sqlDatabase(), 1, IndexField::bid)),
              std::multiset<std::wstring>{L"1"});
    db->execSql(QStringLiteral("DELETE FROM BookInfo2"));
    EXPECT_TRUE(passing(directory, readActiveLibraryBooks(db->sqlDatabase(), 2, IndexField::bid)).empty());
}

TEST_F(ActiveLibraryTest, FilterOfAnAllMemberSegmentAdmitsEveryDocument)
{
    for (const int id : {1, 2, 3})
        addBook(id, 2);
    const Lucene::FilterPtr filter = readActiveLibraryBooks(db->sqlDatabase(), 2, IndexField::bid);
    // Segments: every book a member; a stranger among members; no book id at all.
    const Lucene::DirectoryPtr directory = indexOf({{1, 2, 3, 3}, {2, 99}, {0, 0}, {1, 0}});
    EXPECT_EQ(passing(directory, filter), (std::multiset<std::wstring>{L"1", L"1", L"2", L"2", L"3", L"3"}));
}

TEST_F(ActiveLibraryTest, FilterSetOfBooksInRunsAdvancesToTheNextMember)
{
    addBook(1, 2);
    addBook(2, 2);
    // Members at 0-3 and 6-7; book 3 is not held, book 9 not in the library.
    const Lucene::IndexReaderPtr reader = Lucene::IndexReader::open(indexOf({{1, 1, 2, 2, 3, 3, 1, 1, 9}}), true);
    const Lucene::DocIdSetPtr set =
        readActiveLibraryBooks(db->sqlDatabase(), 2, IndexField::bid)->getDocIdSet(reader->getSequentialSubReaders()[0]);
    std::vector<int32_t> walked;
    const Lucene::DocIdSetIteratorPtr walk = set->iterator();
    while (walk->nextDoc() != Lucene::DocIdSetIterator::NO_MORE_DOCS)
        walked.push_back(walk->docID());
    EXPECT_EQ(walked, (std::vector<int32_t>{0, 1, 2, 3, 6, 7}));

    const std::pair<int32_t, int32_t> advances[] = {
        {0, 0}, {3, 3}, {4, 6}, {5, 6}, {7, 7}, {8, Lucene::DocIdSetIterator::NO_MORE_DOCS}, {100, Lucene::DocIdSetIterator::NO_MORE_DOCS}};
    for (const auto& [target, expected] : advances) {
        const Lucene::DocIdSetIteratorPtr it = set->iterator();
        EXPECT_EQ(it->advance(target), expected) << target;
        EXPECT_EQ(it->docID(), expected) << target;
    }
    // Never backwards, and nothing after the end.
    const Lucene::DocIdSetIteratorPtr it = set->iterator();
    EXPECT_EQ(it->advance(6), 6);
    EXPECT_EQ(it->advance(2), 7);
    EXPECT_EQ(it->nextDoc(), Lucene::DocIdSetIterator::NO_MORE_DOCS);
    EXPECT_EQ(it->advance(0), Lucene::DocIdSetIterator::NO_MORE_DOCS);
    reader->close();
}

TEST_F(ActiveLibraryTest, FilterSetsGrowWithTheBooksUnlessTheirDocumentsInterleave)
{
    constexpr int documents = 100000;
    std::vector<int> interleaved(documents);
    std::vector<int> inTurn(documents);
    for (int i = 0; i < documents; ++i) {
        interleaved[std::size_t(i)] = 1 + i % 50;
        inTurn[std::size_t(i)] = 1 + i / (documents / 50);
    }
    const Lucene::IndexReaderPtr interleavedReader = Lucene::IndexReader::open(indexOf({interleaved}), true);
    const Lucene::IndexReaderPtr inTurnReader = Lucene::IndexReader::open(indexOf({inTurn}), true);
    ASSERT_EQ(interleavedReader->getSequentialSubReaders().size(), 1);
    ASSERT_EQ(inTurnReader->getSequentialSubReaders().size(), 1);
    const Lucene::IndexReaderPtr interleavedSegment = interleavedReader->getSequentialSubReaders()[0];
    const Lucene::IndexReaderPtr inTurnSegment = inTurnReader->getSequentialSubReaders()[0];

    // The readers' per-thread caches, by a filter of another language: a
    // filter keeps the set it read, so each is measured on its first read.
    addBook(1, 3);
    for (const Lucene::IndexReaderPtr& segment : {interleavedSegment, inTurnSegment})
        readActiveLibraryBooks(db->sqlDatabase(), 3, IndexField::bid)->getDocIdSet(segment);
    const auto heapFor = [&](const Lucene::IndexReaderPtr& segment, int32_t& admitted) {
        const Lucene::FilterPtr filter = readActiveLibraryBooks(db->sqlDatabase(), 2, IndexField::bid);
        const std::size_t before = test::heapBytes();
        const Lucene::DocIdSetPtr set = filter->getDocIdSet(segment);
        const std::ptrdiff_t grown = std::ptrdiff_t(test::heapBytes()) - std::ptrdiff_t(before);
        admitted = 0;
        const Lucene::DocIdSetIteratorPtr it = set->iterator();
        while (it->nextDoc() != Lucene::DocIdSetIterator::NO_MORE_DOCS)
            ++admitted;
        return grown;
    };
    constexpr std::ptrdiff_t bitPerDocument = documents / 8;

    for (int id = 2; id <= 50; ++id)
        addBook(id, 2);
    int32_t admitted = 0;
    // One member missing: runs of books in turn, a bit per document once
    // the books interleave.
    EXPECT_LT(heapFor(inTurnSegment, admitted), bitPerDocument / 4);
    EXPECT_EQ(admitted, documents - documents / 50);
    EXPECT_GE(heapFor(interleavedSegment, admitted), bitPerDocument);
    EXPECT_EQ(admitted, documents - documents / 50);

    // Every book a member: nothing per document.
    addBook(1, 2);
    for (const Lucene::IndexReaderPtr& segment : {interleavedSegment, inTurnSegment}) {
        EXPECT_LT(heapFor(segment, admitted), bitPerDocument / 16);
        EXPECT_EQ(admitted, documents);
    }
    interleavedReader->close();
    inTurnReader->close();
}

TEST_F(ActiveLibraryTest, KeptFilterAndKeyFollowChangesMadeThroughAnyConnection)
{
    addBook(1, 2);
    addBook(2, 2);
    const auto other = openLibrary(dir->filePath(QStringLiteral("Tarnolix.db")));
    ASSERT_NE(other->sqlDatabase().connectionName(), db->sqlDatabase().connectionName());
    const Lucene::DirectoryPtr directory = indexOf({{1, 2}, {3, 4}});
    const Lucene::IndexReaderPtr reader = Lucene::IndexReader::open(directory, true);
    const Lucene::Collection<Lucene::IndexReaderPtr> segments = reader->getSequentialSubReaders();
    ASSERT_EQ(segments.size(), 2);

    // Unchanged: the same filter for every connection, each segment's set read once.
    const Lucene::FilterPtr first = readActiveLibraryBooks(db->sqlDatabase(), 2, IndexField::bid);
    const QByteArray firstKey = activeLibraryCacheKey(db->sqlDatabase());
    EXPECT_EQ(readActiveLibraryBooks(db->sqlDatabase(), 2, IndexField::bid), first);
    EXPECT_EQ(readActiveLibraryBooks(other->sqlDatabase(), 2, IndexField::bid), first);
    EXPECT_EQ(first->getDocIdSet(segments[1]), first->getDocIdSet(segments[1]));
    EXPECT_EQ(passing(directory, first), (std::multiset<std::wstring>{L"1", L"2"}));

    // A book added through the other connection, then one dropped through this one.
    addBookThrough(*other, 3, 2);
    EXPECT_NE(activeLibraryCacheKey(db->sqlDatabase()), firstKey);
    EXPECT_EQ(passing(directory, readActiveLibraryBooks(db->sqlDatabase(), 2, IndexField::bid)),
              (std::multiset<std::wstring>{L"1", L"2", L"3"}));
    db->execSql(QStringLiteral("DELETE FROM BookBase WHERE id=1"));
    EXPECT_EQ(passing(directory, readActiveLibraryBooks(other->sqlDatabase(), 2, IndexField::bid)),
              (std::multiset<std::wstring>{L"2", L"3"}));
    db->execSql(QStringLiteral("INSERT INTO BookBase(id) VALUES(1)"));
    EXPECT_EQ(activeLibraryCacheKey(other->sqlDatabase()), activeLibraryCacheKey(db->sqlDatabase()));
    reader->close();
}

TEST_F(ActiveLibraryTest, KeptFilterReadsTheSegmentsOfAReopenedIndex)
{
    addBook(1, 2);
    addBook(5, 2);
    const Lucene::DirectoryPtr directory = indexOf({{1, 2}});
    const Lucene::FilterPtr filter = readActiveLibraryBooks(db->sqlDatabase(), 2, IndexField::bid);
    EXPECT_EQ(passing(directory, filter), std::multiset<std::wstring>{L"1"});

    // More books indexed, and a document of book 1 deleted.
    const auto writer = Lucene::newLucene<Lucene::IndexWriter>(
        directory, Lucene::newLucene<Lucene::WhitespaceAnalyzer>(), false, Lucene::IndexWriter::MaxFieldLengthUNLIMITED);
    for (const int bookId : {5, 1, 6}) {
        const auto document = Lucene::newLucene<Lucene::Document>();
        document->add(Lucene::newLucene<Lucene::Field>(IndexField::bid, std::to_wstring(bookId), Lucene::Field::STORE_YES,
                                                       Lucene::Field::INDEX_NOT_ANALYZED));
        writer->addDocument(document);
        writer->commit();
    }
    EXPECT_EQ(passing(directory, filter), (std::multiset<std::wstring>{L"1", L"1", L"5"}));
    writer->optimize();
    writer->deleteDocuments(Lucene::newLucene<Lucene::Term>(IndexField::bid, L"1"));
    writer->close();
    EXPECT_EQ(readActiveLibraryBooks(db->sqlDatabase(), 2, IndexField::bid), filter);
    EXPECT_EQ(passing(directory, filter), std::multiset<std::wstring>{L"5"});
}

TEST_F(ActiveLibraryTest, KeyFollowsTheBooksTheOwnerAndTheFile)
{
    const QSqlDatabase connection = db->sqlDatabase();
    const QByteArray empty = activeLibraryCacheKey(connection);
    EXPECT_EQ(empty.size(), 32) << "a library without books still has a key";
    EXPECT_EQ(activeLibraryCacheKey(connection), empty);

    addBook(7, 2, false);
    EXPECT_EQ(activeLibraryCacheKey(connection), empty) << "an edition without its book row is not held";
    addBook(5, 2);
    const QByteArray oneRussian = activeLibraryCacheKey(connection);
    EXPECT_EQ(oneRussian.size(), 32);
    EXPECT_NE(oneRussian, empty);
    db->execSql(QStringLiteral("DELETE FROM BookInfo2 WHERE id=5"));
    addBook(5, 1);
    EXPECT_NE(activeLibraryCacheKey(connection), oneRussian) << "the same book in another language";
    EXPECT_NE(activeLibraryCacheKey(connection), empty);

    const QByteArray beforeOwner = activeLibraryCacheKey(connection);
    db->setSetting(QLatin1String(LibrarySettingsKeys::DBOwned), QStringLiteral("reader@tarnolix.invalid"));
    const QByteArray owned = activeLibraryCacheKey(connection);
    EXPECT_NE(owned, beforeOwner);

    const QString copyPath = dir->filePath(QStringLiteral("Copy.db"));
    ASSERT_TRUE(QFile::copy(dir->filePath(QStringLiteral("Tarnolix.db")), copyPath));
    const auto copy = openLibrary(copyPath);
    const QByteArray copied = activeLibraryCacheKey(copy->sqlDatabase());
    EXPECT_EQ(copied.size(), 32);
    EXPECT_NE(copied, owned);

    EXPECT_TRUE(activeLibraryCacheKey(QSqlDatabase()).isEmpty());
    {
        const QSqlDatabase closed = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("closed"));
        EXPECT_TRUE(activeLibraryCacheKey(closed).isEmpty());
    }
    QSqlDatabase::removeDatabase(QStringLiteral("closed"));
}

TEST_F(ActiveLibraryTest, KeyOfAnInMemoryLibraryNamesItsConnection)
{
    const auto keyOf = [](const QString& name) {
        QByteArray key;
        {
            QSqlDatabase memory = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
            memory.setDatabaseName(QStringLiteral(":memory:"));
            EXPECT_TRUE(memory.open());
            QSqlQuery query(memory);
            for (const char* statement :
                 {"CREATE TABLE Settings(key TEXT, value TEXT)", "CREATE TABLE BookBase(id INTEGER PRIMARY KEY)",
                  "CREATE TABLE BookInfo1(id INTEGER PRIMARY KEY)", "CREATE TABLE BookInfo2(id INTEGER PRIMARY KEY)",
                  "CREATE TABLE BookInfo3(id INTEGER PRIMARY KEY)"})
                EXPECT_TRUE(query.exec(QLatin1String(statement)));
            key = activeLibraryCacheKey(memory);
            memory.close();
        }
        QSqlDatabase::removeDatabase(name);
        return key;
    };
    const QByteArray first = keyOf(QStringLiteral("memory-a"));
    EXPECT_EQ(first.size(), 32);
    EXPECT_EQ(keyOf(QStringLiteral("memory-a")), first);
    EXPECT_NE(keyOf(QStringLiteral("memory-b")), first);
}

} // namespace
