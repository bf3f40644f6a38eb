// The library update's exchange with the account server, against the
// stand-in: requests through the API client, book replies classified,
// opened and saved into the reader's library, each failure the server can
// produce on "/books/download/" with the text the reader sees, and
// favorites re-anchored when a book comes back changed.

#include "app/LibraryUpdateApi.h"

#include "app/Tarnolix.h"
#include "app/TarnolixAPI.h"
#include "core/FavoriteRecords.h"
#include "database/DatabasePool.h"
#include "database/TarnolixDB.h"
#include "search/index/WordByWordIndex.h"
#include "tests/app_account/AccountTestSupport.h"
#include "tests/core/ExceptionText.h"
#include "tests/support/AppTestSupport.h"
#include "tests/support/MessageLog.h"
#include "updates/DatabaseBooksSaver.h"

#include <QDateTime>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QNetworkAccessManager>
#include <QNetworkRequest>
#include <QUuid>

#include <gtest/gtest.h>

using namespace tarnolix;
using namespace tarnolix::test;
using UpdateProtocol::Request;
using Outcome = LibraryUpdateApi::BookReplyOutcome;

namespace {

void armFault(const QJsonObject& fault)
{
    QJsonObject fields = fault;
    fields.insert(QStringLiteral("path"), QStringLiteral("/books/download/"));
    standinControl(origin(), "POST", QStringLiteral("faults"), fields);
}

void clearFaults()
{
    standinControl(origin(), "DELETE", QStringLiteral("faults"));
}

class LibraryUpdateApiTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        ASSERT_TRUE(openAccountRuntime(kReaderEmail));
        // The book-text key that signing in would set.
        app().cipherKeyPair().setKeyFromString(kReaderEmail);
    }

    void SetUp() override
    {
        api.setToken(loginToken(api, kReaderEmail, kReaderPassword));
        ASSERT_FALSE(api.token().isEmpty());
        saver = std::make_unique<DatabaseBooksSaver>(
            currentDatabase(), index, [this](int count) { saved += count; },
            [this](const std::vector<int>& ids) { savedIds.insert(savedIds.end(), ids.begin(), ids.end()); });
        saver->init();
    }

    void TearDown() override
    {
        clearFaults();
        saver->clearBuffers();
        saver->completeUpdate();
    }

    // Downloads book `bookId` and saves it at once.
    void downloadAndSave(int bookId)
    {
        const int id = LibraryUpdateApi::send(api, Request::Book, bookId);
        ASSERT_NE(waitForResult(api, id), nullptr);
        const Outcome outcome = LibraryUpdateApi::handleBookReply(api, id, bookId, *saver);
        ASSERT_EQ(outcome.kind, Outcome::Saved) << outcome.text.toStdString();
        saver->saveBufferedBooks();
    }

    // A stall shortened from a minute, so that the stall case is quick.
    TarnolixAPI api{nullptr, {}, TarnolixAPI::kRecoveryDelayMs, {}, 400};
    tarnolix::WordByWordIndex index;
    std::unique_ptr<DatabaseBooksSaver> saver;
    int saved = 0;
    std::vector<int> savedIds;
};

TEST_F(LibraryUpdateApiTest, ABookIsDownloadedClassifiedAndSaved)
{
    const auto debugDir = makeTempDir();
    const int id = LibraryUpdateApi::send(api, Request::Book, 102);
    TarnolixAPIResult* result = waitForResult(api, id);
    ASSERT_NE(result, nullptr);
    const LibraryUpdateApi::ReplyFailure failure = LibraryUpdateApi::classify(*result);
    EXPECT_EQ(failure.httpStatus, 200);
    EXPECT_EQ(failure.networkError, 0);
    EXPECT_FALSE(failure.connectionFailure);

    int moreDownloads = 0;
    const Outcome outcome =
        LibraryUpdateApi::handleBookReply(api, id, 102, *saver, debugDir->path(), [&] { ++moreDownloads; });
    EXPECT_EQ(outcome.kind, Outcome::Saved);
    EXPECT_TRUE(outcome.text.isEmpty());
    EXPECT_FALSE(outcome.countsAsFailure());
    EXPECT_EQ(moreDownloads, 1);
    EXPECT_EQ(api.getResult(id), nullptr) << "the result is dropped";
    EXPECT_TRUE(QFile::exists(debugDir->filePath(QStringLiteral("book_102.zip"))));
    EXPECT_TRUE(saver->isBookBuffered(102));

    saver->saveBufferedBooks();
    EXPECT_EQ(saved, 1);
    EXPECT_EQ(savedIds, std::vector<int>{102});
    EXPECT_TRUE(currentDatabase()->isBookExists(102));
    EXPECT_FALSE(currentDatabase()->selectBookSections(102, TarnolixConstants::Russian).empty());

    const QJsonArray requests = standinRequests(origin());
    const QJsonObject last = requests.last().toObject();
    EXPECT_EQ(last.value(QStringLiteral("path")).toString(), QStringLiteral("/books/download/102"));
    EXPECT_EQ(loggedHeader(last, QStringLiteral("Api-Authorization")).toString(), api.token());
}

