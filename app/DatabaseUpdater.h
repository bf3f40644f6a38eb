#pragma once
// The library update as QML sees it: one run at a time of the engine
// (DatabaseUpdaterPrivate) on a worker thread of its own, mirrored here as
// status, error text and progress. Every live updater is in a process-wide
// registry, so any thread can ask whether an update is running.

#include "app/DatabaseUpdaterPrivate.h"

#include <QObject>
#include <QString>

#include <atomic>

class QThread;
class TarnolixDB;

class DatabaseUpdater : public QObject
{
    Q_OBJECT
    Q_PROPERTY(int status READ status NOTIFY statusChanged)
    Q_PROPERTY(bool isActive READ isActive NOTIFY statusChanged)
    Q_PROPERTY(QString errorText READ errorText NOTIFY errorTextChanged)
    Q_PROPERTY(int progress READ progress NOTIFY progressChanged)
    Q_PROPERTY(int progressTotal READ progressTotal NOTIFY progressTotalChanged)
    Q_PROPERTY(int progressInPercent READ progressInPercent NOTIFY progressInPercentChanged)
    Q_PROPERTY(bool isUpdateExists READ isUpdateExists NOTIFY statusChanged)
    Q_PROPERTY(QString databaseUpdateDate READ databaseUpdateDate NOTIFY statusChanged)

public:
    // The engine's statuses (DatabaseUpdaterPrivate::Status) are the ones
    // shown, registered and stored.
    using Status = DatabaseUpdaterPrivate::Status;

    explicit DatabaseUpdater(QObject* parent = nullptr);
    ~DatabaseUpdater() override;

    static bool isActiveStatus(int status)
    {
        return status >= DatabaseUpdaterPrivate::LoadingCatalogs && status <= DatabaseUpdaterPrivate::FinalAction;
    }

    int status() const { return m_status.load(); }
    bool isActive() const { return isActiveStatus(status()); }
    QString errorText() const { return m_errorText; }
    int progress() const { return m_progress; }
    int progressTotal() const { return m_progressTotal; }
    int progressInPercent() const { return m_progressInPercent; }
    bool isUpdateExists() const;
    QString databaseUpdateDate() const;

    // Any thread: whether a registered updater is active, or in `status`.
    static bool isUpdating();
    static bool isUpdatingWithStatus(int status);
    static void resetStatus(TarnolixDB& database, bool resetTime);

signals:
    void statusChanged();
    void errorTextChanged();
    void progressChanged();
    void progressTotalChanged();
    void progressInPercentChanged();

public slots:
    void updateBase();
    void checkUpdateOnly();
    void reject();
    void handleStatusChanged(int status);
    void handleErrorTextChanged(const QString& s);
    void handleProgressChanged(int progress);
    void handleProgressTotalChanged(int progressTotal);

private:
    void start(bool checkOnly);
    void stopWorker();
    void updateProgressInPercent();

    QThread* m_thread = nullptr;
    DatabaseUpdaterPrivate* m_engine = nullptr;
    // Written on the GUI thread, read by the registry from any thread.
    std::atomic<int> m_status{DatabaseUpdaterPrivate::Invalid};
    QString m_errorText;
    int m_progress = 0;
    int m_progressTotal = 0;
    int m_progressInPercent = 0;
    bool m_checkOnly = false;
    bool m_updateFound = false;
};
