// The account API client against the stand-in and against fake replies:
// ids, headers, time-outs, outcomes, result expiry, manager replacement and
// its thread.
#include "app/BookDownloadTransport.h"
#include "app/TarnolixAPI.h"
#include "core/ServerConfig.h"
#include "core/Settings.h"
#include "tests/app_account/AccountTestSupport.h"
#include "tests/support/MessageLog.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QJsonArray>
#include <QJsonObject>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>

namespace {

using namespace tarnolix::test;

QJsonArray requestsSince(qint64 seq)
{
    QJsonArray newer;
    for (const QJsonValue& entry : standinRequests(origin())) {
        if (entry.toObject().value(QStringLiteral("seq")).toDouble() > seq)
            newer.append(entry);
    }
    return newer;
}

qint64 lastSeq()
{
    const QJsonArray all = standinRequests(origin());
    return all.isEmpty() ? 0 : all.last().toObject().value(QStringLiteral("seq")).toDouble();
}

TEST(ApiClientTest, TakesTheApiOriginOfServerConfig)
{
    TarnolixAPI api;
    EXPECT_EQ(api.baseUrl(), origin());
    // Plain http elsewhere than a loopback host is ignored with a warning.
    const QByteArray saved = qgetenv(ServerConfig::kApiEnvironment);
    qputenv(ServerConfig::kApiEnvironment, "http://api.example.org");
    MessageLog log;
    TarnolixAPI other;
    qputenv(ServerConfig::kApiEnvironment, saved);
    EXPECT_EQ(other.baseUrl(), QStringLiteral("https://api.tarnolix.invalid"));
    EXPECT_TRUE(log.contains(QtWarningMsg, QStringLiteral("ServerConfig: ignoring")));
}

TEST(ApiClientTest, NumbersRequestsPerInstanceAndSendsItsHeaders)
{
    TarnolixAPI first;
    TarnolixAPI second;
    const qint64 before = lastSeq();
    EXPECT_EQ(first.get(QStringLiteral("/user")), 1);
    EXPECT_EQ(first.get(QStringLiteral("/user")), 2);
    EXPECT_EQ(second.get(QStringLiteral("/user")), 1);
    const QString token = QStringLiteral("t0k/en+=;x");
    second.setToken(token);
    EXPECT_EQ(second.postMultiPart(QStringLiteral("/auth/login"),
                                   QVariantMap{{QStringLiteral("password"), kReaderPassword},
                                               {QStringLiteral("email"), kReaderEmail}}),
              2);
    ASSERT_NE(waitForResult(first, 2), nullptr);
    ASSERT_NE(waitForResult(second, 2), nullptr);

    const QJsonArray sent = requestsSince(before);
    ASSERT_EQ(sent.size(), 4);
    int withoutToken = 0;
    for (const QJsonValue& value : sent) {
        const QJsonObject request = value.toObject();
        SCOPED_TRACE(request.value(QStringLiteral("path")).toString().toStdString());
        EXPECT_EQ(loggedHeader(request, QStringLiteral("accept")).toString(), QStringLiteral("application/json"));
        EXPECT_EQ(loggedHeader(request, QStringLiteral("device-id")).toString(),
                  QString::fromLatin1(first.deviceId()));
        const QJsonValue authorization = loggedHeader(request, QStringLiteral("Api-Authorization"));
        if (authorization.isNull())
            ++withoutToken;
        else
            EXPECT_EQ(authorization.toString(), token);
    }
    EXPECT_EQ(withoutToken, 3) << "no header at all with an empty token";

    QJsonObject login;
    for (const QJsonValue& value : sent) {
        if (value.toObject().value(QStringLiteral("method")).toString() == QLatin1String("POST"))
            login = value.toObject();
    }
    const QString body = login.value(QStringLiteral("body")).toString();
    EXPECT_LT(body.indexOf(QStringLiteral("name=\"email\"")), body.indexOf(QStringLiteral("name=\"password\"")));
    EXPECT_TRUE(body.contains(QStringLiteral("name=\"password\"\r\n\r\n") + kReaderPassword));
    EXPECT_TRUE(
        loggedHeader(login, QStringLiteral("Content-Type")).toString().startsWith(QStringLiteral("multipart/form-data")));
}

TEST(ApiClientTest, PostMultiPartSendsWhatConvertsAndWarnsOfTheRest)
{
    TarnolixAPI api;
    MessageLog log;
    const qint64 before = lastSeq();
    const int id = api.postMultiPart(QStringLiteral("/auth/login"),
                                     QVariantMap{{QStringLiteral("email"), kReaderEmail},
                                                 {QStringLiteral("list"), QVariantList{1, 2}},
                                                 {QStringLiteral("password"), kReaderPassword}});
    TarnolixAPIResult* result = waitForResult(api, id);
    ASSERT_NE(result, nullptr);
    EXPECT_TRUE(result->isSuccess());
    EXPECT_TRUE(log.contains(QtWarningMsg, QStringLiteral("TarnolixAPI::postMultiPart: Convert to QByteArray error")));
    const QString body = requestsSince(before).at(0).toObject().value(QStringLiteral("body")).toString();
    EXPECT_FALSE(body.contains(QStringLiteral("name=\"list\"")));

    log.clear();
    const int empty = api.postMultiPart(QStringLiteral("/auth/login"), QVariant(42));
    EXPECT_TRUE(log.contains(QtWarningMsg, QStringLiteral("TarnolixAPI::postMultiPart: Convert to QVariantMap error")));
    result = waitForResult(api, empty);
    ASSERT_NE(result, nullptr) << "still sent";
    EXPECT_EQ(result->httpStatus(), 422);
}

TEST(ApiClientTest, TransferTimeOutsFollowTheVerbAndPath)
{
    ManagerFactory managers(true);
    ManagerFactory books(true);
    TarnolixAPI api(nullptr, books.factory(), TarnolixAPI::kRecoveryDelayMs, managers.factory());
    struct Case
    {
        const char* what;
        std::function<void()> send;
        int timeoutMs;
        QByteArray verb;
    };
    const Case cases[] = {
        {"GET /user", [&] { api.get(QStringLiteral("/user")); }, 15000, "GET"},
        {"GET /base/x", [&] { api.get(QStringLiteral("/base/x")); }, 30000, "GET"},
        {"GET /books/books?time=0", [&] { api.get(QStringLiteral("/books/books?time=0")); }, 30000, "GET"},
        {"GET /books/books", [&] { api.get(QStringLiteral("/books/books")); }, 300000, "GET"},
        {"GET /favorites/status/get", [&] { api.get(QStringLiteral("/favorites/status/get")); }, 300000, "GET"},
        {"GET /user?x", [&] { api.get(QStringLiteral("/user?x")); }, 300000, "GET"},
        {"POST /user", [&] { api.post(QStringLiteral("/user"), "{}", "application/json"); }, 300000, "POST"},
        {"DELETE", [&] { api.sendDelete(QStringLiteral("/favorites/items/delete"), "[]", "application/json"); },
         300000, "DELETE"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const int before = managers.managers.at(0)->requests.size();
        c.send();
        ASSERT_EQ(managers.managers.at(0)->requests.size(), before + 1);
        const QNetworkRequest& request = managers.managers.at(0)->requests.last();
        EXPECT_EQ(request.transferTimeout(), c.timeoutMs);
        if (c.verb == "DELETE") {
            EXPECT_EQ(request.attribute(QNetworkRequest::CustomVerbAttribute).toByteArray(), c.verb);
        }
    }
    api.getBook(101);
    ASSERT_EQ(books.managers.size(), 1);
    const QNetworkRequest& book = books.managers.at(0)->requests.at(0);
    EXPECT_EQ(book.url().toString(), origin() + QStringLiteral("/books/download/101"));
    EXPECT_EQ(book.transferTimeout(), 300000);
    EXPECT_EQ(book.rawHeader("accept"), QByteArrayLiteral("application/json"));
}

// Each outcome as a consumer sees it.
TEST(ApiClientTest, ReportsEveryOutcomeAsAResult)
{
    TarnolixAPI signIn;
    const QString token = loginToken(signIn, kReaderEmail, kReaderPassword);
    ASSERT_FALSE(token.isEmpty());

    struct Case
    {
        const char* what;
        std::function<int(TarnolixAPI&)> send;
        bool success;
        int status; // -1: either
        QNetworkReply::NetworkError error;
        QString errorText; // empty: the reply's error string
        const char* warning;
    };
    const Case cases[] = {
        {"success", [&](TarnolixAPI& api) { api.setToken(token); return api.get(QStringLiteral("/user")); }, true,
         200, QNetworkReply::NoError, QString(), nullptr},
        {"401 with JSON", [](TarnolixAPI& api) { return api.get(QStringLiteral("/user")); }, false, 401,
         QNetworkReply::AuthenticationRequiredError, QStringLiteral("Требуется авторизация"), nullptr},
        {"not JSON", [](TarnolixAPI& api) { return api.get(QStringLiteral("/privacy-policy.html")); }, false, 200,
         QNetworkReply::NoError, QString(), "TarnolixAPIResult: Parse JSON error"},
        {"time-out",
         [&](TarnolixAPI& api) {
             api.setToken(token);
             return api.get(QStringLiteral("/user?timeout"));
         },
         // Whether the headers came before the time-out depends on the machine's load.
         false, -1, QNetworkReply::OperationCanceledError, QString(), nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        // The time-out case stalls after the headers, with a short time-out.
        ManagerFactory network(false, [](QNetworkRequest& request) {
            if (request.url().query() == QLatin1String("timeout")) {
                request.setTransferTimeout(300);
                request.setRawHeader("X-Standin-Fault", "mode=stall,hold_s=5");
            }
        });
        TarnolixAPI api(nullptr, {}, TarnolixAPI::kRecoveryDelayMs, network.factory());
        MessageLog log;
        const int id = c.send(api);
        TarnolixAPIResult* result = waitForResult(api, id);
        ASSERT_NE(result, nullptr);
        EXPECT_EQ(result->isSuccess(), c.success);
        if (c.status >= 0) {
            EXPECT_EQ(result->httpStatus(), c.status);
        }
        EXPECT_EQ(result->networkError(), c.error);
        EXPECT_EQ(result->hasNetworkError(), c.error != QNetworkReply::NoError);
        EXPECT_EQ(result->getErrorText(), c.errorText.isEmpty() ? result->replyErrorString() : c.errorText);
        if (c.warning) {
            EXPECT_TRUE(log.contains(QtWarningMsg, QLatin1String(c.warning)));
        }
        if (c.success) {
            EXPECT_EQ(result->apiResultGetValue().toObject().value(QStringLiteral("email")).toString(), kReaderEmail);
        }
    }
}

TEST(ApiClientTest, RefusedPortAndJsonArrayAreResultsToo)
{
    // A loopback port nobody listens on.
    const QByteArray saved = qgetenv(ServerConfig::kApiEnvironment);
    qputenv(ServerConfig::kApiEnvironment, "http://127.0.0.1:9");
    TarnolixAPI refused;
    qputenv(ServerConfig::kApiEnvironment, saved);
    TarnolixAPIResult* result = waitForResult(refused, refused.get(QStringLiteral("/user")));
    ASSERT_NE(result, nullptr);
    EXPECT_FALSE(result->isSuccess());
    EXPECT_EQ(result->networkError(), QNetworkReply::ConnectionRefusedError);
    EXPECT_EQ(result->httpStatus(), 0);
    EXPECT_EQ(result->getErrorText(), result->replyErrorString());
    EXPECT_FALSE(result->getErrorText().isEmpty());

    ManagerFactory fakes(true);
    TarnolixAPI api(nullptr, {}, TarnolixAPI::kRecoveryDelayMs, fakes.factory());
    const int id = api.get(QStringLiteral("/base/categories"));
    FakeReply* reply = fakes.replies().at(0);
    reply->respond(200);
    reply->push("[{\"success\":true}]");
    reply->finishWith();
    MessageLog log;
    result = api.getResult(id);
    ASSERT_NE(result, nullptr);
    EXPECT_FALSE(result->isSuccess());
    EXPECT_TRUE(result->apiResultGetValue().isNull());
    EXPECT_TRUE(log.contains(QtWarningMsg, QStringLiteral("TarnolixAPIResult: root is not object")));
    EXPECT_EQ(result->getToken(), QString());

    // A second finished of the same reply makes no second result.
    QSignalSpy received(&api, &TarnolixAPI::received);
    emit reply->finished();
    EXPECT_EQ(received.count(), 0);
    EXPECT_EQ(api.getResult(id), result);

    // Unknown ids are harmless.
    api.removeResult(999);
    EXPECT_EQ(api.getResult(999), nullptr);

    // A result whose reply is gone answers from what it kept.
    QPointer<TarnolixAPIResult> kept(result);
    delete result->reply();
    EXPECT_EQ(result->httpStatus(), 200);
    EXPECT_TRUE(result->hasNetworkError());
    EXPECT_EQ(result->networkError(), QNetworkReply::NoError);
    EXPECT_EQ(result->replyErrorString(), QString());
    EXPECT_EQ(result->body(), QByteArrayLiteral("[{\"success\":true}]"));
    EXPECT_TRUE(log.contains(QtWarningMsg, QStringLiteral("TarnolixAPIResult::replyDestroyed")));
}

TEST(ApiClientTest, AnUnfetchedResultExpires)
{
    ManagerFactory fakes(true);
    TarnolixAPI api(nullptr, {}, TarnolixAPI::kRecoveryDelayMs, fakes.factory(), 60000, 300);
    EXPECT_EQ(TarnolixAPI().resultLifetime(), 60000);
    const int id = api.get(QStringLiteral("/user"));
    fakes.replies().at(0)->finishWith();
    QPointer<TarnolixAPIResult> result = api.getResult(id);
    ASSERT_NE(result, nullptr);
    const qint64 created = result->creationTime();
    // Checked once a second: gone between the lifetime and about a second later.
    QThread::msleep(200);
    EXPECT_EQ(api.getResult(id), result.data());
    EXPECT_TRUE(waitUntil([&] { return api.getResult(id) == nullptr; }, 2500));
    EXPECT_GE(QDateTime::currentMSecsSinceEpoch() - created, 300);
    EXPECT_TRUE(waitUntilDeleted([&] { return result.isNull(); }));
}

TEST(ApiClientTest, ReplyInFlightCompletesAcrossAManagerReplacement)
{
    const QString token = [] {
        TarnolixAPI signIn;
        return loginToken(signIn, kReaderEmail, kReaderPassword);
    }();
    // "/fail" is answered by hand with an unknown network error; the rest go
    // to the stand-in, "/user" late.
    struct Mixed : FakeNetworkManager
    {
        using FakeNetworkManager::FakeNetworkManager;
        QNetworkReply* createRequest(Operation operation, const QNetworkRequest& request,
                                     QIODevice* outgoing) override
        {
            if (request.url().path() == QLatin1String("/fail")) {
                auto* reply = new FakeReply(operation, request, this);
                replies.append(reply);
                return reply;
            }
            QNetworkRequest late(request);
            late.setRawHeader("X-Standin-Fault", "mode=delay,delay_ms=1800");
            return QNetworkAccessManager::createRequest(operation, late, outgoing);
        }
    };
    QList<QPointer<Mixed>> managers;
    TarnolixAPI api(nullptr, {}, TarnolixAPI::kRecoveryDelayMs, [&](QObject* owner) {
        auto* manager = new Mixed(owner, false);
        managers.append(manager);
        return manager;
    });
    api.setToken(token);
    const int slow = api.get(QStringLiteral("/user"));
    const int failed = api.get(QStringLiteral("/fail"));
    managers.at(0)->replies.at(0)->finishWith(QNetworkReply::UnknownNetworkError);
    ASSERT_NE(api.getResult(failed), nullptr);
    const int again = api.get(QStringLiteral("/fail"));
    managers.at(0)->replies.at(1)->finishWith(QNetworkReply::UnknownNetworkError);

    ASSERT_TRUE(waitUntil([&] { return managers.size() == 2; }, 3000)) << "replaced after 1000 ms";
    EXPECT_EQ(api.networkManager(), managers.at(1).data());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(managers.at(0).isNull()) << "the old manager waits for its running reply";
    const int later = api.get(QStringLiteral("/fail"));
    ASSERT_EQ(managers.at(1)->replies.size(), 1) << "new requests go to the new manager";
    managers.at(1)->replies.at(0)->finishWith();

    TarnolixAPIResult* result = waitForResult(api, slow);
    ASSERT_NE(result, nullptr);
    EXPECT_TRUE(result->isSuccess());
    EXPECT_EQ(managers.size(), 2) << "the second error while the timer ran started nothing new";
    for (const int id : {slow, failed, again, later})
        api.removeResult(id);
    EXPECT_TRUE(waitUntilDeleted([&] { return managers.at(0).isNull(); })) << "the old manager goes after its last reply";
    EXPECT_FALSE(managers.at(1).isNull());
}

TEST(ApiClientTest, ResetDropsRunningRequestsAndResults)
{
    ManagerFactory fakes(true);
    TarnolixAPI api(nullptr, {}, TarnolixAPI::kRecoveryDelayMs, fakes.factory());
    const int done = api.get(QStringLiteral("/user"));
    fakes.replies().at(0)->finishWith();
    ASSERT_NE(api.getResult(done), nullptr);
    api.get(QStringLiteral("/favorites/status/get"));
    QPointer<FakeReply> running = fakes.replies().at(1);
    QPointer<FakeNetworkManager> old = fakes.managers.at(0);
    QSignalSpy received(&api, &TarnolixAPI::received);

    api.reset();
    EXPECT_EQ(api.getResult(done), nullptr);
    EXPECT_TRUE(running->aborted());
    EXPECT_EQ(received.count(), 0) << "a dropped request makes no result";
    ASSERT_EQ(fakes.managers.size(), 2);
    EXPECT_EQ(api.networkManager(), fakes.managers.at(1).data());
    EXPECT_TRUE(waitUntilDeleted([&] { return running.isNull() && old.isNull(); }));
    EXPECT_EQ(api.get(QStringLiteral("/user")), 3) << "ids go on";
}

TEST(ApiClientTest, SendLogCountsTheLastMinuteAndIsTrimmedOnAppend)
{
    const qint64 t = QDateTime::currentSecsSinceEpoch() + 1000000;
    TarnolixAPI::noteApiRequestSentAt(t - 70);
    TarnolixAPI::noteApiRequestSentAt(t - 70);
    for (int i = 0; i < 3; ++i)
        TarnolixAPI::noteApiRequestSentAt(t - 10);
    EXPECT_EQ(TarnolixAPI::recentApiRequestCountAt(t - 10), 5) << "an entry exactly 60 s old stays";
    EXPECT_EQ(TarnolixAPI::recentApiRequestCountAt(t), 3);
    EXPECT_EQ(TarnolixAPI::recentApiRequestCountAt(t - 70), 3) << "the older two are forgotten";
    // Sending alone keeps the log short.
    TarnolixAPI::noteApiRequestSentAt(t + 1000);
    EXPECT_EQ(TarnolixAPI::recentApiRequestCountAt(t), 1);
}

TEST(ApiClientTest, JsonArrayHashIsTheMd5OfTheCompactText)
{
    EXPECT_EQ(TarnolixAPI::jsonArrayHash(QJsonArray()), QCryptographicHash::hash("[]", QCryptographicHash::Md5));
    EXPECT_EQ(TarnolixAPI::jsonArrayHash(QJsonArray{1, QStringLiteral("a b")}),
              QCryptographicHash::hash("[1,\"a b\"]", QCryptographicHash::Md5));
}

TEST(ApiClientTest, DeviceIdIsMadeOnceAndNeverAgain)
{
    QTemporaryDir dir;
    QSettings settings(dir.filePath(QStringLiteral("s.conf")), QSettings::IniFormat);
    const QByteArray made = TarnolixAPI::loadOrCreateDeviceId(&settings);
    EXPECT_FALSE(made.isEmpty());
    EXPECT_EQ(settings.value(QStringLiteral("deviceId")).toByteArray(), made);
    EXPECT_EQ(TarnolixAPI::loadOrCreateDeviceId(&settings), made);
    // A stored id stays, whatever the machine says now.
    settings.setValue(QStringLiteral("deviceId"), QByteArrayLiteral("stored-before"));
    EXPECT_EQ(TarnolixAPI::loadOrCreateDeviceId(&settings), QByteArrayLiteral("stored-before"));
    EXPECT_EQ(settings.value(QStringLiteral("deviceId")).toByteArray(), QByteArrayLiteral("stored-before"));
    // Every client of the program sends the same one.
    TarnolixAPI a;
    TarnolixAPI b;
    EXPECT_EQ(a.deviceId(), b.deviceId());
    EXPECT_EQ(a.deviceId(), Settings::current()->value(QStringLiteral("deviceId")).toByteArray());
}

// A client made on a worker thread keeps its replies, results and timers there.
TEST(ApiClientTest, RepliesResultsAndTimersStayOnTheClientsThread)
{
    QThread worker;
    worker.start();
    struct Seen
    {
        std::atomic<QThread*> receivedOn{nullptr};
        std::atomic<QThread*> resultOn{nullptr};
        std::atomic<QThread*> replyOn{nullptr};
        std::atomic<bool> expired{false};
    } seen;
    TarnolixAPI* api = nullptr;
    QObject anchor;
    anchor.moveToThread(&worker);
    QMetaObject::invokeMethod(
        &anchor,
        [&] {
            api = new TarnolixAPI(nullptr, {}, TarnolixAPI::kRecoveryDelayMs, {}, 60000, 200);
            QObject::connect(api, &TarnolixAPI::received, api, [&, api](int id) {
                seen.receivedOn = QThread::currentThread();
                TarnolixAPIResult* result = api->getResult(id);
                seen.resultOn = result->thread();
                seen.replyOn = result->reply()->thread();
            });
            QObject::connect(api, &TarnolixAPI::received, api, [&, api](int id) {
                // Expiry runs on the worker's timers.
                auto* poll = new QTimer(api);
                QObject::connect(poll, &QTimer::timeout, api, [&, api, id] {
                    if (!api->getResult(id))
                        seen.expired = true;
                });
                poll->start(50);
            });
            api->get(QStringLiteral("/user"));
        },
        Qt::BlockingQueuedConnection);
    EXPECT_TRUE(waitUntil([&] { return seen.expired.load(); }, 10000));
    EXPECT_EQ(seen.receivedOn.load(), &worker);
    EXPECT_EQ(seen.resultOn.load(), &worker);
    EXPECT_EQ(seen.replyOn.load(), &worker);
    QMetaObject::invokeMethod(&anchor, [&] { delete api; }, Qt::BlockingQueuedConnection);
    worker.quit();
    worker.wait();
}

} // namespace
