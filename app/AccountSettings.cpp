#include "app/AccountSettings.h"

#include "core/CipherKeyPair.h"

#include <QFile>
#include <QFileInfo>
#include <QSettings>

namespace AccountSettings {

namespace {

const QByteArray kTokenPrefix = QByteArrayLiteral("Token:");

} // namespace

bool aiAccessStillVerified(bool stored, qint64 verifiedAtMs, qint64 nowMs)
{
    return stored && verifiedAtMs > 0 && verifiedAtMs <= nowMs && nowMs - verifiedAtMs <= kAiAccessValidMs;
}

User loadUser(const QSettings& settings, qint64 nowMs)
{
    User user;
    user.setId(settings.value(QStringLiteral("User/id"), 0).toInt());
    user.setName(settings.value(QStringLiteral("User/name")).toString());
    user.setLastName(settings.value(QStringLiteral("User/lastName")).toString());
    user.setSpiritualName(settings.value(QStringLiteral("User/spiritualName")).toString());
    user.setEmail(settings.value(QStringLiteral("User/email")).toString());
    user.setSubscribeLevel(settings.value(QStringLiteral("User/subscribeLevel")).toString());
    user.setAiAccess(aiAccessStillVerified(settings.value(QStringLiteral("User/aiAccess"), false).toBool(),
                                           settings.value(QLatin1String(kAiAccessVerifiedAt), 0).toLongLong(),
                                           nowMs));
    return user;
}

void storeUser(QSettings& settings, const User& user)
{
    settings.setValue(QStringLiteral("User/id"), user.id());
    settings.setValue(QStringLiteral("User/name"), user.name());
    settings.setValue(QStringLiteral("User/lastName"), user.lastName());
    settings.setValue(QStringLiteral("User/spiritualName"), user.spiritualName());
    settings.setValue(QStringLiteral("User/email"), user.email());
    settings.setValue(QStringLiteral("User/subscribeLevel"), user.subscribeLevel());
    settings.setValue(QStringLiteral("User/aiAccess"), user.aiAccess());
    if (!user.aiAccess())
        settings.remove(QLatin1String(kAiAccessVerifiedAt));
}

void recordAiAccessCheck(QSettings& settings, bool aiAccess, qint64 nowMs)
{
    if (aiAccess)
        settings.setValue(QLatin1String(kAiAccessVerifiedAt), nowMs);
    else
        settings.remove(QLatin1String(kAiAccessVerifiedAt));
}

QByteArray encipherToken(const CipherKeyPair& keys, const QString& token)
{
    if (keys.key().isEmpty() || keys.iv().isEmpty())
        return QByteArray();
    return keys.encryptCopy(kTokenPrefix + token.toUtf8());
}

std::optional<QString> decipherToken(const CipherKeyPair& keys, const QByteArray& stored)
{
    if (keys.key().isEmpty() || keys.iv().isEmpty() || stored.isEmpty())
        return std::nullopt;
    const QByteArray clear = keys.decryptCopy(stored);
    if (!clear.startsWith(kTokenPrefix) || clear.size() == kTokenPrefix.size())
        return std::nullopt;
    return QString::fromUtf8(clear.mid(kTokenPrefix.size()));
}

bool syncPrivately(QSettings& settings)
{
    settings.sync();
    const QString file = settings.fileName();
    if (settings.status() != QSettings::NoError || !QFileInfo::exists(file)) {
        qWarning("syncPrivately: cannot write the settings file %s", qUtf8Printable(file));
        return false;
    }
    const bool folder = QFile::setPermissions(QFileInfo(file).absolutePath(),
                                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const bool own = QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner);
    if (!folder || !own)
        qWarning("syncPrivately: cannot make the settings file %s private", qUtf8Printable(file));
    return folder && own;
}

} // namespace AccountSettings
