// gtest entry point for tests inside the real application object: it is
// built as main builds it (tests/support/AppTestSupport.h), with the
// settings, data and caches of the run in temporary XDG folders. The
// app_standin variant also points the program's API origin at a stand-in
// server, started on a port chosen before the application object reads it.
#include "app/Startup.h"
#include "tests/support/AppTestSupport.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdio>

#ifdef TARNOLIX_TEST_APP_STANDIN
#include "tests/support/StandinControl.h"
#include "tests/support/StandinServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace {

bool makeXdgFolders(const QString& root)
{
    const struct
    {
        const char* variable;
        const char* folder;
    } folders[] = {{"XDG_CONFIG_HOME", "config"},
                   {"XDG_DATA_HOME", "data"},
                   {"XDG_CACHE_HOME", "cache"},
                   {"XDG_STATE_HOME", "state"},
                   {"XDG_RUNTIME_DIR", "runtime"}};
    for (const auto& entry : folders) {
        const QString path = root + QLatin1Char('/') + QLatin1String(entry.folder);
        if (!QDir().mkpath(path))
            return false;
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv(entry.variable, QFile::encodeName(path));
    }
    return true;
}

#ifdef TARNOLIX_TEST_APP_STANDIN
// A loopback port that is free now; 0 when none could be had.
int freeLoopbackPort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0)
        return 0;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof(address);
    int port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    ::close(fd);
    return port;
}
#endif

} // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    QTemporaryDir root;
    if (!root.isValid() || !makeXdgFolders(root.path())) {
        std::fprintf(stderr, "cannot make the temporary XDG folders\n");
        return 1;
    }
    tarnolix::test::setAppTestRoot(root.path());
    {
        // The interface's source language, so tests see the texts as written.
        QSettings settings(root.path() + QStringLiteral("/config/Tarnolix/Tarnolix.conf"), QSettings::IniFormat);
        settings.setValue(QStringLiteral("Language"), QStringLiteral("ru"));
    }
#ifdef TARNOLIX_TEST_APP_STANDIN
    const int port = freeLoopbackPort();
    if (port == 0) {
        std::fprintf(stderr, "no free loopback port for the stand-in server\n");
        return 1;
    }
    qputenv("TARNOLIX_API_URL", QByteArray("http://127.0.0.1:") + QByteArray::number(port));
    qputenv("TARNOLIX_UPDATE_LIST_URL", QByteArray("http://127.0.0.1:") + QByteArray::number(port));
#endif
    int result = 0;
    {
        ProgramStart start(argc, argv);
#ifdef TARNOLIX_TEST_APP_STANDIN
        tarnolix::test::StandinServer standin;
        if (!standin.start(port)) {
            std::fprintf(stderr, "the stand-in server did not start; see %s\n", qPrintable(standin.logPath()));
            return 1;
        }
        tarnolix::test::setAppStandin(&standin);
#endif
        result = RUN_ALL_TESTS();
#ifdef TARNOLIX_TEST_APP_STANDIN
        tarnolix::test::setAppStandin(nullptr);
#endif
    }
    return result;
}
