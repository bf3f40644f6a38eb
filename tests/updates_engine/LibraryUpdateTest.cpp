// Whole library updates against the stand-in: the update driver runs the
// engine as the program does (its own thread, the index writers beside it)
// and the library folder is read afterwards, table by table and index by
// index. Runs share one folder path: the book text is enciphered with the
// folder as its IV, so only libraries made in the same place compare equal.

#include "tests/support/LibrarySnapshot.h"
#include "tests/support/StandinControl.h"
#include "tests/support/StandinServer.h"
#include "tests/support/TestSupport.h"

#include <LuceneHeaders.h>

#include <QCborValue>
#include <QCryptographicHash>
#include <QDataStream>
#include <QJsonDocument>
#include <QThread>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStandardPaths>
#include <QStringList>
#include <QTemporaryDir>
#include <QUuid>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <set>

using namespace tarnolix::test;

namespace {

const QString kEmail = QStringLiteral("reader@tarnolix.invalid");
const QString kPassword = QStringLiteral("lamp-of-verses");
const std::set<int> kSampleBooks{101, 102, 103, 104, 105, 106, 107};

// What one driver run printed.
struct DriverRun
{
    int exitCode = -1;
    bool killed = false;
    QStringList lines;

    std::vector<int> statuses() const
    {
        std::vector<int> out;
        for (const QString& line : lines) {
            if (line.startsWith(QLatin1String("status ")))
                out.push_back(line.mid(7).toInt());
        }
        return out;
    }
    QString lastError() const
    {
        for (int i = lines.size() - 1; i >= 0; --i) {
            if (lines[i].startsWith(QLatin1String("error ")))
                return lines[i].mid(6);
        }
        return QString();
    }
    bool saw(const QString& text) const
    {
        return std::any_of(lines.begin(), lines.end(), [&](const QString& line) { return line.contains(text); });
    }
};

using Snapshot = LibrarySnapshot;

class LibraryUpdateTest : public ::testing::Test
{
public:
    static void SetUpTestSuite()
    {
        server = new StandinServer;
        ASSERT_TRUE(server->start()) << server->logPath().toStdString();
    }
    static void TearDownTestSuite()
    {
        delete server;
        server = nullptr;
    }

    void SetUp() override
    {
        ASSERT_TRUE(root.isValid());
        library = root.filePath(QStringLiteral("library"));
        control("DELETE", QStringLiteral("faults"));
        setVersion(QStringLiteral("1"));
    }
    void TearDown() override
    {
        control("DELETE", QStringLiteral("faults"));
        setVersion(QStringLiteral("1"));
    }

    static QString origin() { return server->httpOrigin(); }
    static QJsonValue control(const QByteArray& verb, const QString& what, const QJsonValue& body = QJsonValue())
    {
        return standinControl(origin(), verb, what, body);
    }
    static void setVersion(const QString& version)
    {
        control("POST", QStringLiteral("dataset"), QJsonObject{{QStringLiteral("version"), version}});
    }
    static void arm(const QString& plan)
    {
        control("POST", QStringLiteral("faults"), QJsonObject{{QStringLiteral("plan"), plan}});
    }
    static void clearRequests() { control("DELETE", QStringLiteral("requests")); }
    static QJsonArray requests() { return standinRequests(origin()); }
    // Paths of the logged requests that start with `prefix`, in order.
    static QStringList requested(const QString& prefix)
    {
        QStringList paths;
        for (const QJsonValue& entry : requests()) {
            const QString path = entry.toObject().value(QStringLiteral("path")).toString();
            if (path.startsWith(prefix))
                paths.append(path);
        }
        return paths;
    }
    static std::set<int> downloadedBooks()
    {
        std::set<int> ids;
        for (const QString& path : requested(QStringLiteral("/books/download/")))
            ids.insert(path.section(QLatin1Char('/'), -1).toInt());
        return ids;
    }

