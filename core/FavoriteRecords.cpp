#include "core/FavoriteRecords.h"

#include "core/Exception.h"

#include <QDebug>
#include <QJsonObject>
#include <QJsonValue>

QDebug operator<<(QDebug debug, const SelectedPosition& position)
{
    QDebugStateSaver saver(debug);
    debug.noquote().nospace() << "SelectedPosition(sectionCode=\"" << position.sectionCode() << "\", sectionIndex=";
    if (position.sectionIndex())
        debug << *position.sectionIndex();
    else
        debug << "null";
    debug << ", offset=" << position.offset() << ')';
    return debug;
}

int intFromVariantMax2(const QVariant& value)
{
    bool ok = false;
    const int number = value.toInt(&ok);
    if (!ok)
        throw Exception("ERROR 0xF4716748");
    // Unsigned: negative values are out of range too.
    if (static_cast<unsigned>(number) > 2)
        throw Exception("ERROR 0xF4716749");
    return number;
}

bool User::operator==(const User& other) const
{
    return m_id == other.m_id && m_name == other.m_name && m_lastName == other.m_lastName &&
           m_spiritualName == other.m_spiritualName && m_email == other.m_email &&
           m_subscribeLevel == other.m_subscribeLevel && m_aiAccess == other.m_aiAccess;
}

void userFromJson(User& user, const QJsonObject& object)
{
    for (auto it = object.begin(); it != object.end(); ++it) {
        const QString key = it.key();
        const QJsonValue value = it.value();
        if (key == QLatin1String("id"))
            user.setId(value.toInt());
        else if (key == QLatin1String("name"))
            user.setName(value.toString());
        else if (key == QLatin1String("last_name"))
            user.setLastName(value.toString());
        else if (key == QLatin1String("spiritual_name"))
            user.setSpiritualName(value.toString());
        else if (key == QLatin1String("email"))
            user.setEmail(value.toString());
        else if (key == QLatin1String("subscribe_level"))
            user.setSubscribeLevel(value.toString());
        else if (key == QLatin1String("ai_access"))
            user.setAiAccess(value.toBool());
        else
            qWarning("fromJson: Unknown key: %s", key.toUtf8().constData());
    }
}
