// Sign-in and the remembered account of the application object: restoring
// the account at start, opening its library after a sign-in, the owner
// checks, the account refresh and the start-up states QML shows meanwhile.

#include "app/AccountSettings.h"
#include "app/Initializer.h"
#include "app/SecondThread.h"
#include "app/Tarnolix.h"
#include "app/TarnolixAPI.h"
#include "app/UserObject.h"
#include "core/Exception.h"
#include "database/LibrarySettingsKeys.h"
#include "database/TarnolixDB.h"

#include <QDateTime>
#include <QPointer>

#include <exception>
#include <thread>

namespace {

const char kFreshIdentityPhase[] = "fresh-identity";

qint64 nowMs()
{
    return QDateTime::currentMSecsSinceEpoch();
}

} // namespace

void Tarnolix::startApplication()
{
    if (loadTokenAndUserAndInit()) {
        m_startupPhase = QLatin1String(kFreshIdentityPhase);
        m_startupBusy = true;
        emit startupChanged();
        emit startupActivity();
        return;
    }
    if (!m_runtimeReady && !m_startupRestartRequired) {
        emit startupLoginRequired();
        return;
    }
    m_startupRestartRequired = true;
    m_startupError =
        tr("Не удалось открыть сохранённую библиотеку. Данные сохранены; закройте приложение и повторите запуск.");
    m_startupBusy = false;
    m_startupOfflineAvailable = false;
    emit startupChanged();
    emit startupActivity();
}

bool Tarnolix::loginApplication(bool remember)
{
    if (m_runtimeReady || m_startupRestartRequired)
        return false;
    if (!openUserLibrary("Cannot open authenticated account library: %s")) {
        emit startupChanged();
        return false;
    }
    if (!initAfterLogin(true, false)) {
        // The refusal is shown; the library goes again, so that the reader
        // can sign in with another account.
        closeRuntimeAfterRefusedLibrary();
        return false;
    }
    recordAiAccessCheck();
    if (remember)
        saveTokenAndUser();
    emit startupReady();
    return true;
}

bool Tarnolix::loadTokenAndUserAndInit()
{
    const bool userLoaded = loadRememberedUser();
    bool tokenLoaded = false;
    if (userLoaded) {
        m_cipherKeyPair.setIvFromString(m_locationInfo->dataLocation());
        tokenLoaded = loadRememberedToken();
    }
    if (!userLoaded || !tokenLoaded) {
        if (!m_cipherKeyPair.key().isEmpty() && !m_cipherKeyPair.iv().isEmpty()) {
            m_cipherKeyPair.setKeyFromString(QString());
            qWarning("loadTokenAndUserAndInit: WARN1");
        }
        return false;
    }
    if (!openUserLibrary("Cannot open saved account library: %s"))
        return false;
    if (!initAfterLogin(true, true)) {
        // Nothing stays open behind the restart-required page.
        closeRuntimeAfterRefusedLibrary();
        m_startupRestartRequired = true;
        return false;
    }
    return true;
}

bool Tarnolix::openUserLibrary(const char* failureLog)
{
    try {
        m_locationInfo->selectAccountLibrary(m_user->email());
        tarnolixStartup(std::this_thread::get_id());
        return true;
    } catch (const std::exception& e) {
        qCritical(failureLog, e.what());
        postShowError(
            tr("Не удалось открыть библиотеку аккаунта. Данные сохранены; закройте и повторно откройте приложение."));
        m_startupRestartRequired = true;
        return false;
    }
}

