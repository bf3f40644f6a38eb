#pragma once
// How the account API client and its book transport make network managers:
// the program passes none (a plain QNetworkAccessManager child of the owner);
// tests pass one that fakes or records requests.

#include <functional>

class QNetworkAccessManager;
class QObject;

using NetworkManagerFactory = std::function<QNetworkAccessManager*(QObject* owner)>;

// The factory's manager, or a plain one; either way a child of `owner`.
QNetworkAccessManager* makeNetworkManager(const NetworkManagerFactory& factory, QObject* owner);
