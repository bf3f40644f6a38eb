#include "app/DatabaseUpdater.h"

#include "app/DatabaseUpdaterPrivate.h"
#include "app/Tarnolix.h"
#include "core/TarnolixEvents.h"
#include "database/LibrarySettingsKeys.h"
#include "database/TarnolixDB.h"

#include <QDateTime>
#include <QThread>

#include <algorithm>
#include <exception>
#include <mutex>
#include <vector>

namespace {

std::mutex& registryMutex()
{
    static std::mutex mutex;
    return mutex;
}

std::vector<DatabaseUpdater*>& registry()
{
    static std::vector<DatabaseUpdater*> updaters;
    return updaters;
}

// Lets the queries answer without the mutex while no updater lives.
std::atomic<bool> s_registryNonEmpty{false};

template <typename Pred>
bool anyRegistered(Pred pred)
{
    if (!s_registryNonEmpty.load())
        return false;
    std::lock_guard<std::mutex> lock(registryMutex());
    return std::any_of(registry().begin(), registry().end(), pred);
}

void emitActiveChanged()
{
    if (TarnolixEvents* events = TarnolixEvents::current())
        emit events->databaseUpdaterActiveChanged();
}

} // namespace

DatabaseUpdater::DatabaseUpdater(QObject* parent)
    : QObject(parent)
{
    std::lock_guard<std::mutex> lock(registryMutex());
    registry().push_back(this);
    s_registryNonEmpty.store(true);
}

DatabaseUpdater::~DatabaseUpdater()
{
    {
        std::lock_guard<std::mutex> lock(registryMutex());
        auto& updaters = registry();
        const auto it = std::find(updaters.begin(), updaters.end(), this);
        if (it != updaters.end())
            updaters.erase(it);
        s_registryNonEmpty.store(!updaters.empty());
    }
    stopWorker();
    if (isActive()) {
        qWarning("DatabaseUpdater: Update rejected");
        if (Tarnolix::instance())
            emitActiveChanged();
    }
}

bool DatabaseUpdater::isUpdating()
{
    return anyRegistered([](const DatabaseUpdater* updater) { return updater->isActive(); });
}

bool DatabaseUpdater::isUpdatingWithStatus(int status)
{
    return anyRegistered([status](const DatabaseUpdater* updater) { return updater->status() == status; });
}

void DatabaseUpdater::resetStatus(TarnolixDB& database, bool resetTime)
{
    DatabaseUpdaterPrivate::resetStoredStatus(database, resetTime);
}

bool DatabaseUpdater::isUpdateExists() const
{
    return !isActive() && m_checkOnly && m_updateFound;
}

QString DatabaseUpdater::databaseUpdateDate() const
{
    try {
        Tarnolix* app = Tarnolix::instance();
        if (!app || !app->guiDatabase())
            return QString();
        const qint64 time =
            app->guiDatabase()
                ->getSettingOr(QString::fromLatin1(LibrarySettingsKeys::BooksUpdateTime), 0)
                .toLongLong();
        if (time == 0)
            return QString();
        return QDateTime::fromSecsSinceEpoch(time).toString(QStringLiteral("dd.MM.yyyy"));
    } catch (const std::exception& e) {
        qWarning("DatabaseUpdater::databaseUpdateDate: %s", e.what());
        if (Tarnolix* app = Tarnolix::instance())
            app->showError(QString::fromUtf8(e.what()));
        return QString();
    }
}

void DatabaseUpdater::updateBase()
{
    start(false);
}

void DatabaseUpdater::checkUpdateOnly()
{
    start(true);
}

