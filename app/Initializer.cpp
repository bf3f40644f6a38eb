#include "app/Initializer.h"

#include "app/Tarnolix.h"
#include "app/TarnolixAPI.h"
#include "app/UserObject.h"
#include "core/FavoriteRecords.h"

#include <QJsonObject>

namespace {

bool sameAccount(const User& current, const User& record)
{
    const QString currentEmail = current.email().trimmed();
    const QString recordEmail = record.email().trimmed();
    return current.id() >= 1 && current.id() == record.id() && !currentEmail.isEmpty() && !recordEmail.isEmpty() &&
           currentEmail.compare(recordEmail, Qt::CaseInsensitive) == 0;
}

} // namespace

Initializer::Initializer(bool loadUser, Tarnolix* app)
    : QObject(app)
    , m_app(app)
{
    connect(app->api(), &TarnolixAPI::received, this, &Initializer::apiReceived);
    if (loadUser)
        m_requestId = app->api()->get(QStringLiteral("/user"));
    else
        finish();
}

void Initializer::apiReceived(int id)
{
    if (id != m_requestId || m_finished)
        return;
    TarnolixAPI* api = m_app->api();
    TarnolixAPIResult* result = api->getResult(id);
    const int status = result ? result->httpStatus() : 0;
    if (result && !result->hasNetworkError() && result->isSuccess()) {
        User record;
        userFromJson(record, result->apiResultGetValue().toObject());
        const User before = m_app->user()->toUser();
        if (sameAccount(before, record)) {
            m_app->user()->fromUser(record);
            m_app->recordAiAccessCheck();
            if (record != before)
                m_app->storeRefreshedUser();
        } else {
            qCritical("Restored token belongs to a different account; refusing the selected library");
            m_accountMatches = false;
        }
    } else if (!result || status == 401 || status == 403) {
        m_accountMatches = false;
        qWarning("Saved account session rejected; refusing cached library");
    } else {
        qWarning("Could not refresh saved account; opening only its cached library");
    }
    api->removeResult(id);
    finish();
}

void Initializer::finish()
{
    m_finished = true;
    qDebug("Initializer::finish");
    emit finished(m_accountMatches);
    deleteLater();
}