    // Runs the driver on the library folder; `kill` (when given) sees each
    // line and answers true to kill the driver with SIGKILL there.
    DriverRun drive(const QStringList& extra = {}, const std::function<bool(const QString&)>& kill = {})
    {
        QProcess process;
        process.setProcessChannelMode(QProcess::SeparateChannels);
        process.setStandardErrorFile(root.filePath(QStringLiteral("driver.log")), QIODevice::Append);
        process.start(QStringLiteral(TARNOLIX_UPDATE_DRIVER),
                      QStringList{QStringLiteral("--library"), library, QStringLiteral("--origin"), origin(),
                                  QStringLiteral("--email"), kEmail, QStringLiteral("--password"), kPassword,
                                  QStringLiteral("--retry-ms"), QStringLiteral("100"), QStringLiteral("--stall-ms"),
                                  QStringLiteral("1500")}
                          + extra);
        DriverRun run;
        if (!process.waitForStarted(10000)) {
            ADD_FAILURE() << "the driver did not start";
            return run;
        }
        QByteArray pending;
        QElapsedTimer clock;
        clock.start();
        while (process.state() != QProcess::NotRunning) {
            // A run that never ends is a failure to report, not a test to wait out.
            if (!run.killed && clock.elapsed() > 300000) {
                ADD_FAILURE() << "the driver was still running after five minutes\n"
                              << stacksOf(process.processId()).toStdString() << "\nits log ends with:\n"
                              << logTail(60).toStdString();
                process.kill();
                run.killed = true;
            }
            process.waitForReadyRead(100);
            pending += process.readAllStandardOutput();
            int end;
            while ((end = pending.indexOf('\n')) >= 0) {
                const QString line = QString::fromUtf8(pending.left(end));
                pending.remove(0, end + 1);
                run.lines.append(line);
                if (kill && !run.killed && kill(line)) {
                    process.kill();
                    run.killed = true;
                }
            }
        }
        process.waitForFinished(-1);
        run.lines.append(QString::fromUtf8(process.readAllStandardOutput()).split(QLatin1Char('\n'),
                                                                                   Qt::SkipEmptyParts));
        run.exitCode = run.killed ? -9 : process.exitCode();
        return run;
    }

    // Every thread's stack of a hung driver, when gdb is at hand.
    static QString stacksOf(qint64 pid)
    {
        const QString gdb = QStandardPaths::findExecutable(QStringLiteral("gdb"));
        if (gdb.isEmpty())
            return QStringLiteral("(no gdb for the stacks)");
        QProcess trace;
        trace.setProcessChannelMode(QProcess::MergedChannels);
        trace.start(gdb, {QStringLiteral("-batch"), QStringLiteral("-p"), QString::number(pid), QStringLiteral("-ex"),
                          QStringLiteral("thread apply all bt 30")});
        if (!trace.waitForFinished(120000))
            trace.kill();
        return QString::fromLocal8Bit(trace.readAll());
    }

    // The last lines the driver wrote to its log (its standard error).
    QString logTail(int count) const
    {
        QFile log(root.filePath(QStringLiteral("driver.log")));
        if (!log.open(QIODevice::ReadOnly))
            return QString();
        const QStringList lines = QString::fromUtf8(log.readAll()).split(QLatin1Char('\n'));
        return lines.mid(std::max(0, int(lines.size()) - count)).join(QLatin1Char('\n'));
    }

    // Restarts the driver until a run finishes (at most `attempts`).
    int driveUntilFinished(int attempts = 5)
    {
        DriverRun last;
        for (int i = 1; i <= attempts; ++i) {
            last = drive();
            if (last.exitCode == 0)
                return i;
        }
        ADD_FAILURE() << "the last run said:\n" << last.lines.join(QLatin1Char('\n')).toStdString();
        return 0;
    }

    void removeLibrary() { QDir(library).removeRecursively(); }

    // Reads the library; `ignoredSettings` and tables whose name starts with
    // one of `ignoredPrefixes` are left out.
    Snapshot snapshot(const QStringList& ignoredSettings, const QStringList& ignoredPrefixes = {}) const
    {
        return librarySnapshot(library, ignoredSettings, ignoredPrefixes);
    }


    // Rows of one statement on the library, fields joined by "|".
    QStringList sql(const QString& statement) const { return librarySql(library, statement); }

