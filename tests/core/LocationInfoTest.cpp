#include "core/LocationInfo.h"

#include "core/Exception.h"
#include "tests/support/TestSupport.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QThread>
#include <QUuid>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include <sys/stat.h>

namespace {

// Sets an environment variable for the life of the object.
class ScopedEnv
{
public:
    ScopedEnv(const char* name, const QByteArray& value)
        : m_name(name), m_had(qEnvironmentVariableIsSet(name)), m_old(qgetenv(name))
    {
        qputenv(name, value);
    }
    ~ScopedEnv()
    {
        if (m_had)
            qputenv(m_name, m_old);
        else
            qunsetenv(m_name);
    }

private:
    const char* m_name;
    bool m_had;
    QByteArray m_old;
};

QString thrownText(const std::function<void()>& action)
{
    try {
        action();
    } catch (const Exception& e) {
        return e.message();
    }
    return QStringLiteral("<no exception>");
}

QString thrownTextOnWorker(const std::function<void()>& action)
{
    QString text;
    std::unique_ptr<QThread> worker(QThread::create([&] { text = thrownText(action); }));
    worker->start();
    worker->wait();
    return text;
}

unsigned modeOf(const QString& path)
{
    struct stat st;
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
        return 0;
    return st.st_mode & 07777;
}

// Runs `statements` on a new SQLite file at `path`.
void makeDatabase(const QString& path, const QStringList& statements)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    const QString name = QUuid::createUuid().toString();
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", name);
        db.setDatabaseName(path);
        ASSERT_TRUE(db.open());
        QSqlQuery q(db);
        for (const QString& statement : statements)
            ASSERT_TRUE(q.exec(statement)) << qPrintable(statement);
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

// A library file whose Settings table records `owner` (none when null).
void makeLibrary(const QString& path, const QString& owner, bool wal = false)
{
    QStringList statements;
    if (wal)
        statements << "PRAGMA journal_mode=WAL";
    statements << "CREATE TABLE Settings ([key] TEXT PRIMARY KEY UNIQUE, value BLOB)";
    if (!owner.isNull()) {
        QString quoted = owner;
        statements << "INSERT INTO Settings(key, value) VALUES('DBOwned', '" + quoted.replace("'", "''") + "')";
    }
    makeDatabase(path, statements);
}

// An SQLite file of another program: tables and rows, no Settings.
void makeForeignDatabase(const QString& path)
{
    makeDatabase(path, {"CREATE TABLE Notes (id INTEGER PRIMARY KEY, text TEXT)",
                        "INSERT INTO Notes(text) VALUES('someone else''s')"});
}

QString accountHash(const char* normalisedId)
{
    return QString::fromLatin1(QCryptographicHash::hash(normalisedId, QCryptographicHash::Sha256).toHex());
}

class LocationInfoTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_root->isValid());
        m_settings = std::make_unique<QSettings>(path("settings.conf"), QSettings::IniFormat);
        m_dataDir = path("data");
        m_settings->setValue("Locations/Data", m_dataDir);
    }

    QString path(const QString& relative) const { return m_root->filePath(relative); }
    std::unique_ptr<LocationInfo> makeLocations() { return std::make_unique<LocationInfo>(*m_settings); }

    std::unique_ptr<QTemporaryDir> m_root = tarnolix::test::makeTempDir();
    std::unique_ptr<QSettings> m_settings;
    QString m_dataDir;
};

} // namespace

