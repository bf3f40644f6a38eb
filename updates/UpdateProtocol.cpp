#include "updates/UpdateProtocol.h"

#include "core/Exception.h"

#include <QCryptographicHash>
#include <QDebug>
#include <QFile>
#include <QNetworkReply>
#include <QVariant>

#include <algorithm>
#include <limits>

namespace UpdateProtocol {

namespace {

const char kGlossariesArchivePath[] = "/storage/desktop-dictionaries-update/glossaries.zip";
const char kGlossariesMd5Path[] = "/storage/desktop-dictionaries-update/glossaries.zip.md5";

} // namespace

QString requestPath(Request request, qint64 argument)
{
    switch (request) {
    case Request::Categories:
        return QStringLiteral("/base/categories");
    case Request::Persons:
        return QStringLiteral("/base/persons");
    case Request::Publishers:
        return QStringLiteral("/base/publishers");
    case Request::ArchiBooks:
        return QStringLiteral("/base/archi_books");
    case Request::AvailableIds:
        return QStringLiteral("/books/books?time=0");
    case Request::ChangedIds:
        return QStringLiteral("/books/books?time=") + QString::number(argument);
    case Request::Book:
        return QStringLiteral("/books/download/%1").arg(argument);
    case Request::GlossariesMd5:
        return QLatin1String(kGlossariesMd5Path);
    case Request::GlossariesArchive:
        return QLatin1String(kGlossariesArchivePath);
    }
    return QString();
}

QString requestKey(Request request, int bookId)
{
    switch (request) {
    case Request::Categories:
        return QStringLiteral("categories");
    case Request::Persons:
        return QStringLiteral("persons");
    case Request::Publishers:
        return QStringLiteral("publishers");
    case Request::ArchiBooks:
        return QStringLiteral("archibooks");
    case Request::AvailableIds:
        return QStringLiteral("available-ids");
    case Request::ChangedIds:
        return QStringLiteral("changed-ids");
    case Request::Book:
        return QStringLiteral("book-%1").arg(bookId);
    case Request::GlossariesMd5:
        return QStringLiteral("glossary-md5");
    case Request::GlossariesArchive:
        return QStringLiteral("glossary-archive");
    }
    return QString();
}

QUrl glossariesUrl(const QUrl& apiOrigin, Request request)
{
    QString origin = apiOrigin.toString();
    while (origin.endsWith(QLatin1Char('/')))
        origin.chop(1);
    return QUrl(origin + requestPath(request));
}

QJsonArray payloadArray(bool success, const QString& errorText, const QJsonValue& data)
{
    if (!success)
        throw Exception(QStringLiteral("Response error: ") + errorText);
    if (!data.isArray())
        throw Exception("Response data in not array!");
    return data.toArray();
}

int effectiveNetworkError(int replyError, bool connectionRecovery, bool cancelled)
{
    if (connectionRecovery)
        return QNetworkReply::TimeoutError;
    if (replyError == QNetworkReply::OperationCanceledError && !cancelled)
        return QNetworkReply::TimeoutError;
    return replyError;
}

int effectiveNetworkError(const QNetworkReply& reply)
{
    return effectiveNetworkError(reply.error(), reply.property("TAPI_connectionRecovery").toBool(),
                                 reply.property("TAPI_cancelled").toBool());
}

bool isConnectionFailure(int httpStatus, int effectiveError)
{
    if (httpStatus == 408 || httpStatus == 502 || httpStatus == 503 || httpStatus == 504)
        return true;
    if (httpStatus >= 400)
        return false;
    switch (effectiveError) {
    case 1:
    case 2:
    case 3:
    case 4:
    case 7:
    case 8:
    case 99:
    case 101:
    case 102:
    case 103:
    case 104:
    case 205:
        return true;
    default:
        return false;
    }
}

QString bookFailureText(int bookId, int httpStatus, int networkError)
{
    if (httpStatus == 401 || httpStatus == 403)
        return QStringLiteral("Сервер отклонил доступ к книге %1. Проверяем авторизацию и повторяем запрос.").arg(bookId);
    if (httpStatus == 404)
        return QStringLiteral("Книга %1 пока недоступна на сервере. Повторяем запрос.").arg(bookId);
    if (httpStatus >= 500)
        return QStringLiteral("Сервер ответил ошибкой HTTP %1 при загрузке книги %2. Повторяем запрос.")
            .arg(httpStatus)
            .arg(bookId);
    if (httpStatus >= 400)
        return QStringLiteral("Сервер ответил HTTP %1 при загрузке книги %2. Повторяем запрос.")
            .arg(httpStatus)
            .arg(bookId);
    switch (networkError) {
    case 2:
    case 205:
        return QStringLiteral("Сервер закрыл соединение при загрузке книги %1. Переподключаемся и повторяем запрос.")
            .arg(bookId);
    case 3:
        return QStringLiteral("Не удалось найти сервер библиотеки при загрузке книги %1. Повторяем запрос.").arg(bookId);
    case 4:
    case 7:
        return QStringLiteral("Соединение с сервером нестабильно при загрузке книги %1. Повторяем запрос.").arg(bookId);
    case 5:
        return QStringLiteral("Соединение при загрузке книги %1 было прервано. Повторяем запрос.").arg(bookId);
    default:
        return QStringLiteral("Не удалось получить книгу %1: сетевая ошибка %2. Повторяем запрос.")
            .arg(bookId)
            .arg(networkError);
    }
}

QString bookProcessingFailureText(int bookId)
{
    return QStringLiteral("Не удалось получить или обработать данные книги %1. Повторяем загрузку.").arg(bookId);
}

int retryAfterDelayMs(const QByteArray& retryAfter, const QDateTime& now)
{
    const QString value = QString::fromLatin1(retryAfter).trimmed();
    qint64 delay = kRetryAfterDefaultMs;
    bool isNumber = false;
    const qlonglong seconds = value.toLongLong(&isNumber);
    if (isNumber && seconds >= 0) {
        // Whole seconds beyond the cap need no multiplication (nor overflow).
        delay = seconds > kRetryAfterCapMs / 1000 ? qint64(kRetryAfterCapMs) : seconds * 1000;
    } else {
        const QDateTime date = QDateTime::fromString(value, Qt::RFC2822Date);
        if (date.isValid())
            delay = now.msecsTo(date);
    }
    return int(std::clamp<qint64>(delay, kRetryAfterMinimumMs, kRetryAfterCapMs));
}

QString rateLimitText(int delayMs)
{
    const int seconds = std::max(1, int((qint64(delayMs) + 999) / 1000));
    return QStringLiteral("Сервер временно ограничил частоту загрузки. Повторим запрос через %1 с.").arg(seconds);
}

bool glossariesChecksumMatches(const QByteArray& checksumBody, const QByteArray& archive)
{
    if (checksumBody.isEmpty())
        throw Exception("Invalid md5");
    const QByteArray md5 = QCryptographicHash::hash(archive, QCryptographicHash::Md5).toHex();
    return checksumBody.compare(md5, Qt::CaseInsensitive) == 0;
}

void saveDebugArchive(const QString& directory, int bookId, const QByteArray& body)
{
    const QString fileName = QStringLiteral("%1/book_%2.zip").arg(directory).arg(bookId);
    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly)) {
        qWarning().noquote() << "Не удалось открыть файл:" << fileName << "Ошибка:" << file.errorString();
        return;
    }
    if (file.write(body) != body.size()) {
        qWarning().noquote() << "Не удалось записать данные в файл:" << fileName << "Ошибка:" << file.errorString();
        return;
    }
    qDebug().noquote() << "Архив книги сохранён:" << fileName;
}

} // namespace UpdateProtocol
