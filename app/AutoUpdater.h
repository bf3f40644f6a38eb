#pragma once
// The program's own update: the update list check and the platform updater
// that QML reaches as the application's `autoUpdater`. On Linux the list is
// "/app-update/list/linux/<interface language>" at the update-list origin.

#include "core/ProgramVersion.h"

#include <QObject>
#include <QPointer>
#include <QString>

class QNetworkAccessManager;
class QNetworkReply;

// What a platform updater offers to QML.
class AutoUpdater : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    Q_INVOKABLE virtual void checkForUpdateInformation() = 0;
    Q_INVOKABLE virtual void checkForUpdates() = 0;

signals:
    void findValidUpdate(const QString& version);
    void notFindUpdate();
    void errorCheckingUpdate();
};

// One check of the update list at a time: the version offered, its
// installer link and, when the list gives it, the installer's SHA-256.
class UpdateChecker : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool performed READ performed NOTIFY performedChanged)
    Q_PROPERTY(bool error READ error NOTIFY errorChanged)
    Q_PROPERTY(bool actual READ actual NOTIFY actualChanged)
    Q_PROPERTY(QString actualVersion READ actualVersion NOTIFY actualChanged)
    Q_PROPERTY(QString actualVersionLink READ actualVersionLink NOTIFY actualVersionLinkChanged)

public:
    // `listPath` ends with "/": the interface language's code is appended.
    explicit UpdateChecker(const QString& listPath, QObject* parent = nullptr);

    bool performed() const { return m_performed; }
    bool error() const { return m_error; }
    // The offered version is not newer than the running program.
    bool actual() const;
    QString actualVersion() const { return programVersionToString(m_version); }
    QString actualVersionLink() const { return m_link; }
    // Lower-case hex; empty when the list gave none.
    QString actualVersionSha256() const { return m_sha256; }

    Q_INVOKABLE void check();

signals:
    void performedChanged();
    void errorChanged();
    void actualChanged();
    void actualVersionLinkChanged();
    void finished();

public slots:
    void replyFinished();

private:
    void setPerformed(bool performed);
    void setError(bool error);

    const QString m_listPath;
    QPointer<QNetworkReply> m_reply;
    ProgramVersion m_version;
    QString m_link;
    QString m_sha256;
    bool m_performed = false;
    bool m_error = false;
};

// The updater of this platform.
class LinuxAutoUpdater : public AutoUpdater
{
    Q_OBJECT

public:
    static constexpr const char* kListPath = "/app-update/list/linux/";

    explicit LinuxAutoUpdater(QObject* parent = nullptr);

    UpdateChecker* checker() const { return m_checker; }

    void checkForUpdateInformation() override;
    // The silent check-and-install of other platforms: not offered here.
    void checkForUpdates() override;

public slots:
    void updateCheckerFinished();

private:
    UpdateChecker* m_checker;
};

// The network manager the program's update requests go through.
QNetworkAccessManager* programUpdateNetwork(QObject* fallbackOwner);
