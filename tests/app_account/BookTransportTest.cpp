// Book downloads: generations of network managers, recovery of silent
// downloads after a broken shared connection, cancellation, and the stall
// time-out against the stand-in.
#include "app/BookDownloadTransport.h"
#include "app/TarnolixAPI.h"
#include "tests/app_account/AccountTestSupport.h"
#include "tests/support/MessageLog.h"

#include <QElapsedTimer>
#include <QJsonObject>
#include <QSignalSpy>

#include <gtest/gtest.h>

namespace {

using namespace tarnolix::test;

constexpr int kRecoveryMs = 150;

class BookTransportTest : public ::testing::Test
{
protected:
    ManagerFactory books{true};
    TarnolixAPI api{nullptr, books.factory(), kRecoveryMs};

    FakeReply* reply(int index) { return books.replies().at(index); }
    BookDownloadTransport& transport() { return *api.transport(); }
};

TEST_F(BookTransportTest, DownloadsShareAGenerationUntilItsConnectionBreaks)
{
    EXPECT_EQ(TarnolixAPI().transport()->recoveryDelay(), 30000);
    EXPECT_EQ(TarnolixAPI().transport()->stallTimeout(), 60000);
    EXPECT_EQ(transport().currentGenerationNumber(), 0);
    const int first = api.getBook(101);
    api.getBook(102);
    EXPECT_EQ(transport().currentGenerationNumber(), 1);
    ASSERT_EQ(books.managers.size(), 1);
    EXPECT_EQ(books.managers.at(0)->requests.size(), 2);
    EXPECT_TRUE(reply(0)->property("TAPI_book").toBool());

    MessageLog log;
    reply(0)->finishWith(QNetworkReply::ContentReSendError);
    EXPECT_TRUE(log.contains(QtInfoMsg, QStringLiteral("Book transport generation=1 retired; checking silent "
                                                       "peers in 150 ms")));
    // The client reports the broken download like any other failure.
    TarnolixAPIResult* result = api.getResult(first);
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(result->networkError(), QNetworkReply::ContentReSendError);
    EXPECT_EQ(transport().currentGenerationNumber(), 0);
    api.getBook(103);
    EXPECT_EQ(transport().currentGenerationNumber(), 2) << "at once, without waiting for the recovery";
    ASSERT_EQ(books.managers.size(), 2);
    EXPECT_EQ(books.managers.at(1)->requests.size(), 1);

    // A broken connection that did get an answer retires nothing.
    reply(2)->respond(503);
    reply(2)->finishWith(QNetworkReply::ContentReSendError);
    api.getBook(104);
    EXPECT_EQ(transport().currentGenerationNumber(), 2);
}

TEST_F(BookTransportTest, RecoveryAbortsOnlySilentDownloadsOfTheRetiredGeneration)
{
    const int broken = api.getBook(1);
    const int silent = api.getBook(2);
    const int headers = api.getBook(3);
    const int bytes = api.getBook(4);
    const int lateBroken = api.getBook(5);
    reply(2)->respond(200);
    reply(3)->push("P");
    MessageLog log;
    QSignalSpy received(&api, &TarnolixAPI::received);

    reply(0)->finishWith(QNetworkReply::ContentReSendError);
    const int fresh = api.getBook(6); // generation 2 is not touched
    // A second break in the retired generation schedules no second recovery.
    reply(4)->finishWith(QNetworkReply::ContentReSendError);
    EXPECT_EQ(log.texts(QtInfoMsg).filter(QStringLiteral("retired")).size(), 1);

    ASSERT_TRUE(waitUntil([&] { return api.getResult(silent) != nullptr; }, 3000));
    EXPECT_TRUE(reply(1)->aborted());
    EXPECT_TRUE(reply(1)->property("TAPI_connectionRecovery").toBool());
    EXPECT_EQ(api.getResult(silent)->networkError(), QNetworkReply::OperationCanceledError);
    waitUntil([] { return false; }, 3 * kRecoveryMs);
    for (const int index : {2, 3, 5}) {
        SCOPED_TRACE(index);
        EXPECT_FALSE(reply(index)->aborted());
        EXPECT_FALSE(reply(index)->property("TAPI_connectionRecovery").toBool());
    }
    EXPECT_EQ(log.texts(QtInfoMsg).filter(QStringLiteral("recovering silent request=")),
              QStringList{QStringLiteral("Book transport generation=1 recovering silent request=%1").arg(silent)});
    // The answered ones end on the retired generation's manager, which goes
    // only after its last reply.
    QPointer<FakeNetworkManager> retired = books.managers.at(0);
    reply(2)->finishWith();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(retired.isNull());
    reply(3)->push("K");
    reply(3)->finishWith();
    for (const int id : {broken, silent, headers, bytes, lateBroken})
        api.removeResult(id);
    EXPECT_TRUE(waitUntilDeleted([&] { return retired.isNull(); }));
    EXPECT_FALSE(books.managers.at(1).isNull());
    EXPECT_EQ(api.getResult(fresh), nullptr);
    EXPECT_EQ(received.count(), 5);
}

TEST_F(BookTransportTest, CancellingDropsDownloadsWithoutResults)
{
    // With nothing in flight it only retires the generation.
    api.getBook(1);
    reply(0)->finishWith();
    api.cancelBookDownloads();
    api.getBook(2);
    EXPECT_EQ(transport().currentGenerationNumber(), 2);

    api.getBook(3);
    QPointer<FakeReply> second = reply(1);
    QPointer<FakeReply> third = reply(2);
    QPointer<FakeNetworkManager> manager = books.managers.at(1);
    QSignalSpy received(&api, &TarnolixAPI::received);
    api.cancelBookDownloads();
    EXPECT_EQ(received.count(), 0);
    EXPECT_EQ(transport().downloadsInFlight(), 0);
    EXPECT_TRUE(second->property("TAPI_cancelled").toBool());
    EXPECT_TRUE(waitUntilDeleted([&] { return second.isNull() && third.isNull() && manager.isNull(); }));
    // The result of the first download is the client's to drop, not the transport's.
    EXPECT_NE(api.getResult(1), nullptr);
}

// The stall time-out against the stand-in: headers then silence aborts; a
// slow but steady download lives.
TEST(BookTransportStallTest, AStalledDownloadIsAbortedAndADripStaysAlive)
{
    TarnolixAPI api(nullptr, {}, TarnolixAPI::kRecoveryDelayMs, {}, 400);
    api.setToken(loginToken(api, kReaderEmail, kReaderPassword));
    ASSERT_FALSE(api.token().isEmpty());

    standinControl(origin(), "POST", QStringLiteral("faults"),
                   QJsonObject{{QStringLiteral("plan"),
                                QStringLiteral("mode=stall,after=10,hold_s=20,path=/books/download/,count=1")}});
    QElapsedTimer timer;
    timer.start();
    const int stalled = api.getBook(101);
    TarnolixAPIResult* result = waitForResult(api, stalled, 10000);
    ASSERT_NE(result, nullptr);
    EXPECT_LT(timer.elapsed(), 5000);
    EXPECT_EQ(result->networkError(), QNetworkReply::OperationCanceledError);
    EXPECT_TRUE(result->reply()->property("TAPI_connectionRecovery").toBool());
    EXPECT_EQ(result->httpStatus(), 200) << "the headers had come";

    // Pieces every 100 ms keep the 400 ms timer from running out over a
    // download that lasts longer than it.
    standinControl(origin(), "POST", QStringLiteral("faults"),
                   QJsonObject{{QStringLiteral("plan"),
                                QStringLiteral("mode=drip,chunk=256,interval_ms=100,path=/books/download/,count=1")}});
    timer.restart();
    const int dripped = api.getBook(101);
    result = waitForResult(api, dripped, 30000);
    ASSERT_NE(result, nullptr);
    EXPECT_GT(timer.elapsed(), 400);
    EXPECT_EQ(result->networkError(), QNetworkReply::NoError);
    EXPECT_FALSE(result->reply()->property("TAPI_connectionRecovery").toBool());
    EXPECT_TRUE(result->body().startsWith("PK"));
    standinControl(origin(), "DELETE", QStringLiteral("faults"));
}

} // namespace