    static std::set<int> ids(const Snapshot& shot, const QString& table)
    {
        std::set<int> out;
        for (const QString& row : shot.tables.at(table))
            out.insert(row.section(QLatin1Char('|'), 0, 0).toInt());
        return out;
    }
    static std::set<int> books(const std::map<QString, int>& counts)
    {
        std::set<int> out;
        for (const auto& entry : counts)
            out.insert(entry.first.toInt());
        return out;
    }
    static QString setting(const Snapshot& shot, const QString& key)
    {
        for (const QString& row : shot.tables.at(QStringLiteral("Settings"))) {
            if (row.section(QLatin1Char('|'), 0, 0) == key)
                return row.section(QLatin1Char('|'), 1);
        }
        return QString();
    }

    static void expectEqual(const Snapshot& actual, const Snapshot& expected, const char* what)
    {
        expectEqualLibraries(actual, expected, what);
    }

    static StandinServer* server;
    QTemporaryDir root;
    QString library;
};

StandinServer* LibraryUpdateTest::server = nullptr;

// The clock of a run and its resumable state differ between runs.
const QStringList kRunClock{QStringLiteral("BooksUpdateTime"), QStringLiteral("DatabaseUpdateStatus")};

TEST_F(LibraryUpdateTest, AFirstDownloadFillsTheTablesAndEveryIndex)
{
    clearRequests();
    const DriverRun run = drive();
    ASSERT_EQ(run.exitCode, 0) << run.lines.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(run.statuses(), (std::vector<int>{1, 2, 3, 4, 5, 6}));
    EXPECT_TRUE(run.saw(QStringLiteral("progress 7 7")));

    const Snapshot shot = snapshot({});
    EXPECT_EQ(ids(shot, QStringLiteral("BookBase")), kSampleBooks);
    EXPECT_FALSE(shot.tables.at(QStringLiteral("Categories")).isEmpty());
    EXPECT_FALSE(shot.tables.at(QStringLiteral("Persons")).isEmpty());
    EXPECT_EQ(shot.tables.at(QStringLiteral("GlossaryWords")).size(), 8);
    EXPECT_EQ(setting(shot, QStringLiteral("DatabaseStatus")), QStringLiteral("2"));
    EXPECT_GT(setting(shot, QStringLiteral("BooksUpdateTime")).toLongLong(), 0);
    EXPECT_FALSE(setting(shot, QStringLiteral("GlossariesMD5")).isEmpty());
    for (const QString& language : {QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")})
        EXPECT_FALSE(setting(shot, QStringLiteral("SectionsCatalogPositions_") + language).isEmpty()) << language.toStdString();
    for (const char* queue : {"BFI1", "BFI2", "BFI3"})
        EXPECT_TRUE(shot.tables.at(QLatin1String(queue)).isEmpty()) << queue << " indexed by the writers";

    // Every book's sections are in its languages' full-text indexes, the
    // word-by-word pairs in their index, every glossary word in its own.
    std::set<int> fullText;
    for (const char* index : {"Index_1", "Index_2", "Index_3"}) {
        const std::set<int> in = books(shot.indexes.at(QLatin1String(index)));
        fullText.insert(in.begin(), in.end());
    }
    EXPECT_EQ(fullText, kSampleBooks);
    EXPECT_FALSE(shot.indexes.at(QStringLiteral("Index2")).empty());
    EXPECT_EQ(shot.indexes.at(QStringLiteral("Index3")).size(), 8u);

    // Each book fetched once, at most eight at a time.
    const QJsonArray log = requests();
    std::vector<std::pair<double, int>> edges;
    std::multiset<int> fetched;
    for (const QJsonValue& value : log) {
        const QJsonObject entry = value.toObject();
        const QString path = entry.value(QStringLiteral("path")).toString();
        if (!path.startsWith(QLatin1String("/books/download/")))
            continue;
        fetched.insert(path.section(QLatin1Char('/'), -1).toInt());
        EXPECT_EQ(entry.value(QStringLiteral("status")).toInt(), 200);
        edges.emplace_back(entry.value(QStringLiteral("start")).toDouble(), +1);
        edges.emplace_back(entry.value(QStringLiteral("end")).toDouble(), -1);
    }
    EXPECT_EQ(std::set<int>(fetched.begin(), fetched.end()), kSampleBooks);
    EXPECT_EQ(fetched.size(), kSampleBooks.size());
    std::sort(edges.begin(), edges.end());
    int inFlight = 0, most = 0;
    for (const auto& edge : edges)
        most = std::max(most, inFlight += edge.second);
    EXPECT_LE(most, 8);
}

TEST_F(LibraryUpdateTest, ASecondVersionAppliesExactlyItsChanges)
{
    // The library version 2 makes when downloaded afresh.
    setVersion(QStringLiteral("2"));
    ASSERT_EQ(drive().exitCode, 0);
    // The cover queue keeps the withdrawn book's row (deleting a book leaves
    // it); the cover loader does not run here.
    const QStringList ignoredTables{QStringLiteral("Retained"), QStringLiteral("Favorites"), QStringLiteral("BFLC")};
    const Snapshot fresh = snapshot(kRunClock, ignoredTables);
    removeLibrary();

    setVersion(QStringLiteral("1"));
    ASSERT_EQ(drive().exitCode, 0);
    // A favorite across chapter 2 of book 101, whose verses version 2 reorders.
    // A favorite's end holds the section's code and its place in the
    // book's section list, from 0.
    const auto place = [this](const QString& slug) {
        return sql(QStringLiteral("SELECT code, [index] - 1 FROM BookSections2 WHERE bookId = 101 AND slug = '%1'")
                       .arg(slug))
            .value(0);
    };
    const QString start = place(QStringLiteral("glava-2.stikh-1"));
    const QString end = place(QStringLiteral("glava-2.stikh-3-4"));
    sql(QStringLiteral("INSERT INTO Favorites (uuid, bookId, language, startSectionSlug, startSectionCode, "
                       "startSectionIndex, startOffset, endSectionSlug, endSectionCode, endSectionIndex, endOffset, "
                       "timeOfChange) VALUES ('f0000000-0000-0000-0000-000000000001', 101, 2, 'glava-2.stikh-1', "
                       "'%1', %2, 0, 'glava-2.stikh-3-4', '%3', %4, 5, 1234)")
            .arg(start.section(QLatin1Char('|'), 0, 0), start.section(QLatin1Char('|'), 1),
                 end.section(QLatin1Char('|'), 0, 0), end.section(QLatin1Char('|'), 1)));
    setVersion(QStringLiteral("2"));
    // Change times are whole seconds and the changed-ids request counts its
    // own second in: a run within the switch's second would name the
    // changed books again next time.
    QThread::msleep(1100);
    clearRequests();
    const DriverRun second = drive();
    ASSERT_EQ(second.exitCode, 0) << second.lines.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(downloadedBooks(), (std::set<int>{101, 103}));
    EXPECT_EQ(requested(QStringLiteral("/storage/desktop-dictionaries-update/glossaries.zip")).size(), 2)
        << "the changed glossaries are fetched again (checksum and archive)";

    const Snapshot updated = snapshot(kRunClock);
    EXPECT_EQ(ids(updated, QStringLiteral("BookBase")).count(106), 0u);
    EXPECT_FALSE(updated.tables.at(QStringLiteral("RetainedBookState")).isEmpty());
    EXPECT_EQ(ids(updated, QStringLiteral("RetainedBookState")), (std::set<int>{106}));
    for (const char* index : {"Index_1", "Index_2", "Index_3", "Index2"})
        EXPECT_EQ(books(updated.indexes.at(QLatin1String(index))).count(106), 0u) << index;
    expectEqual(snapshot(kRunClock, ignoredTables), fresh, "v1 updated to v2");
    EXPECT_NE(place(QStringLiteral("glava-2.stikh-1")), start) << "the verses moved";
    EXPECT_EQ(sql(QStringLiteral("SELECT startSectionCode, startSectionIndex, endSectionCode, endSectionIndex, "
                                 "timeOfChange FROM Favorites")),
              QStringList{place(QStringLiteral("glava-2.stikh-1")) + QLatin1Char('|')
                          + place(QStringLiteral("glava-2.stikh-3-4")) + QStringLiteral("|1234")})
        << "both ends follow their slugs; the time of change stays";

    // Nothing changed since: no book and no glossaries archive.
    clearRequests();
    ASSERT_EQ(drive().exitCode, 0);
    EXPECT_TRUE(downloadedBooks().empty());
    EXPECT_EQ(requested(QStringLiteral("/storage/desktop-dictionaries-update/glossaries.zip")),
              QStringList{QStringLiteral("/storage/desktop-dictionaries-update/glossaries.zip.md5")});
}

TEST_F(LibraryUpdateTest, ACheckOnlyRunLeavesTheFileUnchanged)
{
    ASSERT_EQ(drive().exitCode, 0);
    const auto digest = [this] {
        QFile file(library + QStringLiteral("/Tarnolix.db"));
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
    };
    const QByteArray before = digest();
    setVersion(QStringLiteral("2"));
    clearRequests();
    const DriverRun check = drive({QStringLiteral("--check-only")});
    EXPECT_EQ(check.exitCode, 0);
    EXPECT_EQ(check.statuses(), (std::vector<int>{1, 2, 3, 6}));
    EXPECT_TRUE(downloadedBooks().empty());
    EXPECT_EQ(digest(), before);
    EXPECT_EQ(QFileInfo(library + QStringLiteral("/Tarnolix.db-wal")).size(), 0);
}

// A read that fails while the catalogue is walked for the sections'
// positions fails the run with its own text; the steps before it still ran.
// Breaks the first sections table: a view in its place fails every read of it.
static QString breakFirstSectionsTable(const std::function<QStringList(const QString&)>& sql)
{
    const QStringList tables =
        sql(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' AND name LIKE 'BookSections%' "
                           "ORDER BY name"));
    if (tables.isEmpty())
        return QString();
    const QString table = tables.first();
    sql(QStringLiteral("ALTER TABLE %1 RENAME TO %1_kept").arg(table));
    sql(QStringLiteral("CREATE VIEW %1 AS SELECT * FROM %1_kept WHERE abs(-9223372036854775807 - 1)").arg(table));
    return table;
}

TEST_F(LibraryUpdateTest, AFailingCataloguePositionsWalkFailsTheRun)
{
    ASSERT_EQ(drive().exitCode, 0);
    // A data set switched in the second the first run started is fetched once
    // more by the next run; that run absorbs it, so the failing one has no changes.
    ASSERT_EQ(drive().exitCode, 0);
    const QString stamp = setting(snapshot({}), QStringLiteral("BooksUpdateTime"));
    // Only the walk reads every section of a language at once: a view in
    // place of one sections table makes that read fail, and no other step
    // of a run without changes reads it.
    ASSERT_FALSE(breakFirstSectionsTable([this](const QString& query) { return sql(query); }).isEmpty());
    // The flags step runs before the walk: cleared here, it sets them again.
    const QStringList flags =
        sql(QStringLiteral("SELECT name FROM pragma_table_info('Categories') WHERE name LIKE 'booksExists%'"));
    ASSERT_FALSE(flags.isEmpty());
    const QString flagged = QStringLiteral("SELECT count(*) FROM Categories WHERE ") + flags.join(QStringLiteral(" + "))
                            + QStringLiteral(" != 0");
    const QStringList before = sql(flagged);
    ASSERT_NE(before, QStringList{QStringLiteral("0")});
    sql(QStringLiteral("UPDATE Categories SET ") + flags.join(QStringLiteral(" = 0, ")) + QStringLiteral(" = 0"));

    const DriverRun failed = drive();
    EXPECT_EQ(failed.exitCode, 1);
    EXPECT_EQ(failed.statuses().back(), 7);
    EXPECT_EQ(failed.lastError(), QStringLiteral("Произошла ошибка при загрузке книг(3)!"));
    const Snapshot after = snapshot({});
    EXPECT_EQ(setting(after, QStringLiteral("BooksUpdateTime")), stamp) << "a failed run keeps the last time";
    EXPECT_EQ(sql(flagged), before);
}

// Each good download clears the error count; a downloaded batch that can
// never be written must still end the run instead of being fetched forever.
TEST_F(LibraryUpdateTest, ABatchThatCanNeverBeWrittenFailsTheRun)
{
    ASSERT_EQ(drive().exitCode, 0);
    const QString stamp = setting(snapshot({}), QStringLiteral("BooksUpdateTime"));
    // Replacing a changed book deletes its sections, which reads the broken table.
    ASSERT_FALSE(breakFirstSectionsTable([this](const QString& query) { return sql(query); }).isEmpty());
    setVersion(QStringLiteral("2"));
    const DriverRun failed = drive();
    EXPECT_EQ(failed.exitCode, 1);
    EXPECT_EQ(failed.statuses().back(), 7);
    // The failed run's own completion reads the broken table too and adds its error.
    EXPECT_TRUE(failed.lastError().startsWith(QStringLiteral("Произошла ошибка при загрузке книг! | ")))
        << failed.lastError().toStdString();
    EXPECT_EQ(setting(snapshot({}), QStringLiteral("BooksUpdateTime")), stamp);
}

// One fault armed on the stand-in, one run, its outcome.
struct FaultCase
{
    const char* name;
    QStringList plans;
    int exitCode;
    const char* errorContains; // in the last error line; empty: none expected
    std::function<void(LibraryUpdateTest&)> check;
};

TEST_F(LibraryUpdateTest, FaultsEndAsTheyShould)
{
    const QString downloads = QStringLiteral("/books/download/");
    const std::vector<FaultCase> cases = {
        {"503 twice on the persons is retried",
         {QStringLiteral("mode=status,code=503,path=/base/persons,count=2")}, 0, "",
         [](LibraryUpdateTest&) { EXPECT_EQ(requested(QStringLiteral("/base/persons")).size(), 3); }},
        {"429 on a book waits and fetches it again",
         {QStringLiteral("mode=status,code=429,path=/books/download/,book=103,count=1")}, 0, "",
         [](LibraryUpdateTest&) { EXPECT_EQ(requested(QStringLiteral("/books/download/103")).size(), 2); }},
        {"a stalled book is fetched again",
         {QStringLiteral("mode=stall,path=/books/download/,book=104,count=1")}, 0, "",
         [](LibraryUpdateTest&) { EXPECT_GE(requested(QStringLiteral("/books/download/104")).size(), 2); }},
        {"malformed reference records are left out",
         {QStringLiteral("mode=malformed,kind=record,path=/base/categories,count=1")}, 0, "",
         [](LibraryUpdateTest& test) {
             const std::set<int> categories = ids(test.snapshot({}), QStringLiteral("Categories"));
             EXPECT_FALSE(categories.empty());
             EXPECT_EQ(categories.count(0), 0u) << "an element without an id is no category";
         }},
        {"a connection that keeps closing gives up after ten attempts",
         {QStringLiteral("mode=close,path=/books/download/,book=102")}, 1, "10 попыток",
         [](LibraryUpdateTest& test) {
             const Snapshot shot = test.snapshot({});
             EXPECT_EQ(ids(shot, QStringLiteral("BookBase")).count(102), 0u);
             EXPECT_FALSE(ids(shot, QStringLiteral("BookBase")).empty()) << "books stored before are kept";
             EXPECT_EQ(setting(shot, QStringLiteral("BooksUpdateTime")), QString());
         }},
        {"a book whose zip is broken ten times is left for the next run",
         {QStringLiteral("mode=malformed,kind=body,path=/books/download/,book=105,count=10")}, 1,
         "Не удалось загрузить 1 книг. Остальные книги сохранены. Повторите обновление.",
         [](LibraryUpdateTest& test) {
             EXPECT_EQ(requested(QStringLiteral("/books/download/105")).size(), 10);
             const Snapshot shot = test.snapshot({});
             std::set<int> expected = kSampleBooks;
             expected.erase(105);
             EXPECT_EQ(ids(shot, QStringLiteral("BookBase")), expected);
             // The next run fetches just that book.
             clearRequests();
             EXPECT_EQ(test.drive().exitCode, 0);
             EXPECT_EQ(downloadedBooks(), (std::set<int>{105}));
         }},
        {"an empty categories list is refused, not stored",
         {QStringLiteral("mode=malformed,kind=empty,path=/base/categories,count=1")}, 0, "",
         [](LibraryUpdateTest& test) {
             EXPECT_EQ(requested(QStringLiteral("/base/categories")).size(), 2) << "refused, then asked again";
             EXPECT_FALSE(ids(test.snapshot({}), QStringLiteral("Categories")).empty());
         }},
        {"the 51st counted error fails the step",
         {QStringLiteral("mode=status,code=500,path=/base/publishers")}, 1, "Не удалось загрузить справочники!",
         [](LibraryUpdateTest&) {
             // 51 errors in a row; the other reference replies' successes
             // may restart the count while they arrive.
             const int sent = requested(QStringLiteral("/base/publishers")).size();
             EXPECT_GE(sent, 51);
             EXPECT_LE(sent, 54);
         }},
    };
    for (const FaultCase& fault : cases) {
        SCOPED_TRACE(fault.name);
        removeLibrary();
        control("DELETE", QStringLiteral("faults"));
        for (const QString& plan : fault.plans)
            arm(plan);
        clearRequests();
        const DriverRun run = drive();
        EXPECT_EQ(run.exitCode, fault.exitCode) << run.lines.join(QLatin1Char('\n')).toStdString();
        if (*fault.errorContains)
            EXPECT_TRUE(run.lastError().contains(QString::fromUtf8(fault.errorContains))) << run.lastError().toStdString();
        else
            EXPECT_TRUE(run.lastError().isEmpty()) << run.lastError().toStdString();
        control("DELETE", QStringLiteral("faults"));
        if (fault.check)
            fault.check(*this);
    }
    (void)downloads;
}

TEST_F(LibraryUpdateTest, AFailedGlossariesInstallLeavesNoGlossariesAndTheNextRunInstallsThem)
{
    ASSERT_EQ(drive().exitCode, 0);
    // Every archive lacks its tree (and the checksum matches it).
    arm(QStringLiteral("mode=archive,kind=no-tree,path=/storage/desktop-dictionaries-update/glossaries.zip"));
    setVersion(QStringLiteral("2"));
    const DriverRun failed = drive();
    EXPECT_EQ(failed.exitCode, 1);
    EXPECT_EQ(failed.lastError(), QStringLiteral("Не удалось установить словари!"));
    const Snapshot empty = snapshot({});
    EXPECT_TRUE(empty.tables.at(QStringLiteral("GlossaryWords")).isEmpty());
    EXPECT_TRUE(empty.tables.at(QStringLiteral("GlossaryWordsData")).isEmpty());
    EXPECT_EQ(setting(empty, QStringLiteral("GlossariesMD5")), QString());
    EXPECT_EQ(setting(empty, QStringLiteral("GlossaryTree")), QStringLiteral(R"({"4":[],"6":0})")) << "an empty tree";
    EXPECT_EQ(empty.indexes.at(QStringLiteral("Index3")).size(), 8u) << "the index keeps what it had";

    control("DELETE", QStringLiteral("faults"));
    ASSERT_EQ(drive().exitCode, 0);
    const Snapshot installed = snapshot({});
    EXPECT_EQ(installed.tables.at(QStringLiteral("GlossaryWords")).size(), 9) << "version 2 adds a word";
    EXPECT_EQ(installed.indexes.at(QStringLiteral("Index3")).size(), 9u);
    EXPECT_FALSE(setting(installed, QStringLiteral("GlossariesMD5")).isEmpty());
}

TEST_F(LibraryUpdateTest, GlossariesAboveTheSizeCapsAreRefused)
{
    // Each attempt is refused, so the step gives up after its counted errors.
    const DriverRun archive = drive({QStringLiteral("--max-glossaries-archive"), QStringLiteral("1000")});
    EXPECT_EQ(archive.exitCode, 1);
    EXPECT_EQ(archive.lastError(), QStringLiteral("Не удалось загрузить словари!"));
    EXPECT_TRUE(snapshot({}).tables.at(QStringLiteral("GlossaryWords")).isEmpty());

    const DriverRun entry = drive({QStringLiteral("--max-glossary-entry"), QStringLiteral("100")});
    EXPECT_EQ(entry.exitCode, 1);
    EXPECT_EQ(entry.lastError(), QStringLiteral("Не удалось установить словари!"));
    const Snapshot shot = snapshot({});
    EXPECT_TRUE(shot.tables.at(QStringLiteral("GlossaryWords")).isEmpty());
    EXPECT_EQ(setting(shot, QStringLiteral("GlossariesMD5")), QString());
    EXPECT_EQ(ids(shot, QStringLiteral("BookBase")), kSampleBooks) << "the books are kept";
}

TEST_F(LibraryUpdateTest, ARejectedRunDropsLaterRepliesAndTheNextRunResumes)
{
    // Books are slow, so the reject comes while they are in flight.
    arm(QStringLiteral("mode=delay,delay_ms=1500,path=/books/download/"));
    const DriverRun run = drive({QStringLiteral("--reject-at-status"), QStringLiteral("2")});
    EXPECT_EQ(run.exitCode, 1);
    const std::vector<int> statuses = run.statuses();
    ASSERT_FALSE(statuses.empty());
    EXPECT_EQ(statuses.back(), 8);
    EXPECT_EQ(run.lastError(), QStringLiteral("Обновление базы прервано"));
    const Snapshot shot = snapshot({});
    EXPECT_TRUE(ids(shot, QStringLiteral("BookBase")).empty()) << "replies after the reject are dropped";
    // No run ever finished: the next start must offer the update again.
    EXPECT_EQ(setting(shot, QStringLiteral("DatabaseStatus")), QStringLiteral("0"));
    EXPECT_EQ(setting(shot, QStringLiteral("BooksUpdateTime")), QString());
    EXPECT_EQ(setting(shot, QStringLiteral("BooksSubscribeLevel")), QString());
    control("DELETE", QStringLiteral("faults"));
    EXPECT_EQ(drive().exitCode, 0);
    EXPECT_EQ(ids(snapshot({}), QStringLiteral("BookBase")), kSampleBooks);

    // A library that was complete stays so when a later run is stopped.
    setVersion(QStringLiteral("2"));
    arm(QStringLiteral("mode=delay,delay_ms=1500,path=/books/download/"));
    const DriverRun again = drive({QStringLiteral("--reject-at-status"), QStringLiteral("2")});
    ASSERT_FALSE(again.statuses().empty());
    EXPECT_EQ(again.statuses().back(), 8);
    EXPECT_EQ(setting(snapshot({}), QStringLiteral("DatabaseStatus")), QStringLiteral("2"));
}

TEST_F(LibraryUpdateTest, ADriverKilledAnywhereEndsAsAnUninterruptedRun)
{
    ASSERT_EQ(drive().exitCode, 0);
    const Snapshot reference = snapshot(kRunClock);
    const QString gloss = QStringLiteral("/storage/desktop-dictionaries-update/glossaries.zip");

    struct KillPoint
    {
        const char* name;
        QString plan; // held by this fault
        std::function<bool(const QString&)> kill;
    };
    const std::vector<KillPoint> points = {
        {"reference data", QStringLiteral("mode=delay,delay_ms=2000,path=/base/archi_books"),
         [](const QString& line) { return line == QLatin1String("status 1"); }},
        {"after saved books", QStringLiteral("mode=delay,delay_ms=3000,path=/books/download/,book=107"),
         [](const QString& line) {
             return line.startsWith(QLatin1String("progress ")) && line.section(QLatin1Char(' '), 1, 1).toInt() >= 3;
         }},
        {"glossaries download", QStringLiteral("mode=delay,delay_ms=2000,path=") + gloss,
         [](const QString& line) { return line == QLatin1String("status 3"); }},
        {"glossaries install", QString(), [](const QString& line) { return line == QLatin1String("progress 10 21"); }},
        {"completion", QString(), [](const QString& line) { return line == QLatin1String("status 5"); }},
    };
    for (const KillPoint& point : points) {
        SCOPED_TRACE(point.name);
        removeLibrary();
        control("DELETE", QStringLiteral("faults"));
        if (!point.plan.isEmpty())
            arm(point.plan);
        const DriverRun killed = drive({}, point.kill);
        EXPECT_TRUE(killed.killed) << killed.lines.join(QLatin1Char('\n')).toStdString();
        control("DELETE", QStringLiteral("faults"));
        EXPECT_GT(driveUntilFinished(), 0);
        expectEqual(snapshot(kRunClock), reference, point.name);
    }
}

} // namespace
