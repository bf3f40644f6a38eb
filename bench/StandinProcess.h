#pragma once
// The stand-in server of tools/ serving its synthetic library, started on
// free ports for one benchmark run and stopped with this object. Needs
// TARNOLIX_STANDIN_SERVER, the path of tools/standin-server.

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QThread>

namespace bench {

class StandinProcess
{
public:
    // Its state, log and info file go into `folder`.
    explicit StandinProcess(const QString& folder)
        : m_folder(folder)
    {
    }
    ~StandinProcess()
    {
        m_server.terminate();
        m_server.waitForFinished(10000);
    }
    StandinProcess(const StandinProcess&) = delete;
    StandinProcess& operator=(const StandinProcess&) = delete;

    // Starts it on `plan` ("books=N,sections=N,seed=N") and waits until it
    // has written its info file (at most two minutes); false when it did not.
    bool start(const QString& plan)
    {
        const QString info = m_folder + QStringLiteral("/info.json");
        const QString log = m_folder + QStringLiteral("/server.log");
        m_server.setStandardOutputFile(log);
        m_server.setStandardErrorFile(log, QIODevice::Append);
        m_server.start(QStringLiteral(TARNOLIX_STANDIN_SERVER),
                       {QStringLiteral("--state-dir"), m_folder + QStringLiteral("/state"), QStringLiteral("--info-file"),
                        info, QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--no-ftp"),
                        QStringLiteral("--udp-port"), QStringLiteral("0"), QStringLiteral("--synthetic"), plan});
        // The file may be seen before it is whole: read until it parses.
        for (int i = 0; i < 1200 && origin().isEmpty(); ++i) {
            if (m_server.state() == QProcess::NotRunning)
                return false;
            QThread::msleep(100);
            QFile file(info);
            if (file.open(QIODevice::ReadOnly))
                m_info = QJsonDocument::fromJson(file.readAll()).object();
        }
        return !origin().isEmpty();
    }

    // Its plain HTTP origin.
    QString origin() const { return m_info.value(QLatin1String("http")).toString(); }
    // The environment that points the program's origins at it.
    QJsonObject environment() const { return m_info.value(QLatin1String("environment")).toObject(); }

private:
    QString m_folder;
    QProcess m_server;
    QJsonObject m_info;
};

} // namespace bench
