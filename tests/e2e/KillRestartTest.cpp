// The tarnolix executable killed (SIGKILL) during its first library download
// and started again: the second start completes the library, and it equals
// one downloaded without interruption at the same path, table by table and
// index by index. The program starts on a remembered account, as after a
// sign-in with "remember me", against the test's stand-in.
#include "app/AccountSettings.h"
#include "core/CipherKeyPair.h"
#include "core/FavoriteRecords.h"
#include "tests/support/LibrarySnapshot.h"
#include "tests/support/StandinControl.h"
#include "tests/support/StandinServer.h"
#include "tests/support/TestSupport.h"

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSettings>
#include <QTemporaryDir>
#include <QUrlQuery>

#include <gtest/gtest.h>

#include <memory>

using namespace tarnolix::test;

namespace {

const QString kEmail = QStringLiteral("reader@tarnolix.invalid");
const QString kPassword = QStringLiteral("lamp-of-verses");
// Times of the run and of the reader's own state, which no two runs share.
const QStringList kRunClock{QStringLiteral("BooksUpdateTime"), QStringLiteral("DatabaseUpdateStatus")};

class KillRestartTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_root.isValid());
        standinControl(origin(), "DELETE", QStringLiteral("faults"));
    }
    void TearDown() override
    {
        stop();
        standinControl(origin(), "DELETE", QStringLiteral("faults"));
    }

    static QString origin() { return appStandin()->httpOrigin(); }
    QString dataDir() const { return m_root.filePath(QStringLiteral("data/Tarnolix")); }
    QString configFile() const { return m_root.filePath(QStringLiteral("config/Tarnolix/Tarnolix.conf")); }
    // Where the program keeps this account's library.
    QString library() const
    {
        const QByteArray digest = QCryptographicHash::hash(kEmail.toUtf8(), QCryptographicHash::Sha256).toHex();
        return dataDir() + QStringLiteral("/Accounts/") + QString::fromLatin1(digest);
    }

    // A fresh data folder and the settings a sign-in with "remember me"
    // leaves: the user, the e-mail and the token enciphered for this folder.
    void rememberAccount()
    {
        QDir(m_root.path()).removeRecursively();
        ASSERT_TRUE(QDir().mkpath(dataDir()));
        ASSERT_TRUE(QDir().mkpath(QFileInfo(configFile()).path()));
        QNetworkAccessManager network;
        QNetworkRequest request(QUrl(origin() + QStringLiteral("/auth/login")));
        request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/x-www-form-urlencoded"));
        QUrlQuery form;
        form.addQueryItem(QStringLiteral("email"), kEmail);
        form.addQueryItem(QStringLiteral("password"), kPassword);
        std::unique_ptr<QNetworkReply> reply(network.post(request, form.query(QUrl::FullyEncoded).toUtf8()));
        ASSERT_TRUE(waitUntil([&] { return reply->isFinished(); }, 15000));
        const QString token = QString::fromUtf8(reply->rawHeader("api-token"));
        ASSERT_FALSE(token.isEmpty()) << reply->errorString().toStdString();
        User user;
        userFromJson(user, QJsonDocument::fromJson(reply->readAll()).object().value(QStringLiteral("data")).toObject());
        ASSERT_EQ(user.email(), kEmail);

        CipherKeyPair keys;
        keys.setIvFromString(dataDir());
        keys.setKeyFromString(kEmail);
        QSettings settings(configFile(), QSettings::IniFormat);
        settings.setValue(QStringLiteral("Language"), QStringLiteral("ru"));
        settings.setValue(QStringLiteral("Locations/Data"), dataDir());
        settings.setValue(QLatin1String(AccountSettings::kLastLoginEmail), kEmail);
        settings.setValue(QLatin1String(AccountSettings::kToken), AccountSettings::encipherToken(keys, token));
        AccountSettings::storeUser(settings, user);
        ASSERT_TRUE(AccountSettings::syncPrivately(settings));
    }

    void start()
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* folder : {"config", "data", "cache", "state", "runtime"}) {
            const QString path = m_root.filePath(QString::fromLatin1(folder));
            QDir().mkpath(path);
            QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        }
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_root.filePath(QStringLiteral("config")));
        env.insert(QStringLiteral("XDG_DATA_HOME"), m_root.filePath(QStringLiteral("data")));
        env.insert(QStringLiteral("XDG_CACHE_HOME"), m_root.filePath(QStringLiteral("cache")));
        env.insert(QStringLiteral("XDG_STATE_HOME"), m_root.filePath(QStringLiteral("state")));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_root.filePath(QStringLiteral("runtime")));
        for (const char* name : {"TARNOLIX_API_URL", "TARNOLIX_IMAGES_URL", "TARNOLIX_UPDATE_LIST_URL",
                                 "TARNOLIX_STATISTICS_URL", "TARNOLIX_WEB_SITE_URL"})
            env.insert(QString::fromLatin1(name), origin());
        m_process = std::make_unique<QProcess>();
        m_process->setProcessEnvironment(env);
        m_process->setProcessChannelMode(QProcess::MergedChannels);
        m_process->setStandardOutputFile(m_root.filePath(QStringLiteral("output.log")), QIODevice::Append);
        m_process->start(QStringLiteral(TARNOLIX_EXECUTABLE), QStringList());
        ASSERT_TRUE(m_process->waitForStarted(10000));
    }

    void stop()
    {
        if (!m_process)
            return;
        if (m_process->state() != QProcess::NotRunning) {
            m_process->terminate();
            if (!m_process->waitForFinished(15000))
                m_process->kill();
            m_process->waitForFinished(5000);
        }
        m_process.reset();
    }

    void killNow()
    {
        m_process->kill(); // SIGKILL
        ASSERT_TRUE(m_process->waitForFinished(10000));
        m_process.reset();
    }

    static int servedBooks()
    {
        int served = 0;
        const QJsonArray requests = standinRequests(origin());
        for (const QJsonValue& value : requests) {
            const QJsonObject request = value.toObject();
            if (request.value(QStringLiteral("path")).toString().startsWith(QLatin1String("/books/download/")) &&
                request.value(QStringLiteral("status")).toInt() == 200)
                ++served;
        }
        return served;
    }

    // The library says its download finished and nothing waits for indexing.
    bool libraryComplete() const
    {
        if (!QFile::exists(library() + QStringLiteral("/Tarnolix.db")))
            return false;
        const QStringList status =
            librarySql(library(), QStringLiteral("SELECT count(*) FROM sqlite_master WHERE name = 'Settings'"));
        if (status != QStringList{QStringLiteral("1")})
            return false;
        if (librarySql(library(), QStringLiteral("SELECT value FROM Settings WHERE [key] = 'DatabaseStatus'")) !=
            QStringList{QStringLiteral("2")})
            return false;
        const QStringList queues =
            librarySql(library(), QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' AND name LIKE 'BFI%'"));
        if (queues.isEmpty())
            return false;
        for (const QString& queue : queues) {
            if (librarySql(library(), QStringLiteral("SELECT count(*) FROM \"%1\"").arg(queue)) !=
                QStringList{QStringLiteral("0")})
                return false;
        }
        return true;
    }

    bool waitForCompleteLibrary()
    {
        QElapsedTimer quiet;
        return waitUntil(
            [&] {
                if (!m_process || m_process->state() == QProcess::NotRunning || !libraryComplete()) {
                    quiet.invalidate();
                    return false;
                }
                if (!quiet.isValid())
                    quiet.start();
                // The index writers commit after the queue empties.
                return quiet.elapsed() > 3000;
            },
            180000);
    }

    QString output() const
    {
        QFile file(m_root.filePath(QStringLiteral("output.log")));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll().right(4000)) : QString();
    }

    QTemporaryDir m_root;
    std::unique_ptr<QProcess> m_process;
};