// Nothing bounds what the server sends: a reply above the cap is a failed
// download, refused before it is opened as an archive.
TEST_F(LibraryUpdateApiTest, AReplyAboveTheSizeCapIsRefusedBeforeItIsOpened)
{
    const int id = LibraryUpdateApi::send(api, Request::Book, 102);
    TarnolixAPIResult* result = waitForResult(api, id);
    ASSERT_NE(result, nullptr);
    ASSERT_GT(result->body().size(), 1024);
    MessageLog log;
    const Outcome outcome = LibraryUpdateApi::handleBookReply(api, id, 102, *saver, QString(), {}, 1024);
    EXPECT_EQ(outcome.kind, Outcome::Failed);
    EXPECT_EQ(outcome.text, UpdateProtocol::bookProcessingFailureText(102));
    EXPECT_TRUE(log.contains(QtWarningMsg,
                             QStringLiteral("processBook error: bookId=102 error: Book archive is too large")));
    EXPECT_FALSE(log.contains(QtDebugMsg, QStringLiteral("DatabaseBooksSaver: Process book..."))) << "never opened";
    EXPECT_EQ(saver->bufferedBooksCount(), 0);
}

TEST_F(LibraryUpdateApiTest, EachFailureOfABookDownloadIsClassified)
{
    const QString httpDate = QLocale::c().toString(QDateTime::currentDateTimeUtc().addSecs(5),
                                                   QStringLiteral("ddd, dd MMM yyyy hh:mm:ss 'GMT'"));
    const QString defaultText = QStringLiteral("Не удалось получить или обработать данные книги 101. Повторяем загрузку.");
    enum Expect { Connection, Failed, Limited };
    struct Case
    {
        QJsonObject fault;
        Expect expect;
        QString text;  // Failed: the reader's text
        int minDelay;  // Limited: the delay's range
        int maxDelay;
        QString logged; // Failed: part of the logged error
    };
    const auto status = [](int code, const QString& retryAfter = QString()) {
        QJsonObject fault{{"mode", "status"}, {"code", code}, {"count", 1}};
        if (!retryAfter.isNull())
            fault.insert(QStringLiteral("retry_after"), retryAfter);
        return fault;
    };
    const QString denied = QStringLiteral("Сервер отклонил доступ к книге 101. Проверяем авторизацию и повторяем запрос.");
    const std::vector<Case> cases = {
        {status(401), Failed, denied, 0, 0, QStringLiteral("Response error ")},
        {status(403), Failed, denied, 0, 0, QStringLiteral("Response error ")},
        {status(404), Failed, QStringLiteral("Книга 101 пока недоступна на сервере. Повторяем запрос."), 0, 0,
         QStringLiteral("Response error ")},
        {status(500), Failed,
         QStringLiteral("Сервер ответил ошибкой HTTP 500 при загрузке книги 101. Повторяем запрос."), 0, 0,
         QStringLiteral("Response error ")},
        {status(418), Failed, QStringLiteral("Сервер ответил HTTP 418 при загрузке книги 101. Повторяем запрос."), 0, 0,
         QStringLiteral("Response error ")},
        {status(503), Connection, {}, 0, 0, {}},
        {status(408), Connection, {}, 0, 0, {}},
        {QJsonObject{{"mode", "close"}}, Connection, {}, 0, 0, {}},
        {QJsonObject{{"mode", "stall"}, {"hold_s", 20}, {"count", 1}}, Connection, {}, 0, 0, {}},
        {status(429, QStringLiteral("120")), Limited, {}, 120000, 120000, {}},
        {status(429, QStringLiteral("0")), Limited, {}, 1000, 1000, {}},
        {status(429, QStringLiteral("garbage")), Limited, {}, 60000, 60000, {}},
        {status(429, httpDate), Limited, {}, 2000, 5000, {}},
        {status(429, QStringLiteral("86400")), Limited, {}, 3600000, 3600000, {}},
        {QJsonObject{{"mode", "malformed"}, {"kind", "body"}, {"count", 1}}, Failed, defaultText, 0, 0,
         QStringLiteral("zip")},
        {QJsonObject{{"mode", "malformed"}, {"kind", "record"}, {"count", 1}}, Failed, defaultText, 0, 0,
         QStringLiteral("XML parse error")},
    };

    for (const Case& c : cases) {
        const std::string what = QJsonDocument(c.fault).toJson(QJsonDocument::Compact).toStdString();
        armFault(c.fault);
        MessageLog log;
        const int id = api.getBook(101);
        TarnolixAPIResult* result = waitForResult(api, id, 20000);
        if (c.fault.value(QStringLiteral("mode")) == QLatin1String("close"))
            clearFaults(); // armed without a count: Qt re-sends a GET once by itself
        ASSERT_NE(result, nullptr) << what;
        const LibraryUpdateApi::ReplyFailure failure = LibraryUpdateApi::classify(*result);
        if (c.expect == Connection) {
            EXPECT_TRUE(failure.connectionFailure) << what << " status " << failure.httpStatus << " error "
                                                   << failure.networkError;
            api.removeResult(id);
            continue;
        }
        EXPECT_FALSE(failure.connectionFailure) << what;
        const Outcome outcome = LibraryUpdateApi::handleBookReply(api, id, 101, *saver);
        EXPECT_TRUE(outcome.countsAsFailure()) << what;
        EXPECT_EQ(saver->bufferedBooksCount(), 0) << what;
        if (c.expect == Limited) {
            EXPECT_EQ(outcome.kind, Outcome::RateLimited) << what;
            EXPECT_GE(outcome.delayMs, c.minDelay) << what;
            EXPECT_LE(outcome.delayMs, c.maxDelay) << what;
            EXPECT_EQ(outcome.text, UpdateProtocol::rateLimitText(outcome.delayMs)) << what;
            EXPECT_TRUE(log.contains(QtInfoMsg, QStringLiteral("Book download rate limited; retry in %1 ms")
                                                    .arg(outcome.delayMs)))
                << what;
        } else {
            EXPECT_EQ(outcome.kind, Outcome::Failed) << what;
            EXPECT_EQ(outcome.text, c.text) << what;
            const QStringList warnings = log.texts(QtWarningMsg);
            const QString prefix = QStringLiteral("Database updater: processBook error: bookId=101 error: ");
            EXPECT_TRUE(log.contains(QtWarningMsg, prefix + c.logged) ||
                        (c.logged == QLatin1String("zip") &&
                         (log.contains(QtWarningMsg, prefix + QStringLiteral("Open zip error. Error code: ")) ||
                          log.contains(QtWarningMsg, prefix + QStringLiteral("Error read zip archive")))))
                << what << "\n"
                << warnings.join('\n').toStdString();
        }
    }
}

