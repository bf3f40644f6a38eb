#include "core/TarnolixEvents.h"

#include "tests/support/TestSupport.h"

#include <QSignalSpy>
#include <QThread>

#include <gtest/gtest.h>

#include <memory>
#include <thread>

TEST(TarnolixEvents, WorkerThreadNoticeArrivesOnTheGuiThread)
{
    TarnolixEvents events;
    QThread* deliveredOn = nullptr;
    int deliveredId = 0;
    QObject::connect(&events, &TarnolixEvents::bookContentChanged, [&](int bookId) {
        deliveredOn = QThread::currentThread();
        deliveredId = bookId;
    });
    std::thread([&] { events.emitBookContentChanged(42); }).join();
    ASSERT_TRUE(tarnolix::test::waitUntil([&] { return deliveredId != 0; }));
    EXPECT_EQ(deliveredId, 42);
    EXPECT_EQ(deliveredOn, QThread::currentThread());

    // The language travels by value to a listener on another thread too.
    QThread listenerThread;
    QObject listener;
    listener.moveToThread(&listenerThread);
    listenerThread.start();
    std::atomic<int> language{0};
    QObject::connect(&events, &TarnolixEvents::booksBaseChanged, &listener,
                     [&](TarnolixConstants::Language l) { language = l; });
    std::thread([&] { events.emitBooksBaseChanged(TarnolixConstants::Sanskrit); }).join();
    EXPECT_TRUE(tarnolix::test::waitUntil([&] { return language.load() != 0; }));
    EXPECT_EQ(language.load(), TarnolixConstants::Sanskrit);
    listenerThread.quit();
    listenerThread.wait();
}

TEST(TarnolixEvents, EverySlotPostsItsOwnSignalAfterReturning)
{
    TarnolixEvents events;
    QSignalSpy glossary(&events, &TarnolixEvents::glossaryTreeChanged);
    QSignalSpy photo(&events, &TarnolixEvents::rersonForLoadPhotoChanged);
    QSignalSpy base(&events, &TarnolixEvents::booksBaseChanged);
    QSignalSpy indexing(&events, &TarnolixEvents::booksForIndexingChanged);
    QSignalSpy covers(&events, &TarnolixEvents::booksForLoadCoversChanged);
    QSignalSpy deleted(&events, &TarnolixEvents::dbAllDataDeleted);
    QSignalSpy active(&events, &TarnolixEvents::databaseUpdaterActiveChanged);
    QSignalSpy finished(&events, &TarnolixEvents::databaseUpdateFinished);

    events.emitGlossaryTreeChanged();
    events.emitGlossaryTreeChanged();
    events.emitPersonForLoadPhotoChanged();
    events.emitBooksBaseChanged(TarnolixConstants::Russian);
    events.emitBooksForIndexingChanged();
    events.emitBooksForLoadCoversChanged();
    events.emitDBAllDataDeleted();
    events.emitDatabaseUpdaterActiveChanged();
    events.emitDatabaseUpdateFinished();
    EXPECT_EQ(glossary.count(), 0) << "queued even on the GUI thread";

    ASSERT_TRUE(tarnolix::test::waitUntil([&] { return finished.count() == 1; }));
    EXPECT_EQ(glossary.count(), 2);
    EXPECT_EQ(photo.count(), 1);
    ASSERT_EQ(base.count(), 1);
    EXPECT_EQ(base.at(0).at(0).value<TarnolixConstants::Language>(), TarnolixConstants::Russian);
    EXPECT_EQ(indexing.count(), 1);
    EXPECT_EQ(covers.count(), 1);
    EXPECT_EQ(deleted.count(), 1);
    EXPECT_EQ(active.count(), 1);
}

TEST(TarnolixEvents, CurrentInstanceIsSetAndForgotten)
{
    EXPECT_EQ(TarnolixEvents::current(), nullptr);
    auto events = std::make_unique<TarnolixEvents>();
    TarnolixEvents::setCurrent(events.get());
    EXPECT_EQ(TarnolixEvents::current(), events.get());

    // A notice still queued when the board goes away is dropped with it.
    events->emitDatabaseUpdateFinished();
    events.reset();
    EXPECT_EQ(TarnolixEvents::current(), nullptr);
    QCoreApplication::processEvents();
}
