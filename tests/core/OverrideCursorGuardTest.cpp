#include "core/OverrideCursorGuard.h"

#include <QCursor>
#include <QGuiApplication>
#include <QThread>

#include <gtest/gtest.h>

namespace {

Qt::CursorShape activeShape()
{
    const QCursor* c = QGuiApplication::overrideCursor();
    return c ? c->shape() : Qt::ArrowCursor;
}

} // namespace

TEST(OverrideCursorGuard, SetsOnlyWhenEnabledAndRestoresOnDestruction)
{
    ASSERT_EQ(QGuiApplication::overrideCursor(), nullptr);
    {
        OverrideCursorGuard disabled(false, Qt::BusyCursor);
        EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    }
    {
        OverrideCursorGuard guard(true, Qt::BusyCursor);
        EXPECT_EQ(activeShape(), Qt::BusyCursor);
        EXPECT_FALSE(guard.set(Qt::WaitCursor)) << "a guard sets at most one cursor";
    }
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST(OverrideCursorGuard, NeverStacksOnAnActiveCursor)
{
    OverrideCursorGuard outer(Qt::WaitCursor);
    {
        OverrideCursorGuard inner(Qt::BusyCursor);
        EXPECT_EQ(activeShape(), Qt::WaitCursor);
        EXPECT_FALSE(inner.set(Qt::BusyCursor));
        EXPECT_FALSE(inner.restore());
    }
    EXPECT_EQ(activeShape(), Qt::WaitCursor) << "the inner guard must not take down the outer cursor";
    EXPECT_TRUE(outer.restore());
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_FALSE(outer.restore());
    EXPECT_TRUE(outer.set(Qt::BusyCursor));
    EXPECT_EQ(activeShape(), Qt::BusyCursor);
}

TEST(OverrideCursorGuard, DoesNothingOffTheGuiThread)
{
    bool setOnWorker = true;
    QThread* worker = QThread::create([&] {
        OverrideCursorGuard guard(Qt::BusyCursor);
        setOnWorker = guard.restore();
    });
    worker->start();
    worker->wait();
    delete worker;
    EXPECT_FALSE(setOnWorker);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}
