#pragma once
// The stand-in server (tools/standin-server) as a test fixture: started on
// free ports with its own state folder, stopped with the object. Its FTP
// listener takes crash reports into reportsDir(); its HTTP port serves the
// API and the /_control/ requests.

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace tarnolix::test {

class StandinServer
{
public:
    StandinServer() = default;
    ~StandinServer();

    StandinServer(const StandinServer&) = delete;
    StandinServer& operator=(const StandinServer&) = delete;

    // Starts it (HTTP on `port`, 0: any free one) and waits for its info
    // file; false when it did not come up (its output is in logPath()).
    bool start(int port = 0);

    QString logPath() const { return m_state.filePath(QStringLiteral("server.log")); }
    // "ftp://127.0.0.1:<port>" for the crash-report overrides.
    QString ftpOrigin() const { return QStringLiteral("ftp://127.0.0.1:%1").arg(m_ftpPort); }
    // "http://127.0.0.1:<port>".
    QString httpOrigin() const { return m_httpOrigin; }
    QString reportsDir() const { return m_state.filePath(QStringLiteral("ftp/Reports")); }
    // Names of the uploaded reports, as the FTP folder holds them.
    QStringList reports() const;

private:
    QTemporaryDir m_state;
    QProcess m_process;
    int m_ftpPort = 0;
    QString m_httpOrigin;
};

} // namespace tarnolix::test
