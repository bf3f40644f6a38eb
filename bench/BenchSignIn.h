#pragma once
// Signs an account in at the API origin the environment or settings name,
// as the program's sign-in form does; shared by the update driver and the
// benchmarks that prepare a remembered account.

#include "app/TarnolixAPI.h"

#include <QEventLoop>
#include <QObject>
#include <QString>
#include <QTimer>
#include <QVariantMap>

#include <functional>

namespace bench {

// Calls `use` with the reply while it is held (null when none came within a
// minute).
inline void signIn(const QString& email, const QString& password, const std::function<void(TarnolixAPIResult*)>& use)
{
    TarnolixAPI api;
    QEventLoop loop;
    int awaited = -1;
    QObject::connect(&api, &TarnolixAPI::received, &loop, [&](int id) {
        if (id == awaited)
            loop.quit();
    });
    awaited = api.postMultiPart(QStringLiteral("/auth/login"),
                                QVariantMap{{QStringLiteral("email"), email}, {QStringLiteral("password"), password}});
    QTimer::singleShot(60000, &loop, &QEventLoop::quit);
    loop.exec();
    use(api.getResult(awaited));
}

} // namespace bench
