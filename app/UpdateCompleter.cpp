#include "app/UpdateCompleter.h"

#include "app/DatabaseUpdater.h"
#include "app/SecondThread.h"
#include "app/Tarnolix.h"
#include "core/Exception.h"
#include "core/TarnolixEvents.h"
#include "database/DatabasePool.h"
#include "database/LibrarySettingsKeys.h"
#include "database/TarnolixDB.h"

#include <QCoreApplication>
#include <QThread>

#include <exception>

namespace {

const QString& versionKey()
{
    static const QString key = QString::fromLatin1(LibrarySettingsKeys::UpdateCompleterVersion);
    return key;
}

// Asks for the busy cursor while it lives; the request is queued to the GUI thread.
class BusyCursorRequest
{
public:
    explicit BusyCursorRequest(UpdateCompleterImpl& impl) : m_impl(impl) { emit m_impl.busyCursorRequested(true); }
    ~BusyCursorRequest() { emit m_impl.busyCursorRequested(false); }

    BusyCursorRequest(const BusyCursorRequest&) = delete;
    BusyCursorRequest& operator=(const BusyCursorRequest&) = delete;

private:
    UpdateCompleterImpl& m_impl;
};

} // namespace

UpdateCompleterImpl::UpdateCompleterImpl(QObject* parent)
    : QObject(parent)
{
}

void UpdateCompleterImpl::complete()
{
    BusyCursorRequest cursor(*this);
    try {
        if (!m_db)
            m_db = currentDatabase();
        const unsigned stored = m_db->getSettingOr(versionKey(), 0).toUInt();
        unsigned next = 0;
        if (stored != 0) {
            next = stored + 1;
            qInfo("UpdateCompleterImpl: Update from %u to %u", stored, next);
            if (next == 0)
                throw Exception("ERROR 0x54259632");
        } else if (m_db->isLibraryEmpty()) {
            qWarning("UpdateCompleterImpl: ERROR 0x84561478");
            next = 2;
        } else {
            qInfo("UpdateCompleterImpl: First start on old database");
            next = 1;
        }
        qDebug("UpdateCompleter: Processing %u/%u", next, kLatestStep);
        runStep(next);
        if (next < kLatestStep) {
            m_db->setSetting(versionKey(), next);
            QMetaObject::invokeMethod(this, &UpdateCompleterImpl::complete, Qt::QueuedConnection);
            return;
        }
        qDebug("UpdateCompleterImpl: finished");
        m_db->setSetting(versionKey(), kLatestStep);
        emit finished();
    } catch (const Exception& e) {
        qWarning("UpdateCompleterImpl: Error: %s", e.what());
        emit failed(e.message());
    } catch (const std::exception& e) {
        qWarning("UpdateCompleterImpl: Error: %s", e.what());
        emit failed(QString::fromUtf8(e.what()));
    } catch (...) {
        qWarning("UpdateCompleterImpl: Unknown error");
        emit failed(QCoreApplication::translate("UpdateCompleterImpl", "Неизвестная ошибка"));
    }
}

void UpdateCompleterImpl::runStep(unsigned step)
{
    switch (step) {
    case 1:
        m_db->fixNormalixedTexts();
        break;
    default:
        break;
    }
}

UpdateCompleter::UpdateCompleter(QObject* parent)
    : QObject(parent)
{
    if (TarnolixEvents* events = TarnolixEvents::current())
        connect(events, &TarnolixEvents::databaseUpdaterActiveChanged, this, &UpdateCompleter::tryStart);
}

UpdateCompleter::~UpdateCompleter()
{
    releaseImpl();
}

bool UpdateCompleter::isCompletionNeeded(TarnolixDB& database)
{
    try {
        if (database.getSettingOr(versionKey(), 0).toUInt() != 0)
            return false;
        if (database.isLibraryEmpty()) {
            qDebug("UpdateCompleter: First start");
            database.setSetting(versionKey(), UpdateCompleterImpl::kLatestStep);
            return false;
        }
        return true;
    } catch (const std::exception& e) {
        qWarning("UpdateCompleter::isNeed: %s", e.what());
        return false;
    }
}

void UpdateCompleter::start()
{
    if (m_impl) {
        qCritical("ERROR 0x54256987");
        return;
    }
    m_startRequested = true;
    tryStart();
}

void UpdateCompleter::tryStart()
{
    if (!m_startRequested)
        return;
    if (DatabaseUpdater::isUpdating()) {
        qCritical("UpdateCompleter: DatabaseUpdater is active");
        return;
    }
    Tarnolix* app = Tarnolix::instance();
    SecondThread* second = app ? app->secondThread() : nullptr;
    if (!second) {
        qCritical("UpdateCompleter: no second thread");
        return;
    }
    m_impl = new UpdateCompleterImpl;
    m_impl->moveToThread(second->workerThread());
    connect(m_impl, &UpdateCompleterImpl::finished, this, &UpdateCompleter::implFinished);
    connect(m_impl, &UpdateCompleterImpl::failed, this, &UpdateCompleter::implFailed);
    connect(m_impl, &UpdateCompleterImpl::busyCursorRequested, this, &UpdateCompleter::setBusyCursor,
            Qt::QueuedConnection);
    QMetaObject::invokeMethod(m_impl, &UpdateCompleterImpl::complete, Qt::QueuedConnection);
    m_startRequested = false;
}

void UpdateCompleter::implFinished()
{
    releaseImpl();
    emit finished();
}

void UpdateCompleter::implFailed(const QString& error)
{
    qWarning("UpdateCompleter: Error: %s", qUtf8Printable(error));
    releaseImpl();
    if (Tarnolix* app = Tarnolix::instance())
        app->showError(tr("Произошла ошибка при завершении обновлении базы.\n"
                          "При следующем запуске программы будет предпринята повторная попытка.\n"
                          "Текст ошибки: ")
                       + error);
    emit finished();
}

void UpdateCompleter::setBusyCursor(bool busy)
{
    if (busy)
        m_cursor.set(Qt::BusyCursor);
    else
        m_cursor.restore();
}

void UpdateCompleter::releaseImpl()
{
    // The worker's last cursor request may come after its end.
    m_cursor.restore();
    if (!m_impl)
        return;
    m_impl->disconnect(this);
    m_impl->deleteLater();
    m_impl = nullptr;
}