void DatabaseUpdater::start(bool checkOnly)
{
    stopWorker();
    Tarnolix* app = Tarnolix::instance();
    if (!app || !app->wordByWordIndex() || !app->glossaryIndex()) {
        // Nothing to update without an open library.
        qWarning("DatabaseUpdater: no library is open");
        handleErrorTextChanged(QStringLiteral("Library is not open"));
        handleStatusChanged(DatabaseUpdaterPrivate::Failed);
        return;
    }

    m_thread = new QThread(this);
    m_thread->setObjectName(QStringLiteral("DatabaseUpdaterThread"));
    DatabaseUpdaterOptions options;
    options.checkOnly = checkOnly;
    m_engine = new DatabaseUpdaterPrivate(app->api()->token(), app->user()->subscribeLevel(), *app->wordByWordIndex(),
                                          *app->glossaryIndex(), options);
    m_engine->moveToThread(m_thread);

    connect(m_thread, &QThread::started, m_engine, &DatabaseUpdaterPrivate::init);
    connect(m_engine, &DatabaseUpdaterPrivate::statusChanged, this, &DatabaseUpdater::handleStatusChanged,
            Qt::QueuedConnection);
    connect(m_engine, &DatabaseUpdaterPrivate::errorTextChanged, this, &DatabaseUpdater::handleErrorTextChanged,
            Qt::QueuedConnection);
    connect(m_engine, &DatabaseUpdaterPrivate::progressChanged, this, &DatabaseUpdater::handleProgressChanged,
            Qt::QueuedConnection);
    connect(m_engine, &DatabaseUpdaterPrivate::progressTotalChanged, this,
            &DatabaseUpdater::handleProgressTotalChanged, Qt::QueuedConnection);
    m_thread->start(QThread::InheritPriority);
}

void DatabaseUpdater::reject()
{
    if (!m_engine) {
        qWarning("DatabaseUpdater::reject: m_pImpl=0");
        return;
    }
    m_engine->stop();
    QMetaObject::invokeMethod(m_engine, &DatabaseUpdaterPrivate::pReject, Qt::QueuedConnection);
}

void DatabaseUpdater::handleStatusChanged(int status)
{
    const bool wasActive = isActive();
    m_status.store(status);
    if (wasActive != isActive())
        emitActiveChanged();

    if (!isActiveStatus(status)) {
        switch (status) {
        case DatabaseUpdaterPrivate::Finished:
            qInfo("DatabaseUpdater: Finished");
            if (m_engine) {
                // The engine reported its end and does nothing more.
                m_checkOnly = m_engine->isCheckOnly();
                m_updateFound = m_engine->referenceChanged() || m_engine->unavailableCount() > 0
                                || m_engine->changedCount() > 0 || m_engine->glossariesChanged();
            }
            if (!m_checkOnly) {
                if (TarnolixEvents* events = TarnolixEvents::current())
                    emit events->databaseUpdateFinished();
            }
            break;
        case DatabaseUpdaterPrivate::Failed:
            qWarning("DatabaseUpdater: Failed");
            break;
        case DatabaseUpdaterPrivate::Rejected:
            qWarning("DatabaseUpdater: Rejected");
            break;
        default:
            qWarning("DatabaseUpdater: Unknown status(0x55198561): %d", status);
            break;
        }
        stopWorker();
    }
    emit statusChanged();
}

void DatabaseUpdater::handleErrorTextChanged(const QString& s)
{
    m_errorText = s;
    emit errorTextChanged();
}

void DatabaseUpdater::handleProgressChanged(int progress)
{
    m_progress = progress;
    emit progressChanged();
    updateProgressInPercent();
}

void DatabaseUpdater::handleProgressTotalChanged(int progressTotal)
{
    m_progressTotal = progressTotal;
    emit progressTotalChanged();
    updateProgressInPercent();
}

void DatabaseUpdater::updateProgressInPercent()
{
    const int percent =
        m_progressTotal == 0 ? 0 : int(double(m_progress) / double(m_progressTotal) * 100.0);
    if (percent == m_progressInPercent)
        return;
    m_progressInPercent = percent;
    emit progressInPercentChanged();
}

void DatabaseUpdater::stopWorker()
{
    if (m_engine) {
        m_engine->stop();
        m_engine->deleteLater();
        m_engine = nullptr;
    }
    if (m_thread) {
        qDebug("Close database updater thread...");
        m_thread->quit();
        m_thread->wait();
        m_thread->deleteLater();
        m_thread = nullptr;
    }
}