TEST_F(LocationInfoTest, DataDirectoryIsFoundUnderXdgDataAndRemembered)
{
    const ScopedEnv home("XDG_DATA_HOME", QFile::encodeName(path("xdg-home")));
    const ScopedEnv dirs("XDG_DATA_DIRS", QFile::encodeName(path("xdg-sys")));
    m_settings->remove("Locations/Data");

    const QString expected = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + "/Data";
    ASSERT_TRUE(expected.startsWith(path("xdg-home") + "/"));
    {
        const auto locations = makeLocations();
        EXPECT_EQ(locations->dataLocation(), expected);
        EXPECT_EQ(locations->property("dataLocation").toString(), expected);
    }
    EXPECT_EQ(m_settings->value("Locations/Data").toString(), expected);
    EXPECT_TRUE(QDir(expected).exists());
    EXPECT_FALSE(QFile::exists(expected + "/tarnolix.tmp")) << "the write probe is removed";

    // A data home that cannot hold the directory gives way to the next location.
    m_settings->remove("Locations/Data");
    const ScopedEnv blocked("XDG_DATA_HOME", QFile::encodeName(path("not-a-dir")));
    QFile blocker(path("not-a-dir"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const QStringList all = QStandardPaths::standardLocations(QStandardPaths::AppDataLocation);
    ASSERT_GE(all.size(), 2);
    EXPECT_EQ(makeLocations()->dataLocation(), all.at(1) + "/Data");
    EXPECT_TRUE(all.at(1).startsWith(path("xdg-sys") + "/"));
}

TEST_F(LocationInfoTest, StoredDataDirectoryIsUsedUncheckedAndPathsFollowTheLibrary)
{
    m_settings->setValue("Locations/Data", path("missing/Data"));
    const auto stored = makeLocations();
    EXPECT_EQ(stored->dataLocation(), path("missing/Data"));
    EXPECT_FALSE(QFileInfo::exists(path("missing"))) << "nothing is created for a stored path";

    m_settings->setValue("Locations/Data", m_dataDir);
    const auto locations = makeLocations();
    EXPECT_EQ(locations->databasePath(), m_dataDir + "/Tarnolix.db");
    EXPECT_EQ(locations->indexPath(2), m_dataDir + "/Index_2");
    EXPECT_EQ(locations->index2Path(), m_dataDir + "/Index2");
    EXPECT_EQ(locations->index3Path(), m_dataDir + "/Index3");
    EXPECT_EQ(locations->logPath(), m_dataDir + "/Log");

    locations->selectAccountLibrary("  Reader7 ");
    const QString accounts = m_dataDir + "/Accounts";
    const QString account = accounts + "/" + accountHash("reader7");
    EXPECT_TRUE(locations->isAccountSelected());
    EXPECT_EQ(locations->databasePath(), account + "/Tarnolix.db");
    EXPECT_EQ(locations->indexPath(1), account + "/Index_1");
    EXPECT_EQ(locations->index2Path(), account + "/Index2");
    EXPECT_EQ(locations->index3Path(), account + "/Index3");
    EXPECT_EQ(locations->logPath(), m_dataDir + "/Log") << "logs stay in the data directory";
    EXPECT_EQ(modeOf(accounts), 0700u);
    EXPECT_EQ(modeOf(account), 0700u);
    EXPECT_FALSE(QFile::exists(account + "/Tarnolix.db")) << "the database layer creates the file";

    // Existing directories with wider rights are narrowed again.
    locations->releaseLibraryPaths();
    EXPECT_EQ(locations->databasePath(), m_dataDir + "/Tarnolix.db");
    ASSERT_EQ(::chmod(QFile::encodeName(account).constData(), 0755), 0);
    locations->selectAccountLibrary("reader7");
    EXPECT_EQ(locations->databasePath(), account + "/Tarnolix.db");
    EXPECT_EQ(modeOf(account), 0700u);
}

TEST_F(LocationInfoTest, DataDirectoryLibraryServesOnlyItsOwner)
{
    const QString shared = m_dataDir + "/Tarnolix.db";
    makeLibrary(shared, " READER7@example.org ");

    const auto owner = makeLocations();
    owner->selectAccountLibrary("reader7@Example.org");
    EXPECT_EQ(owner->databasePath(), shared);
    EXPECT_FALSE(QFileInfo::exists(m_dataDir + "/Accounts"));

    QFile file(shared);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray before = file.readAll();
    file.close();
    const auto other = makeLocations();
    other->selectAccountLibrary("someone@example.org");
    EXPECT_EQ(other->databasePath(),
              m_dataDir + "/Accounts/" + accountHash("someone@example.org") + "/Tarnolix.db");
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), before) << "another account's library is left untouched";
}

