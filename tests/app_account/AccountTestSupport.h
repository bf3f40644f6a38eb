#pragma once
// Shared pieces of the account tests: network manager factories that keep
// what they made, waiting for a client's result, the stand-in's origin.

#include "app/TarnolixAPI.h"
#include "tests/app_account/FakeNetwork.h"
#include "tests/support/StandinControl.h"
#include "tests/support/StandinServer.h"
#include "tests/support/TestSupport.h"

#include <QCoreApplication>
#include <QEvent>
#include <QList>
#include <QPointer>
#include <QString>

namespace tarnolix::test {

inline const QString kReaderEmail = QStringLiteral("reader@tarnolix.invalid");
inline const QString kReaderPassword = QStringLiteral("lamp-of-verses");
inline const QString kPupilEmail = QStringLiteral("pupil@tarnolix.invalid");
inline const QString kPupilPassword = QStringLiteral("свеча-у-окна");

inline QString origin()
{
    return appStandin()->httpOrigin();
}

// A factory whose managers fake every request, or pass them to the network
// after `adjust`; it keeps each manager it made.
class ManagerFactory
{
public:
    explicit ManagerFactory(bool fake, std::function<void(QNetworkRequest&)> adjust = {})
        : m_fake(fake)
        , m_adjust(std::move(adjust))
    {
    }

    NetworkManagerFactory factory()
    {
        return [this](QObject* owner) {
            auto* manager = new FakeNetworkManager(owner, m_fake);
            manager->adjust = m_adjust;
            managers.append(manager);
            return manager;
        };
    }

    // Every fake reply made so far, in order.
    QList<QPointer<FakeReply>> replies() const
    {
        QList<QPointer<FakeReply>> all;
        for (const auto& manager : managers) {
            if (manager)
                all += manager->replies;
        }
        return all;
    }

    QList<QPointer<FakeNetworkManager>> managers;

private:
    bool m_fake;
    std::function<void(QNetworkRequest&)> m_adjust;
};

// waitUntil that also delivers deferred deletions: a test body runs outside
// any event loop, where deleteLater alone never comes due.
inline bool waitUntilDeleted(const std::function<bool()>& pred, int timeoutMs = 5000)
{
    return waitUntil(
        [&] {
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            return pred();
        },
        timeoutMs);
}

// The result of request `id` once it came; null after `timeoutMs`.
inline TarnolixAPIResult* waitForResult(TarnolixAPI& api, int id, int timeoutMs = 15000)
{
    waitUntil([&] { return api.getResult(id) != nullptr; }, timeoutMs);
    return api.getResult(id);
}

// Signs in with the client alone (as the login form's request does) and
// returns the token; empty on failure.
inline QString loginToken(TarnolixAPI& api, const QString& email, const QString& password)
{
    const int id = api.postMultiPart(QStringLiteral("/auth/login"),
                                     QVariantMap{{QStringLiteral("email"), email},
                                                 {QStringLiteral("password"), password}});
    TarnolixAPIResult* result = waitForResult(api, id);
    const QString token = result && result->isSuccess() ? result->getToken() : QString();
    api.removeResult(id);
    return token;
}

} // namespace tarnolix::test
