#include "tests/support/StandinServer.h"

#include "tests/support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QThread>

namespace tarnolix::test {

StandinServer::~StandinServer()
{
    m_process.terminate();
    if (!m_process.waitForFinished(5000))
        m_process.kill();
    m_process.waitForFinished(2000);
}

bool StandinServer::start(int port)
{
    const QString info = m_state.filePath(QStringLiteral("info.json"));
    m_process.setStandardOutputFile(logPath());
    m_process.setStandardErrorFile(logPath(), QIODevice::Append);
    m_process.start(QStringLiteral(TARNOLIX_STANDIN_SERVER),
                    {QStringLiteral("--state-dir"), m_state.path(), QStringLiteral("--info-file"), info,
                     QStringLiteral("--port"), QString::number(port)});
    if (!m_process.waitForStarted(10000))
        return false;
    if (!waitUntil([&] { return QFile::exists(info) || m_process.state() == QProcess::NotRunning; }, 30000))
        return false;
    QFile file(info);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QJsonObject object = QJsonDocument::fromJson(file.readAll()).object();
    m_ftpPort = object.value(QStringLiteral("ftp_port")).toInt();
    m_httpOrigin = object.value(QStringLiteral("http")).toString();
    return m_ftpPort > 0 && !m_httpOrigin.isEmpty();
}

QStringList StandinServer::reports() const
{
    return QDir(reportsDir()).entryList(QDir::Files | QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot);
}

} // namespace tarnolix::test