// The client's own transfer time-out aborts a reply as "cancelled"; that
// is a time-out and waits for the connection. A reply the client cancels
// on purpose is not.
TEST_F(LibraryUpdateApiTest, OnlyTheClientsTimeOutIsAConnectionFailure)
{
    standinControl(origin(), "POST", QStringLiteral("faults"),
                   QJsonObject{{"mode", "delay"}, {"delay_ms", 3000}, {"path", "/storage/"}});
    QNetworkRequest request(UpdateProtocol::glossariesUrl(QUrl(origin()), Request::GlossariesMd5));
    request.setTransferTimeout(200);
    std::unique_ptr<QNetworkReply> timedOut(api.networkManager()->get(request));
    std::unique_ptr<QNetworkReply> cancelled(api.networkManager()->get(request));
    cancelled->setProperty("TAPI_cancelled", true);
    cancelled->abort();
    ASSERT_TRUE(waitUntil([&] { return timedOut->isFinished(); }, 5000));

    EXPECT_EQ(timedOut->error(), QNetworkReply::OperationCanceledError);
    const auto timeOut = LibraryUpdateApi::classify(*timedOut);
    EXPECT_EQ(timeOut.networkError, QNetworkReply::TimeoutError);
    EXPECT_TRUE(timeOut.connectionFailure);

    EXPECT_EQ(cancelled->error(), QNetworkReply::OperationCanceledError);
    const auto byRequest = LibraryUpdateApi::classify(*cancelled);
    EXPECT_EQ(byRequest.networkError, QNetworkReply::OperationCanceledError);
    EXPECT_FALSE(byRequest.connectionFailure);
}

