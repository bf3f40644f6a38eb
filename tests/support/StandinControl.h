#pragma once
// The stand-in's control requests ("/_control/...") from a test inside the
// application object: one request, waited for on the event loop.

#include <QByteArray>
#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>

namespace tarnolix::test {

class StandinServer;

// The stand-in that the APP app_standin test main started before the
// application object, its API origin in TARNOLIX_API_URL; null in other mains.
StandinServer* appStandin();
void setAppStandin(StandinServer* server);

// "data" of the control reply; fails the test (and returns undefined) when
// the request fails or the stand-in refuses it.
QJsonValue standinControl(const QString& origin, const QByteArray& verb, const QString& what,
                          const QJsonValue& body = QJsonValue());

// The requests the stand-in logged, oldest first.
QJsonArray standinRequests(const QString& origin);
// The value of a header (case-insensitive name) of a logged request; null
// when it was not sent.
QJsonValue loggedHeader(const QJsonObject& request, const QString& name);

} // namespace tarnolix::test
