#pragma once
// The library update's side of the account API client: its requests sent
// through a TarnolixAPI, the JSON payload taken out of a result, a failed
// reply classified, and a book reply read, opened and handed to the books
// saver, with the failure text the reader sees.

#include "updates/UpdateProtocol.h"

#include <QJsonArray>
#include <QString>

#include <functional>

class DatabaseBooksSaver;
class QNetworkReply;
class TarnolixAPI;
class TarnolixAPIResult;

namespace LibraryUpdateApi {

// Sends a JSON request or a book download through the client; `argument` is
// the changed-ids time or the book id. Returns the request id.
int send(TarnolixAPI& api, UpdateProtocol::Request request, qint64 argument = 0);

// The glossaries checksum or archive: a plain GET on the client's network
// manager, on the API origin, without the account headers, with its
// transfer time-out. The caller owns the reply.
QNetworkReply* getGlossaries(TarnolixAPI& api, UpdateProtocol::Request request);

// The array of request `id`'s reply; the result is dropped once taken.
// Throws Exception "Api getResult error", "Response error: ...",
// "Response data in not array!".
QJsonArray takePayloadArray(TarnolixAPI& api, int id);

// How a reply failed, as the connection-retry rule needs it.
struct ReplyFailure
{
    int httpStatus = 0;
    int networkError = 0; // effective
    bool connectionFailure = false;
};
ReplyFailure classify(const TarnolixAPIResult& result);
ReplyFailure classify(const QNetworkReply& reply);

struct BookReplyOutcome
{
    enum Kind { Saved, RateLimited, Failed };
    Kind kind = Saved;
    // The reader's text: empty once saved.
    QString text;
    // How long downloads pause, for RateLimited.
    int delayMs = 0;

    // A 429 counts toward the book's failures like any other failed attempt,
    // so a server that keeps refusing cannot hold a book forever.
    bool countsAsFailure() const { return kind != Saved; }
};

// Handles the reply of book `bookId` to request `id`: a body is opened as a
// zip in memory and given to the saver (after `startMoreDownloads`, and a
// copy written to `debugArchiveDir` when that is set); a 429 gives the delay
// the server asked for; any other failure its text. The result is dropped.
BookReplyOutcome handleBookReply(TarnolixAPI& api, int id, int bookId, DatabaseBooksSaver& saver,
                                 const QString& debugArchiveDir = QString(),
                                 const std::function<void()>& startMoreDownloads = {},
                                 qint64 maxReplySize = UpdateProtocol::kMaxBookReplySize);

} // namespace LibraryUpdateApi