TEST_F(LocationInfoTest, RefusesLinksForeignLibrariesAndUnreadableFiles)
{
    const QString accounts = m_dataDir + "/Accounts";
    const QString account = accounts + "/" + accountHash("reader7");
    const QString elsewhere = path("elsewhere");
    QDir().mkpath(elsewhere);
    QDir().mkpath(m_dataDir);

    const struct
    {
        const char* what;
        std::function<void()> arrange;
        const char* message;
    } cases[] = {
        {"accounts directory is a link",
         [&] { QFile::link(elsewhere, accounts); }, "Account libraries directory is a symlink"},
        {"accounts directory is a dangling link",
         [&] { QFile::link(path("nowhere"), accounts); }, "Account libraries directory is a symlink"},
        {"accounts path is a file",
         [&] { QFile f(accounts); f.open(QIODevice::WriteOnly); }, "Account libraries directory is a symlink"},
        {"account directory is a link",
         [&] { QDir().mkpath(accounts); QFile::link(elsewhere, account); },
         "Cannot create private account library directory"},
        {"library file is a link",
         [&] { makeLibrary(elsewhere + "/real.db", "reader7"); QDir().mkpath(account);
               QFile::link(elsewhere + "/real.db", account + "/Tarnolix.db"); },
         "Account library database is not a regular file"},
        {"library file is a dangling link",
         [&] { QDir().mkpath(account); QFile::link(path("nowhere.db"), account + "/Tarnolix.db"); },
         "Account library database is not a regular file"},
        {"library file is a directory",
         [&] { QDir().mkpath(account + "/Tarnolix.db"); }, "Account library database is not a regular file"},
        {"library of another account",
         [&] { makeLibrary(account + "/Tarnolix.db", "someone-else"); }, "Account library owner mismatch"},
    };
    for (const auto& c : cases) {
        QDir(m_dataDir).removeRecursively();
        QFile::remove(accounts);
        QDir().mkpath(m_dataDir);
        c.arrange();
        const auto locations = makeLocations();
        EXPECT_EQ(thrownText([&] { locations->selectAccountLibrary(" Reader7"); }), c.message) << c.what;
        EXPECT_FALSE(locations->isAccountSelected()) << c.what;
        EXPECT_EQ(locations->databasePath(), m_dataDir + "/Tarnolix.db") << c.what;
    }

    QDir(m_dataDir).removeRecursively();
    QDir().mkpath(account);
    QFile junk(account + "/Tarnolix.db");
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write(QByteArray(4096, 'j'));
    junk.close();
    const auto locations = makeLocations();
    EXPECT_TRUE(thrownText([&] { locations->selectAccountLibrary("reader7"); })
                    .startsWith("Cannot inspect account library owner: "));
    EXPECT_FALSE(locations->isAccountSelected());
}

TEST_F(LocationInfoTest, SelectionOnceFreezingAndThreads)
{
    const QString once = "Legacy account library can only be selected once before worker startup";
    const auto locations = makeLocations();
    EXPECT_EQ(thrownText([&] { locations->selectAccountLibrary("   "); }), once);
    EXPECT_EQ(thrownTextOnWorker([&] { locations->selectAccountLibrary("reader7"); }), once);
    EXPECT_FALSE(locations->isAccountSelected());

    locations->selectAccountLibrary("reader7");
    EXPECT_EQ(thrownText([&] { locations->selectAccountLibrary("reader8"); }), once);
    EXPECT_EQ(thrownTextOnWorker([&] { locations->freezeLibraryPaths(); }),
              "Library paths must be frozen on the startup thread");
    EXPECT_FALSE(locations->arePathsFrozen());
    locations->freezeLibraryPaths();
    EXPECT_TRUE(locations->arePathsFrozen());

    QString fromWorker;
    std::unique_ptr<QThread> reader(QThread::create([&] { fromWorker = locations->databasePath(); }));
    reader->start();
    reader->wait();
    EXPECT_EQ(fromWorker, m_dataDir + "/Accounts/" + accountHash("reader7") + "/Tarnolix.db");

    EXPECT_EQ(thrownTextOnWorker([&] { locations->releaseLibraryPaths(); }),
              "Library paths must be released on the startup thread");
    EXPECT_TRUE(locations->arePathsFrozen());
    locations->releaseLibraryPaths();
    EXPECT_FALSE(locations->arePathsFrozen());
    EXPECT_FALSE(locations->isAccountSelected());
    locations->selectAccountLibrary("reader8");
    EXPECT_EQ(locations->databasePath(), m_dataDir + "/Accounts/" + accountHash("reader8") + "/Tarnolix.db");
}