TEST_F(KillRestartTest, AKillDuringTheFirstDownloadIsCompletedByTheNextStartToTheSameLibrary)
{
    // Uninterrupted, at the path every run uses.
    rememberAccount();
    start();
    ASSERT_TRUE(waitForCompleteLibrary()) << output().toStdString();
    stop();
    const LibrarySnapshot uninterrupted = librarySnapshot(library(), kRunClock);
    ASSERT_FALSE(uninterrupted.tables.empty());

    // Killed once some books have come and one is still on its way.
    rememberAccount();
    standinControl(origin(), "DELETE", QStringLiteral("requests"));
    standinControl(origin(), "POST", QStringLiteral("faults"),
                   QJsonObject{{QStringLiteral("plan"), QStringLiteral("mode=delay,delay_ms=20000,path=/books/download/,book=107")},
                               {QStringLiteral("count"), 1}});
    start();
    ASSERT_TRUE(waitUntil([&] { return servedBooks() >= 3; }, 120000)) << output().toStdString();
    killNow();
    EXPECT_FALSE(libraryComplete()) << "killed before the library was complete";
    standinControl(origin(), "DELETE", QStringLiteral("faults"));

    start();
    ASSERT_TRUE(waitForCompleteLibrary()) << output().toStdString();
    stop();
    expectEqualLibraries(librarySnapshot(library(), kRunClock), uninterrupted, "killed and restarted");
}

} // namespace
