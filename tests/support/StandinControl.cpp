#include "tests/support/StandinControl.h"

#include "tests/support/TestSupport.h"

#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QUrl>

#include <gtest/gtest.h>

#include <memory>

namespace tarnolix::test {

namespace {

StandinServer* g_appStandin = nullptr;

} // namespace

StandinServer* appStandin()
{
    return g_appStandin;
}

void setAppStandin(StandinServer* server)
{
    g_appStandin = server;
}

QJsonValue standinControl(const QString& origin, const QByteArray& verb, const QString& what, const QJsonValue& body)
{
    QNetworkAccessManager network;
    QNetworkRequest request(QUrl(origin + QStringLiteral("/_control/") + what));
    request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/json"));
    QByteArray data;
    if (body.isObject())
        data = QJsonDocument(body.toObject()).toJson(QJsonDocument::Compact);
    else if (body.isArray())
        data = QJsonDocument(body.toArray()).toJson(QJsonDocument::Compact);
    std::unique_ptr<QNetworkReply> reply(network.sendCustomRequest(request, verb, data));
    if (!waitUntil([&] { return reply->isFinished(); }, 15000)) {
        ADD_FAILURE() << "control " << what.toStdString() << " did not answer";
        return QJsonValue(QJsonValue::Undefined);
    }
    const QByteArray answer = reply->readAll();
    const QJsonObject object = QJsonDocument::fromJson(answer).object();
    if (reply->error() != QNetworkReply::NoError || !object.value(QStringLiteral("success")).toBool()) {
        ADD_FAILURE() << "control " << what.toStdString() << " failed: " << answer.toStdString();
        return QJsonValue(QJsonValue::Undefined);
    }
    return object.value(QStringLiteral("data"));
}

QJsonArray standinRequests(const QString& origin)
{
    return standinControl(origin, "GET", QStringLiteral("requests")).toArray();
}

QJsonValue loggedHeader(const QJsonObject& request, const QString& name)
{
    const QJsonArray headers = request.value(QStringLiteral("headers")).toArray();
    for (const QJsonValue& header : headers) {
        const QJsonArray pair = header.toArray();
        if (pair.at(0).toString().compare(name, Qt::CaseInsensitive) == 0)
            return pair.at(1);
    }
    return QJsonValue();
}

} // namespace tarnolix::test
