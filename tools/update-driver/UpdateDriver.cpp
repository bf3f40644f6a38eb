// Runs one library update of a library folder against an API origin, with
// the engine on its worker thread and the book index writers running as in
// the program, and prints every status, progress and error text change as
// one line on standard output:
//
//   status <n>
//   progress <done> <total>
//   error <text on one line>
//   done <status>
//
// With --reject-at-status it rejects the run as the reader's button does
// once the run reaches that status.
//
// It signs in with the e-mail and password given, waits for the index
// writers to empty their queues once the run has ended, and exits 0 when the
// run finished, 1 when it failed or was refused, 2 on wrong arguments or a
// failed sign-in. Qt's log goes to standard error.

#include "app/DatabaseUpdaterPrivate.h"
#include "app/TarnolixAPI.h"
#include "bench/BenchIndexWriterHost.h"
#include "bench/BenchSignIn.h"
#include "core/CipherKeyPair.h"
#include "core/LocationInfo.h"
#include "core/ServerConfig.h"
#include "core/TarnolixConstants.h"
#include "core/TarnolixEvents.h"
#include "database/BookTextCipher.h"
#include "database/DatabasePool.h"
#include "database/TarnolixDB.h"
#include "search/index/GlossaryIndex.h"
#include "search/index/IndexWriterHost.h"
#include "search/index/IndexWriterThread.h"
#include "search/index/WordByWordIndex.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QJsonObject>
#include <QSettings>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <cstdio>
#include <memory>
#include <thread>