TEST_F(LibraryUpdateApiTest, JsonRepliesAreTakenOutOfTheirEnvelope)
{
    const int categories = LibraryUpdateApi::send(api, Request::Categories);
    ASSERT_NE(waitForResult(api, categories), nullptr);
    const QJsonArray array = LibraryUpdateApi::takePayloadArray(api, categories);
    EXPECT_FALSE(array.isEmpty());
    EXPECT_TRUE(array.first().toObject().contains(QStringLiteral("parent_id")));
    EXPECT_EQ(api.getResult(categories), nullptr) << "taken, the result is dropped";
    EXPECT_EQ(errorOf([&] { LibraryUpdateApi::takePayloadArray(api, categories); }),
              QStringLiteral("Api getResult error"));

    const int user = api.get(QStringLiteral("/user"));
    ASSERT_NE(waitForResult(api, user), nullptr);
    EXPECT_EQ(errorOf([&] { LibraryUpdateApi::takePayloadArray(api, user); }),
              QStringLiteral("Response data in not array!"));

    TarnolixAPI stranger;
    stranger.setToken(QStringLiteral("not-a-token"));
    const int refused = LibraryUpdateApi::send(stranger, Request::ChangedIds, 0);
    TarnolixAPIResult* result = waitForResult(stranger, refused);
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(errorOf([&] { LibraryUpdateApi::takePayloadArray(stranger, refused); }),
              QStringLiteral("Response error: ") + result->getErrorText());
    EXPECT_NE(stranger.getResult(refused), nullptr) << "a refused result stays for the caller";
}

TEST_F(LibraryUpdateApiTest, TheGlossariesAreFetchedWithoutAccountHeaders)
{
    std::unique_ptr<QNetworkReply> md5(LibraryUpdateApi::getGlossaries(api, Request::GlossariesMd5));
    std::unique_ptr<QNetworkReply> archive(LibraryUpdateApi::getGlossaries(api, Request::GlossariesArchive));
    ASSERT_TRUE(waitUntil([&] { return md5->isFinished() && archive->isFinished(); }, 15000));
    ASSERT_EQ(md5->error(), QNetworkReply::NoError);
    ASSERT_EQ(archive->error(), QNetworkReply::NoError);
    EXPECT_EQ(md5->request().transferTimeout(), 30000);
    EXPECT_EQ(archive->request().transferTimeout(), 60000);
    EXPECT_TRUE(UpdateProtocol::glossariesChecksumMatches(md5->readAll(), archive->readAll()));

    int seen = 0;
    for (const QJsonValue& value : standinRequests(origin())) {
        const QJsonObject logged = value.toObject();
        if (!logged.value(QStringLiteral("path")).toString().startsWith(QStringLiteral("/storage/")))
            continue;
        ++seen;
        EXPECT_TRUE(loggedHeader(logged, QStringLiteral("Api-Authorization")).isNull());
        EXPECT_TRUE(loggedHeader(logged, QStringLiteral("device-id")).isNull());
    }
    EXPECT_GE(seen, 2);
}

