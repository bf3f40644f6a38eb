#pragma once
// The catalogue library fixture, with the sample glossary tree, and a real
// second thread that holds its own library connection, installed as the
// models' second thread.

#include "models/ModelServices.h"
#include "tests/models/GlossaryLibrary.h"

#include <QCoreApplication>
#include <QThread>

#include <condition_variable>
#include <mutex>

namespace tarnolix::test {

class FakeSecondThread final : public ModelServices
{
public:
    FakeSecondThread()
    {
        QObject::connect(&thread, &QThread::started,
                         [this] { m_db = databasePool()->database(std::this_thread::get_id(), true, 1000); });
        m_anchor.moveToThread(&thread);
        thread.start();
        ModelServices::setCurrent(this);
    }
    ~FakeSecondThread() override
    {
        release();
        thread.quit();
        thread.wait();
    }

    QThread* secondThread() override { return &thread; }
    std::shared_ptr<TarnolixDB> secondThreadDatabase() override { return m_db; }
    FavoritesFilter* favoritesFilter() override { return nullptr; }
    void postShowError(const QString&) override {}
    void postShowError(const QString&, const QString&) override {}

    // Keeps the thread busy with something else until release().
    void hold()
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_held = true;
        }
        QMetaObject::invokeMethod(
            &m_anchor,
            [this] {
                std::unique_lock<std::mutex> lock(m_mutex);
                m_released.wait(lock, [this] { return !m_held; });
            },
            Qt::QueuedConnection);
    }
    void release()
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_held = false;
        }
        m_released.notify_all();
    }

    QThread thread;

private:
    struct Anchor : QObject
    {
    };
    std::shared_ptr<TarnolixDB> m_db;
    std::mutex m_mutex;
    std::condition_variable m_released;
    bool m_held = false;
    // Lives on the thread: the hold runs there.
    Anchor m_anchor;
};

class CheckerLibrary : public GlossaryLibrary
{
protected:
    void SetUp() override
    {
        GlossaryLibrary::SetUp();
        second = std::make_unique<FakeSecondThread>();
    }
    void TearDown() override
    {
        second.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        GlossaryLibrary::TearDown();
    }

    std::unique_ptr<FakeSecondThread> second;
};

} // namespace tarnolix::test
