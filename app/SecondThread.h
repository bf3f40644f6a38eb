#pragma once
// The second worker thread: background work that needs the library off the
// GUI thread (cover and photo loading among it) runs here, on the thread's
// own library connection and network manager. The object lives on its
// thread; it is made without a parent (an object with one cannot move) and
// is deleted by the application object, whose thread this is not.

#include <QObject>

#include <memory>

class QNetworkAccessManager;
class QThread;
class TarnolixDB;

class SecondThread : public QObject
{
    Q_OBJECT

public:
    explicit SecondThread(QObject* parent = nullptr);
    // Quits the thread and waits for it without a time limit.
    ~SecondThread() override;

    // Starts the thread with the priority of the caller.
    void start();

    QThread* workerThread() const { return m_thread; }
    // Both only on the second thread; empty until it started (the
    // connection also when it could not be opened).
    std::shared_ptr<TarnolixDB> database() const { return m_database; }
    QNetworkAccessManager* networkAccessManager() const { return m_networkAccessManager; }

public slots:
    void threadStarted();
    void threadFinished();

private:
    QThread* m_thread;
    std::shared_ptr<TarnolixDB> m_database;
    QNetworkAccessManager* m_networkAccessManager = nullptr;
};
