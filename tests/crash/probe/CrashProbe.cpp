// A program that crashes on request, for the crash-report tests. It sets up
// what the reading room sets up before a crash can be reported (settings,
// data locations, the log, the crash writer) and, started with
// "--SENDREPORT", is the sender as the reading room would be.
//
//   crash_probe segv|abort|fpe|bus|ill|thread|nodump
//
// Environment: TARNOLIX_PROBE_DATA (data directory), TARNOLIX_PROBE_EMAIL
// ("User/email"), TARNOLIX_PROBE_SENDER_CRASH (the sender crashes at once);
// the settings file follows XDG_CONFIG_HOME.
#include "core/CrashDumpCreator.h"
#include "core/LocationInfo.h"
#include "core/LogFileHandler.h"
#include "core/ServerConfig.h"
#include "core/Settings.h"

#include <QCoreApplication>
#include <QDir>
#include <QNetworkAccessManager>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace {

void segfault()
{
    // Through a volatile pointer: the compiler may neither see nor drop the store.
    int* volatile target = reinterpret_cast<int*>(16);
    *target = 1;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Tarnolix"));
    QCoreApplication::setOrganizationDomain(QStringLiteral("tarnolix.invalid"));
    QCoreApplication::setApplicationName(QStringLiteral("Tarnolix"));

    Settings settings;
    settings.set(QStringLiteral("Locations/Data"), qEnvironmentVariable("TARNOLIX_PROBE_DATA"));
    if (qEnvironmentVariableIsSet("TARNOLIX_PROBE_EMAIL"))
        settings.set(QStringLiteral("User/email"), qEnvironmentVariable("TARNOLIX_PROBE_EMAIL"));
    settings.sync();
    LocationInfo locations(settings);
    installLogFileHandler(settings, locations);

    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.contains(QLatin1String(CrashDumpCreator::kSendReportArgument))) {
        qInfo("probe: sender started");
        if (qEnvironmentVariableIsSet("TARNOLIX_PROBE_SENDER_CRASH")) {
            // A sender that crashes as the reading room's would: with the
            // writer its application object installs. Cleared first, so a
            // sender it might start does not crash in turn.
            qunsetenv("TARNOLIX_PROBE_SENDER_CRASH");
            const std::unique_ptr<CrashDumpCreator> writer = createCrashDumpCreator(locations);
            segfault();
        }
        QNetworkAccessManager network;
        const bool sent = CrashDumpCreator::runSender(arguments, settings, locations, ServerConfig::load(&settings),
                                                      network);
        qInfo("probe: sender finished");
        return sent ? 0 : 1;
    }

    const std::unique_ptr<CrashDumpCreator> writer = createCrashDumpCreator(locations);
    if (!writer)
        return 3;
    qInfo("probe: before the crash");
    qWarning("probe: a warning before the crash");

    const QString mode = arguments.value(1);
    if (mode == QLatin1String("segv"))
        segfault();
    else if (mode == QLatin1String("abort"))
        std::abort();
    else if (mode == QLatin1String("fpe"))
        std::raise(SIGFPE);
    else if (mode == QLatin1String("bus"))
        std::raise(SIGBUS);
    else if (mode == QLatin1String("ill"))
        std::raise(SIGILL);
    else if (mode == QLatin1String("thread"))
        std::thread(segfault).join();
    else if (mode == QLatin1String("nodump")) {
        // The dump folder disappears; the open logs move along with it.
        QDir().rename(locations.logPath(), locations.logPath() + QLatin1String(".moved"));
        segfault();
    }
    return 4;
}
