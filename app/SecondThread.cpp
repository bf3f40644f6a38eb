#include "app/SecondThread.h"

#include "app/Tarnolix.h"
#include "app/TextTablesOnce.h"
#include "core/Exception.h"
#include "database/DatabasePool.h"
#include "database/TarnolixDB.h"

#include <QCoreApplication>
#include <QNetworkAccessManager>
#include <QThread>

#include <exception>
#include <thread>

SecondThread::SecondThread(QObject* parent)
    : QObject(parent)
    , m_thread(new QThread)
{
    m_thread->setObjectName(QStringLiteral("TarnolixSecondThread"));
    moveToThread(m_thread);
    connect(m_thread, &QThread::started, this, &SecondThread::threadStarted);
    connect(m_thread, &QThread::finished, this, &SecondThread::threadFinished);
}

SecondThread::~SecondThread()
{
    m_thread->quit();
    m_thread->wait();
    delete m_thread;
    m_database.reset();
}

void SecondThread::start()
{
    m_thread->start(QThread::InheritPriority);
}

void SecondThread::threadStarted()
{
    initTextTablesOnce();
    try {
        DatabasePool* pool = databasePool();
        if (!pool)
            throw Exception("No library database is open(0x8B51D2E6)");
        m_database = pool->database(std::this_thread::get_id(), true, DatabasePool::kWriterBusyTimeoutMs);
        m_database->setWaitCursorOnTransaction(false);
    } catch (const std::exception& e) {
        m_database.reset();
        qWarning("SecondThread: Open database error: %s", e.what());
        if (Tarnolix* app = Tarnolix::instance())
            app->postShowError(
                QCoreApplication::translate("SecondThread", "Не удалось открыть базу данных! Поиск может не работать!"));
    }
    if (!m_networkAccessManager)
        m_networkAccessManager = new QNetworkAccessManager;
    // The cover and photo loaders start here, on an open connection only.
}

void SecondThread::threadFinished()
{
    delete m_networkAccessManager;
    m_networkAccessManager = nullptr;
}