bool Tarnolix::initAfterLogin(bool loadUser, bool awaitProfile)
{
    try {
        if (m_cipherKeyPair.key().isEmpty() || m_cipherKeyPair.iv().isEmpty())
            m_cipherKeyPair.setKeyFromString(m_user->email());
        TarnolixDB& db = openGuiDatabase();
        const QString owner = db.getSettingOr(QLatin1String(LibrarySettingsKeys::DBOwned), QString()).toString();
        if (owner.isEmpty()) {
            for (const TarnolixConstants::Language language : languageList()) {
                if (db.selectBooksCount(language) > 0)
                    throw Exception("ERROR 0x87895521");
            }
            db.setSetting(QLatin1String(LibrarySettingsKeys::DBOwned), m_user->email());
        } else if (owner.compare(m_user->email(), Qt::CaseInsensitive) != 0) {
            throw Exception("Account library owner mismatch; data preserved");
        }
        if (loadUser && m_user->subscribeLevel().isEmpty()) {
            m_user->setSubscribeLevel(
                db.getSettingOr(QLatin1String(LibrarySettingsKeys::BooksSubscribeLevel), QString()).toString());
        }
        if (m_initializer)
            m_initializer->deleteLater();
        auto* initializer = new Initializer(loadUser, this);
        m_initializer = initializer;
        if (loadUser) {
            const QPointer<Initializer> guarded(initializer);
            connect(initializer, &Initializer::finished, this, [this, guarded, awaitProfile](bool accountMatches) {
                if (guarded)
                    accountRefreshed(guarded, awaitProfile, accountMatches);
            });
        }
        connect(initializer, &QObject::destroyed, this, &Tarnolix::initializerDestroyed);
        emit initializerChanged();
        return true;
    } catch (const std::exception& e) {
        qCritical("initAfterLogin: error: %s", e.what());
        postShowError(QString::fromUtf8(e.what()));
        return false;
    }
}

void Tarnolix::accountRefreshed(Initializer* initializer, bool awaitProfile, bool accountMatches)
{
    if (initializer != m_initializer || m_closing)
        return;
    m_startupBusy = false;
    if (!accountMatches) {
        setIsAuthorized(false);
        m_settings->remove(QLatin1String(AccountSettings::kToken));
        forgetUser();
        AccountSettings::syncPrivately(*m_settings);
        m_api->setToken(QString());
        m_startupRestartRequired = true;
        m_startupError = tr("Сохранённая сессия принадлежит другому аккаунту. Книги не удалены. Закройте "
                            "приложение и войдите снова.");
        m_startupOfflineAvailable = false;
        emit startupChanged();
        emit startupActivity();
        return;
    }
    emit startupChanged();
    if (awaitProfile)
        emit startupReady();
}

void Tarnolix::initializerDestroyed()
{
    if (sender() != m_initializer)
        return;
    m_initializer = nullptr;
    emit initializerChanged();
}

void Tarnolix::saveTokenAndUser()
{
    const QByteArray token = AccountSettings::encipherToken(m_cipherKeyPair, m_api->token());
    if (token.isEmpty())
        qWarning("saveTokenAndUser: the token cannot be enciphered without both key halves");
    m_settings->setValue(QLatin1String(AccountSettings::kToken), token);
    AccountSettings::storeUser(*m_settings, m_user->toUser());
    AccountSettings::syncPrivately(*m_settings);
}

void Tarnolix::recordAiAccessCheck()
{
    AccountSettings::recordAiAccessCheck(*m_settings, m_user->aiAccess(), nowMs());
    AccountSettings::syncPrivately(*m_settings);
}

void Tarnolix::storeRefreshedUser()
{
    // Only a remembered account has its user in the settings: a sign-in
    // without remember-me leaves none behind.
    if (!m_settings->contains(QLatin1String(AccountSettings::kToken)))
        return;
    AccountSettings::storeUser(*m_settings, m_user->toUser());
    AccountSettings::syncPrivately(*m_settings);
}

bool Tarnolix::loadRememberedUser()
{
    m_user->fromUser(AccountSettings::loadUser(*m_settings, nowMs()));
    m_cipherKeyPair.setKeyFromString(m_user->email());
    return m_user->id() != 0;
}

bool Tarnolix::loadRememberedToken()
{
    const std::optional<QString> token = AccountSettings::decipherToken(
        m_cipherKeyPair, m_settings->value(QLatin1String(AccountSettings::kToken)).toByteArray());
    if (!token)
        return false;
    m_api->setToken(*token);
    emit tokenLoaded();
    return true;
}

void Tarnolix::forgetUser()
{
    m_settings->remove(QLatin1String(AccountSettings::kUserGroup));
    m_user->clear();
    m_cipherKeyPair.setKeyFromString(QString());
}

void Tarnolix::closeRuntimeAfterRefusedLibrary()
{
    setCurTabStatus(nullptr);
    closeAccountRuntime(Teardown::Logout);
    m_secondThread = new SecondThread;
    m_cipherKeyPair.setKeyFromString(QString());
    emit runtimeInitialized();
}
