// The update protocol's rules over plain values: the reply envelope, the
// effective network error, which failures wait for the connection, the
// book failure texts the server's statuses cannot produce, the
// "Retry-After" delay and the glossaries checksum.

#include "updates/UpdateProtocol.h"

#include "tests/core/ExceptionText.h"
#include "tests/support/MessageLog.h"
#include "tests/support/TestSupport.h"

#include <QCryptographicHash>
#include <QFile>
#include <QJsonObject>
#include <QNetworkReply>

#include <gtest/gtest.h>

using namespace UpdateProtocol;
using tarnolix::test::MessageLog;

namespace {

TEST(UpdateProtocol, TheEnvelopeMustSucceedWithAnArray)
{
    const QJsonArray data{QJsonObject{{"id", 1}}};
    EXPECT_EQ(payloadArray(true, QString(), data), data);
    EXPECT_EQ(errorOf([] { payloadArray(false, QStringLiteral("TOKEN_EXPIRED"), QJsonArray{}); }),
              QStringLiteral("Response error: TOKEN_EXPIRED"));
    for (const QJsonValue& notArray : {QJsonValue(QJsonObject{}), QJsonValue(), QJsonValue(QStringLiteral("[]"))})
        EXPECT_EQ(errorOf([&] { payloadArray(true, QString(), notArray); }), QStringLiteral("Response data in not array!"));
}

TEST(UpdateProtocol, OnlyTheClientsOwnAbortsCountAsTimeOuts)
{
    struct Case
    {
        int error;
        bool recovery;
        bool cancelled;
        int effective;
    };
    const Case cases[] = {
        {QNetworkReply::OperationCanceledError, false, false, QNetworkReply::TimeoutError}, // transfer time-out
        {QNetworkReply::OperationCanceledError, true, false, QNetworkReply::TimeoutError},  // stall or recovery
        {QNetworkReply::OperationCanceledError, false, true, QNetworkReply::OperationCanceledError},
        {QNetworkReply::RemoteHostClosedError, false, false, QNetworkReply::RemoteHostClosedError},
        {QNetworkReply::NoError, false, false, QNetworkReply::NoError},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(effectiveNetworkError(c.error, c.recovery, c.cancelled), c.effective)
            << c.error << " recovery=" << c.recovery << " cancelled=" << c.cancelled;
    }
    EXPECT_FALSE(isConnectionFailure(0, effectiveNetworkError(QNetworkReply::OperationCanceledError, false, true)));
    EXPECT_TRUE(isConnectionFailure(0, effectiveNetworkError(QNetworkReply::OperationCanceledError, false, false)));
}

TEST(UpdateProtocol, ConnectionFailuresAreBrokenConnectionsAndGatewayStatuses)
{
    for (const int error : {1, 2, 3, 4, 7, 8, 99, 101, 102, 103, 104, 205})
        EXPECT_TRUE(isConnectionFailure(0, error)) << error;
    for (const int error : {0, 5, 6, 201, 203, 299, 302})
        EXPECT_FALSE(isConnectionFailure(0, error)) << error;
    for (const int status : {408, 502, 503, 504})
        EXPECT_TRUE(isConnectionFailure(status, 0)) << status;
    EXPECT_FALSE(isConnectionFailure(500, 2)) << "an HTTP error is the server's answer, whatever the transport says";
    EXPECT_FALSE(isConnectionFailure(429, 4));
}

TEST(UpdateProtocol, BookFailureTextsOfTheTransport)
{
    const std::pair<int, QString> cases[] = {
        {2, QStringLiteral("Сервер закрыл соединение при загрузке книги 7. Переподключаемся и повторяем запрос.")},
        {205, QStringLiteral("Сервер закрыл соединение при загрузке книги 7. Переподключаемся и повторяем запрос.")},
        {3, QStringLiteral("Не удалось найти сервер библиотеки при загрузке книги 7. Повторяем запрос.")},
        {4, QStringLiteral("Соединение с сервером нестабильно при загрузке книги 7. Повторяем запрос.")},
        {7, QStringLiteral("Соединение с сервером нестабильно при загрузке книги 7. Повторяем запрос.")},
        {5, QStringLiteral("Соединение при загрузке книги 7 было прервано. Повторяем запрос.")},
        {6, QStringLiteral("Не удалось получить книгу 7: сетевая ошибка 6. Повторяем запрос.")},
    };
    for (const auto& [error, text] : cases)
        EXPECT_EQ(bookFailureText(7, 200, error), text) << error;
    EXPECT_EQ(bookFailureText(7, 0, 3), bookFailureText(7, 399, 3));
}

TEST(UpdateProtocol, RetryAfterIsBoundedToAnHour)
{
    const QDateTime now = QDateTime::fromString(QStringLiteral("2026-12-11T03:00:00.250Z"), Qt::ISODateWithMs);
    const std::pair<QByteArray, int> cases[] = {
        {"120", 120000},
        {" 30 ", 30000},
        {"0", 1000},
        {"1", 1000},
        {"garbage", 60000},
        {"", 60000},
        {"-5", 60000},
        {"3600", 3600000},
        {"3601", 3600000},
        {"2147484", 3600000},
        {"99999999999999", 3600000},
        {"Fri, 11 Dec 2026 03:00:05 GMT", 4750},
        {"Fri, 11 Dec 2026 02:59:00 GMT", 1000},
        {"Sat, 12 Dec 2026 03:00:00 GMT", 3600000},
        {"Fri, 11 Dec 2026 04:00:05 +0100", 4750},
    };
    for (const auto& [value, delay] : cases)
        EXPECT_EQ(retryAfterDelayMs(value, now), delay) << value.toStdString();
    EXPECT_EQ(rateLimitText(4750), QStringLiteral("Сервер временно ограничил частоту загрузки. Повторим запрос через 5 с."));
    EXPECT_EQ(rateLimitText(1000), QStringLiteral("Сервер временно ограничил частоту загрузки. Повторим запрос через 1 с."));
}

TEST(UpdateProtocol, TheChecksumIsComparedAsHexIgnoringCase)
{
    const QByteArray archive("PK glossaries");
    const QByteArray md5 = QCryptographicHash::hash(archive, QCryptographicHash::Md5).toHex();
    EXPECT_TRUE(glossariesChecksumMatches(md5, archive));
    EXPECT_TRUE(glossariesChecksumMatches(md5.toUpper(), archive));
    EXPECT_FALSE(glossariesChecksumMatches(md5 + '\n', archive));
    EXPECT_FALSE(glossariesChecksumMatches(md5, archive + ' '));
    EXPECT_EQ(errorOf([&] { glossariesChecksumMatches(QByteArray(), archive); }), QStringLiteral("Invalid md5"));
}

TEST(UpdateProtocol, RequestsAndTheirKeys)
{
    EXPECT_EQ(requestPath(Request::ChangedIds, 1765422000), QStringLiteral("/books/books?time=1765422000"));
    EXPECT_EQ(requestPath(Request::Book, 101), QStringLiteral("/books/download/101"));
    EXPECT_EQ(requestKey(Request::Book, 101), QStringLiteral("book-101"));
    EXPECT_EQ(requestKey(Request::ArchiBooks), QStringLiteral("archibooks"));
    EXPECT_EQ(glossariesUrl(QUrl(QStringLiteral("http://127.0.0.1:4000/")), Request::GlossariesMd5),
              QUrl(QStringLiteral("http://127.0.0.1:4000/storage/desktop-dictionaries-update/glossaries.zip.md5")));
}

TEST(UpdateProtocol, TheDebugCopyOfAnArchive)
{
    const auto dir = tarnolix::test::makeTempDir();
    MessageLog log;
    saveDebugArchive(dir->path(), 42, "PK zip");
    QFile copy(dir->filePath(QStringLiteral("book_42.zip")));
    ASSERT_TRUE(copy.open(QIODevice::ReadOnly));
    EXPECT_EQ(copy.readAll(), QByteArray("PK zip"));
    EXPECT_TRUE(log.contains(QtDebugMsg, QStringLiteral("Архив книги сохранён:")));

    saveDebugArchive(dir->filePath(QStringLiteral("missing")), 42, "PK zip");
    EXPECT_TRUE(log.contains(QtWarningMsg, QStringLiteral("Не удалось открыть файл:")));
}

} // namespace
