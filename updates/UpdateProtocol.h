#pragma once
// What a library update exchanges with the account API server: the requests
// with their paths and retry keys, the reply envelope, how a failed reply is
// classified, the texts of a failed book download and the delay the server
// asks for with "Retry-After". Plain functions over plain values; the API
// client's side is app/LibraryUpdateApi.

#include <QByteArray>
#include <QDateTime>
#include <QJsonArray>
#include <QJsonValue>
#include <QString>
#include <QUrl>

class QNetworkReply;

namespace UpdateProtocol {

// The requests of one full run, in order.
enum class Request {
    Categories,
    Persons,
    Publishers,
    ArchiBooks,
    AvailableIds, // "/books/books?time=0"
    ChangedIds,   // "/books/books?time=<seconds>"
    Book,         // "/books/download/<id>"
    GlossariesMd5,
    GlossariesArchive,
};

// Transfer time-outs of the two glossaries requests.
constexpr int kGlossariesMd5TimeoutMs = 30000;
constexpr int kGlossariesArchiveTimeoutMs = 60000;

// Book downloads in flight at most.
constexpr int kMaxActiveBooks = 8;
// Failed attempts after which a book is left for the next run.
constexpr int kMaxBookFailures = 10;
// The request budget: at most this many requests per 60 s, else wait.
constexpr int kRequestBudget = 500;
constexpr int kRequestBudgetWaitMs = 1000;

// "Retry-After" handling: without a usable value, the default; never less
// than the minimum, never more than the cap.
constexpr int kRetryAfterDefaultMs = 60000;
constexpr int kRetryAfterMinimumMs = 1000;
constexpr int kRetryAfterCapMs = 3600000;

// Nothing bounds what the server sends: a larger book reply is refused
// before it is opened.
constexpr qint64 kMaxBookReplySize = 256LL * 1024 * 1024;

// The path on the API origin; `argument` is the time of the changed-ids
// request or the book id. The glossaries paths are absolute on the origin.
QString requestPath(Request request, qint64 argument = 0);
// The request's key in the connection-retry bookkeeping ("book-<id>").
QString requestKey(Request request, int bookId = 0);
// The glossaries checksum or archive URL on the API origin.
QUrl glossariesUrl(const QUrl& apiOrigin, Request request);

// The payload of a JSON reply envelope: "success" must be true (else
// Exception "Response error: " + errorText) and "data" an array (else
// "Response data in not array!").
QJsonArray payloadArray(bool success, const QString& errorText, const QJsonValue& data);

// The reply's network error as the update sees it: a transfer aborted by
// the client's own time-out or stall recovery counts as 4 (time-out); one
// cancelled on purpose ("TAPI_cancelled") keeps 5.
int effectiveNetworkError(int replyError, bool connectionRecovery, bool cancelled);
int effectiveNetworkError(const QNetworkReply& reply);

// A failure that waits for the connection to come back rather than counting
// as an error: a broken or timed-out connection, HTTP 408, 502, 503, 504.
bool isConnectionFailure(int httpStatus, int effectiveError);

// The reader's text for a failed book download (not 429).
QString bookFailureText(int bookId, int httpStatus, int networkError);
// The text for a book whose reply could not be read or saved.
QString bookProcessingFailureText(int bookId);

// The delay a 429 asks for: whole seconds, else an RFC 2822 (HTTP) date
// less `now`, else the default; at least the minimum, at most the cap.
int retryAfterDelayMs(const QByteArray& retryAfter, const QDateTime& now);
QString rateLimitText(int delayMs);

// Whether the checksum body names the archive's MD5, compared as bytes
// ignoring case; an empty body throws Exception "Invalid md5".
bool glossariesChecksumMatches(const QByteArray& checksumBody, const QByteArray& archive);

// Writes a copy of a downloaded book archive to "<dir>/book_<id>.zip";
// failures are logged only.
void saveDebugArchive(const QString& directory, int bookId, const QByteArray& body);

} // namespace UpdateProtocol