namespace {

void printLine(const QString& line)
{
    std::fprintf(stdout, "%s\n", qUtf8Printable(line));
    std::fflush(stdout);
}

struct SignIn
{
    QString token;
    QString level;
};

SignIn signIn(const QString& email, const QString& password)
{
    SignIn result;
    bench::signIn(email, password, [&](TarnolixAPIResult* reply) {
        if (!reply)
            return;
        if (reply->isSuccess()) {
            result.token = reply->getToken();
            result.level = reply->apiResultGetValue().toObject().value(QLatin1String("subscribe_level")).toString();
        } else {
            std::fprintf(stderr, "sign-in failed: %s\n", qUtf8Printable(reply->getErrorText()));
        }
    });
    return result;
}

// True once no writer is indexing and every queue is empty, twice in a row
// (a writer may pick up a queue between two looks).
bool writersIdle(const std::vector<std::unique_ptr<tarnolix::IndexWriterThread>>& writers, TarnolixDB& db)
{
    for (const auto& writer : writers) {
        if (writer->active())
            return false;
    }
    for (const TarnolixConstants::Language language : languageList()) {
        if (db.countBFI(language) != 0)
            return false;
    }
    return true;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tarnolix-update-driver"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("One library update against an API origin."));
    parser.addHelpOption();
    const QCommandLineOption libraryOption(QStringLiteral("library"),
                                           QStringLiteral("Library folder (Tarnolix.db and its indexes)."),
                                           QStringLiteral("dir"));
    const QCommandLineOption originOption(QStringLiteral("origin"), QStringLiteral("API origin."),
                                          QStringLiteral("url"));
    const QCommandLineOption emailOption(QStringLiteral("email"), QStringLiteral("Account e-mail."),
                                         QStringLiteral("email"));
    const QCommandLineOption passwordOption(QStringLiteral("password"), QStringLiteral("Account password."),
                                            QStringLiteral("password"));
    const QCommandLineOption checkOnlyOption(QStringLiteral("check-only"),
                                             QStringLiteral("Only look for changes; write nothing."));
    const QCommandLineOption retryOption(QStringLiteral("retry-ms"),
                                         QStringLiteral("Pause before a retried connection or book (2000)."),
                                         QStringLiteral("ms"), QStringLiteral("2000"));
    const QCommandLineOption stallOption(QStringLiteral("stall-ms"),
                                         QStringLiteral("A transfer silent this long is broken (60000)."),
                                         QStringLiteral("ms"), QStringLiteral("60000"));
    const QCommandLineOption rejectOption(QStringLiteral("reject-at-status"),
                                          QStringLiteral("Reject the run as the reader would once it reaches this status."),
                                          QStringLiteral("status"));
    const QCommandLineOption archiveCapOption(QStringLiteral("max-glossaries-archive"),
                                              QStringLiteral("Largest glossaries archive accepted, in bytes."),
                                              QStringLiteral("bytes"));
    const QCommandLineOption entryCapOption(QStringLiteral("max-glossary-entry"),
                                            QStringLiteral("Largest glossaries archive entry accepted, in bytes."),
                                            QStringLiteral("bytes"));
    parser.addOptions({libraryOption, originOption, emailOption, passwordOption, checkOnlyOption, retryOption,
                       stallOption, rejectOption, archiveCapOption, entryCapOption});
    parser.process(app);
    const QString libraryDir = parser.value(libraryOption);
    if (libraryDir.isEmpty() || !parser.isSet(originOption) || !parser.isSet(emailOption)) {
        std::fprintf(stderr, "--library, --origin and --email are required\n");
        return 2;
    }
    QDir().mkpath(libraryDir);
    const QString dataDir = QDir(libraryDir).absolutePath();
    qputenv(ServerConfig::kApiEnvironment, parser.value(originOption).toUtf8());

    // The program's services as the update engine and the index writers
    // reach them, over this library folder.
    QTemporaryDir settingsDir;
    QSettings settings(settingsDir.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
    settings.setValue(QStringLiteral("Locations/Data"), dataDir);
    LocationInfo locations(settings);
    LocationInfo::setCurrent(&locations);
    CipherKeyPair keys;
    keys.setKeyFromString(parser.value(emailOption));
    keys.setIvFromString(dataDir);
    setBookTextCipher(&keys);
    const QString databasePath = dataDir + QStringLiteral("/Tarnolix.db");
    DatabasePool pool(std::this_thread::get_id(), [databasePath] { return databasePath; });
    setDatabasePool(&pool);
    currentDatabase()->initialize();
    TarnolixEvents events;
    TarnolixEvents::setCurrent(&events);
    bench::BenchIndexWriterHost host;
    tarnolix::IndexWriterHost::setCurrent(&host);

    const SignIn account = signIn(parser.value(emailOption), parser.value(passwordOption));
    if (account.token.isEmpty())
        return 2;

    std::vector<std::unique_ptr<tarnolix::IndexWriterThread>> writers;
    for (quint32 languageId = 1; languageId <= quint32(languageList().size()); ++languageId) {
        writers.push_back(std::make_unique<tarnolix::IndexWriterThread>(languageId));
        writers.back()->create();
    }
    tarnolix::WordByWordIndex wordByWordIndex;
    tarnolix::GlossaryIndex glossaryIndex;

    DatabaseUpdaterOptions options;
    options.checkOnly = parser.isSet(checkOnlyOption);
    options.connectionRetryMs = parser.value(retryOption).toInt();
    options.bookRetryMs = options.connectionRetryMs;
    if (parser.isSet(archiveCapOption))
        options.maxGlossariesArchiveBytes = parser.value(archiveCapOption).toLongLong();
    if (parser.isSet(entryCapOption))
        options.maxGlossaryEntryBytes = parser.value(entryCapOption).toLongLong();
    const int stallMs = parser.value(stallOption).toInt();
    options.apiFactory = [stallMs](QObject* parent) {
        return new TarnolixAPI(parent, {}, TarnolixAPI::kRecoveryDelayMs, {}, stallMs);
    };
    QThread thread;
    thread.setObjectName(QStringLiteral("DatabaseUpdaterThread"));
    auto* engine = new DatabaseUpdaterPrivate(account.token, account.level, wordByWordIndex, glossaryIndex, options);
    engine->moveToThread(&thread);
    QObject::connect(&thread, &QThread::started, engine, &DatabaseUpdaterPrivate::init);

    int finalStatus = DatabaseUpdaterPrivate::Invalid;
    const int rejectAt = parser.isSet(rejectOption) ? parser.value(rejectOption).toInt() : -1;
    QObject::connect(engine, &DatabaseUpdaterPrivate::statusChanged, &app, [&](int status) {
        printLine(QStringLiteral("status %1").arg(status));
        if (status >= DatabaseUpdaterPrivate::Finished)
            finalStatus = status;
        if (status == rejectAt) {
            // What the reader's reject does: the flag at once, the rest on
            // the engine's thread.
            engine->stop();
            QMetaObject::invokeMethod(engine, &DatabaseUpdaterPrivate::pReject, Qt::QueuedConnection);
        }
    });
    int progress = 0;
    int total = 0;
    QObject::connect(engine, &DatabaseUpdaterPrivate::progressChanged, &app, [&](int value) {
        progress = value;
        printLine(QStringLiteral("progress %1 %2").arg(progress).arg(total));
    });
    QObject::connect(engine, &DatabaseUpdaterPrivate::progressTotalChanged, &app, [&](int value) {
        total = value;
        printLine(QStringLiteral("progress %1 %2").arg(progress).arg(total));
    });
    QObject::connect(engine, &DatabaseUpdaterPrivate::errorTextChanged, &app, [&](const QString& text) {
        printLine(QStringLiteral("error ") + QString(text).replace(QLatin1Char('\n'), QLatin1String(" | ")));
    });
    thread.start();

    // The run ends with its final status; the writers then index what it
    // queued before the program would let the reader search.
    QEventLoop loop;
    int idleLooks = 0;
    QTimer poll;
    poll.setInterval(100);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (finalStatus == DatabaseUpdaterPrivate::Invalid)
            return;
        idleLooks = writersIdle(writers, *currentDatabase()) ? idleLooks + 1 : 0;
        if (idleLooks >= 3)
            loop.quit();
    });
    poll.start();
    loop.exec();
    poll.stop();

    // The engine and its timers belong to the worker thread: delete it there.
    QMetaObject::invokeMethod(engine, [engine] { delete engine; }, Qt::BlockingQueuedConnection);
    thread.quit();
    thread.wait();
    for (auto& writer : writers)
        writer->close(true);
    writers.clear();
    printLine(QStringLiteral("done %1").arg(finalStatus));

    tarnolix::IndexWriterHost::setCurrent(nullptr);
    TarnolixEvents::setCurrent(nullptr);
    setDatabasePool(nullptr);
    setBookTextCipher(nullptr);
    LocationInfo::setCurrent(nullptr);
    return finalStatus == DatabaseUpdaterPrivate::Finished ? 0 : 1;
}