// Favorites on chapter 2 of book 101, whose verses the second data set
// reorders: each end follows its slug to the new code and index; an end
// whose slug is gone leaves the favorite without either end.
TEST_F(LibraryUpdateApiTest, FavoritesFollowTheirSlugsWhenABookChanges)
{
    using Language = TarnolixConstants::Language;
    const Language ru = TarnolixConstants::Russian;
    standinControl(origin(), "POST", QStringLiteral("dataset"), QJsonObject{{"version", "1"}});
    downloadAndSave(101);
    TarnolixDB& db = *currentDatabase();

    struct Place
    {
        QString code;
        quint64 index;
    };
    const auto places = [&] {
        std::map<QString, Place> bySlug;
        quint64 ordinal = 0;
        for (const auto& section : db.selectBookSections(101, ru))
            bySlug[section->slug] = Place{section->code, ordinal++};
        return bySlug;
    };
    const std::map<QString, Place> before = places();
    const QString verse1 = QStringLiteral("glava-2.stikh-1");
    const QString verse2 = QStringLiteral("glava-2.stikh-2");
    const QString verses34 = QStringLiteral("glava-2.stikh-3-4");
    for (const QString& slug : {verse1, verse2, verses34})
        ASSERT_EQ(before.count(slug), 1u) << slug.toStdString();

    const auto addFavorite = [&](const QString& startSlug, const QString& endSlug) {
        Favorite favorite;
        favorite.setUuid(QUuid::createUuid());
        favorite.setBookId(101);
        favorite.setLanguage(ru);
        for (auto [position, slug] : {std::pair{&favorite.startSelectedPosition(), startSlug},
                                      std::pair{&favorite.endSelectedPosition(), endSlug}}) {
            position->setSectionSlug(slug);
            const auto place = before.find(slug);
            position->setSectionCode(place != before.end() ? place->second.code : QStringLiteral("9.9"));
            position->setSectionIndex(place != before.end() ? place->second.index : 99);
        }
        favorite.setTimeOfChange(1700000000123);
        db.insertFavorite(favorite);
        return favorite.uuid();
    };
    const QUuid firstVerses = addFavorite(verse1, verse2);
    const QUuid lastVerses = addFavorite(verses34, verses34);
    const QUuid vanished = addFavorite(verse1, QStringLiteral("glava-2.stikh-9"));

    standinControl(origin(), "POST", QStringLiteral("dataset"), QJsonObject{{"version", "2"}});
    MessageLog log;
    downloadAndSave(101);
    standinControl(origin(), "POST", QStringLiteral("dataset"), QJsonObject{{"version", "1"}});

    const std::map<QString, Place> after = places();
    EXPECT_NE(after.at(verse1).index, before.at(verse1).index) << "the second data set moves the verses";
    std::map<QUuid, std::shared_ptr<Favorite>> favorites;
    for (const auto& favorite : db.selectFavoritesOfBook(101, ru))
        favorites[favorite->uuid()] = favorite;
    ASSERT_EQ(favorites.size(), 3u);

    const auto expectAt = [&](const QUuid& uuid, const QString& startSlug, const QString& endSlug) {
        const Favorite& favorite = *favorites.at(uuid);
        EXPECT_EQ(favorite.startSelectedPosition().sectionCode(), after.at(startSlug).code);
        EXPECT_EQ(favorite.startSelectedPosition().sectionIndex(), std::optional<quint64>(after.at(startSlug).index));
        EXPECT_EQ(favorite.endSelectedPosition().sectionCode(), after.at(endSlug).code);
        EXPECT_EQ(favorite.endSelectedPosition().sectionIndex(), std::optional<quint64>(after.at(endSlug).index));
    };
    expectAt(firstVerses, verse1, verse2);
    expectAt(lastVerses, verses34, verses34);
    const Favorite& lost = *favorites.at(vanished);
    for (const SelectedPosition* end : {&lost.startSelectedPosition(), &lost.endSelectedPosition()}) {
        EXPECT_TRUE(end->sectionCode().isEmpty());
        EXPECT_FALSE(end->sectionIndex().has_value());
    }
    for (const auto& slugs : db.selectFavoriteSlugs(101, ru)) {
        if (slugs->uuid() == vanished) {
            EXPECT_EQ(slugs->endSelectedPosition().sectionSlug(), std::optional<QString>("glava-2.stikh-9"))
                << "the slug stays for a later version";
        }
    }
    EXPECT_TRUE(log.contains(QtWarningMsg,
                             QStringLiteral("Restore favorite section codes failed. favorite uuid: ") + vanished.toString()));
    for (const auto& [uuid, favorite] : favorites)
        EXPECT_EQ(favorite->timeOfChange(), 1700000000123) << "re-anchoring is no change of the reader's";
}

} // namespace