TEST_F(LocationInfoTest, ReadsTheRecordedOwner)
{
    EXPECT_EQ(readAccountLibraryOwner(path("absent.db")), QString());
    EXPECT_EQ(readAccountLibraryOwner(path("absent-dir/x/absent.db")), QString());

    // A write-ahead-log library, closed (no -wal or -shm file left), opens read-only.
    makeLibrary(path("owned.db"), "reader7@example.org", true);
    ASSERT_FALSE(QFile::exists(path("owned.db-wal")));
    EXPECT_EQ(readAccountLibraryOwner(path("owned.db")), "reader7@example.org");

    makeLibrary(path("unowned.db"), QString());
    EXPECT_EQ(readAccountLibraryOwner(path("unowned.db")), QString());

    // Created but never given its schema: no owner yet, the database layer
    // builds the schema on first open.
    QFile empty(path("empty.db"));
    ASSERT_TRUE(empty.open(QIODevice::WriteOnly));
    empty.close();
    EXPECT_EQ(readAccountLibraryOwner(path("empty.db")), QString());

    // A database of something else is not an ownerless library of ours.
    makeForeignDatabase(path("foreign.db"));
    EXPECT_TRUE(thrownText([&] { readAccountLibraryOwner(path("foreign.db")); })
                    .startsWith("Cannot inspect account library owner: no such table: Settings"));

    EXPECT_TRUE(QSqlDatabase::connectionNames().filter("account-owner-").isEmpty())
        << "the private connections are removed";
}

TEST_F(LocationInfoTest, AForeignDatabaseInTheLibraryPlaceIsRefusedAndLeftAsItWas)
{
    const QString places[] = {m_dataDir + "/Tarnolix.db",
                              m_dataDir + "/Accounts/" + accountHash("reader7") + "/Tarnolix.db"};
    for (const QString& place : places) {
        QDir(m_dataDir).removeRecursively();
        makeForeignDatabase(place);
        QFile file(place);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray before = file.readAll();
        file.close();

        const auto locations = makeLocations();
        EXPECT_TRUE(thrownText([&] { locations->selectAccountLibrary("reader7"); })
                        .startsWith("Cannot inspect account library owner: no such table: Settings"))
            << qPrintable(place);
        EXPECT_FALSE(locations->isAccountSelected());
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll(), before) << "no schema is made inside it";
        file.close();
    }

    // A library file that a first start left without any schema is ours.
    QDir(m_dataDir).removeRecursively();
    const QString account = m_dataDir + "/Accounts/" + accountHash("reader7");
    makeDatabase(account + "/Tarnolix.db", {"PRAGMA journal_mode=WAL"});
    const auto locations = makeLocations();
    locations->selectAccountLibrary("reader7");
    EXPECT_EQ(locations->databasePath(), account + "/Tarnolix.db");
}

TEST_F(LocationInfoTest, ProviderIsSetAndClearedWithItsObject)
{
    EXPECT_EQ(LocationInfo::current(), nullptr);
    {
        const auto locations = makeLocations();
        LocationInfo::setCurrent(locations.get());
        EXPECT_EQ(LocationInfo::current(), locations.get());
        const auto other = makeLocations();
    }
    EXPECT_EQ(LocationInfo::current(), nullptr) << "a deleted object is not handed out";
}
