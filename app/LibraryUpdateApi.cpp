#include "app/LibraryUpdateApi.h"

#include "app/TarnolixAPI.h"
#include "core/Exception.h"
#include "core/ServerConfig.h"
#include "core/Settings.h"
#include "updates/DatabaseBooksSaver.h"

#include <QBuffer>
#include <QNetworkAccessManager>
#include <QNetworkRequest>

#include <quazip.h>

using UpdateProtocol::Request;

namespace LibraryUpdateApi {

int send(TarnolixAPI& api, Request request, qint64 argument)
{
    if (request == Request::Book)
        return api.getBook(int(argument));
    return api.get(UpdateProtocol::requestPath(request, argument));
}

QNetworkReply* getGlossaries(TarnolixAPI& api, Request request)
{
    const QUrl origin = ServerConfig::load(Settings::current()).apiOrigin();
    QNetworkRequest networkRequest(UpdateProtocol::glossariesUrl(origin, request));
    networkRequest.setTransferTimeout(request == Request::GlossariesArchive
                                          ? UpdateProtocol::kGlossariesArchiveTimeoutMs
                                          : UpdateProtocol::kGlossariesMd5TimeoutMs);
    return api.networkManager()->get(networkRequest);
}

QJsonArray takePayloadArray(TarnolixAPI& api, int id)
{
    const TarnolixAPIResult* result = api.getResult(id);
    if (!result)
        throw Exception("Api getResult error");
    const QJsonArray array =
        UpdateProtocol::payloadArray(result->isSuccess(), result->getErrorText(), result->apiResultGetValue());
    api.removeResult(id);
    return array;
}

ReplyFailure classify(const QNetworkReply& reply)
{
    ReplyFailure failure;
    failure.httpStatus = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    failure.networkError = UpdateProtocol::effectiveNetworkError(reply);
    failure.connectionFailure = UpdateProtocol::isConnectionFailure(failure.httpStatus, failure.networkError);
    return failure;
}

ReplyFailure classify(const TarnolixAPIResult& result)
{
    if (const QNetworkReply* reply = result.reply()) {
        ReplyFailure failure = classify(*reply);
        failure.httpStatus = result.httpStatus();
        failure.connectionFailure = UpdateProtocol::isConnectionFailure(failure.httpStatus, failure.networkError);
        return failure;
    }
    ReplyFailure failure;
    failure.httpStatus = result.httpStatus();
    failure.networkError = result.networkError();
    failure.connectionFailure = UpdateProtocol::isConnectionFailure(failure.httpStatus, failure.networkError);
    return failure;
}

BookReplyOutcome handleBookReply(TarnolixAPI& api, int id, int bookId, DatabaseBooksSaver& saver,
                                 const QString& debugArchiveDir, const std::function<void()>& startMoreDownloads,
                                 qint64 maxReplySize)
{
    BookReplyOutcome outcome;
    try {
        const TarnolixAPIResult* result = api.getResult(id);
        if (!result)
            throw Exception("Api getResult error");
        if (!result->hasNetworkError()) {
            if (startMoreDownloads)
                startMoreDownloads();
            const QByteArray& body = result->body();
            if (!debugArchiveDir.isEmpty())
                UpdateProtocol::saveDebugArchive(debugArchiveDir, bookId, body);
            if (body.size() > maxReplySize)
                throw Exception(QStringLiteral("Book archive is too large: %1 bytes").arg(body.size()));
            QBuffer buffer;
            buffer.setData(body);
            buffer.open(QIODevice::ReadOnly);
            QuaZip zip(&buffer);
            saver.processBookArchive(zip, bookId);
        } else {
            const ReplyFailure failure = classify(*result);
            if (failure.httpStatus == 429) {
                const QByteArray retryAfter = result->reply() ? result->reply()->rawHeader("Retry-After") : QByteArray();
                outcome.kind = BookReplyOutcome::RateLimited;
                outcome.delayMs = UpdateProtocol::retryAfterDelayMs(retryAfter, QDateTime::currentDateTimeUtc());
                outcome.text = UpdateProtocol::rateLimitText(outcome.delayMs);
                qInfo("Book download rate limited; retry in %d ms", outcome.delayMs);
            } else {
                outcome.kind = BookReplyOutcome::Failed;
                outcome.text = UpdateProtocol::bookFailureText(bookId, failure.httpStatus, failure.networkError);
                qWarning("Book download HTTP status=%d, network error=%d", failure.httpStatus,
                         int(result->networkError()));
                throw Exception(QStringLiteral("Response error %1: %2")
                                    .arg(int(result->networkError()))
                                    .arg(result->replyErrorString()));
            }
        }
    } catch (const std::exception& error) {
        qWarning("Database updater: processBook error: bookId=%d error: %s", bookId, error.what());
        outcome.kind = BookReplyOutcome::Failed;
        if (outcome.text.isEmpty())
            outcome.text = UpdateProtocol::bookProcessingFailureText(bookId);
    }
    api.removeResult(id);
    return outcome;
}

} // namespace LibraryUpdateApi
