#include "app/AppIndexWriterHost.h"

#include "app/Tarnolix.h"

AppIndexWriterHost::AppIndexWriterHost(Tarnolix& app)
    : m_app(app)
    , m_authorized(app.isAuthorized())
    , m_updateCompleter(app.updateCompleter() != nullptr)
{
    // Set before the writers hear of the change, which reaches them queued.
    connect(&app, &Tarnolix::isAuthorizedChanged, this, [this](bool authorized) {
        m_authorized = authorized;
        emit isAuthorizedChanged(authorized);
    });
    connect(&app, &Tarnolix::updateCompleterChanged, this, [this] {
        m_updateCompleter = m_app.updateCompleter() != nullptr;
        emit updateCompleterChanged();
    });
}

AppIndexWriterHost::~AppIndexWriterHost() = default;

bool AppIndexWriterHost::bookTextKeysReady() const
{
    const CipherKeyPair& keys = m_app.cipherKeyPair();
    return !keys.key().isEmpty() && !keys.iv().isEmpty();
}

void AppIndexWriterHost::postShowError(const QString& message)
{
    m_app.postShowError(message);
}
