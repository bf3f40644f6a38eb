#include "core/FavoriteRecords.h"

#include "core/Exception.h"

#include <QDebug>
#include <QJsonObject>
#include <QJsonValue>
#include <QRegularExpression>

#include <cmath>

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
    // Compared at full width: through an int, 4294967297 would wrap to 1.
    const auto outOfRange = [] { return Exception("ERROR 0xF4716749"); };
    switch (static_cast<QMetaType::Type>(value.userType())) {
    case QMetaType::Double:
    case QMetaType::Float: {
        const double number = value.toDouble();
        if (std::isnan(number))
            throw Exception("ERROR 0xF4716748");
        if (!(number >= 0.0 && number <= 2.0))
            throw outOfRange();
        return qRound(number);
    }
    case QMetaType::ULongLong:
    case QMetaType::ULong:
    case QMetaType::UInt:
        if (value.toULongLong() > 2)
            throw outOfRange();
        return value.toInt();
    default:
        break;
    }
    bool ok = false;
    const qlonglong number = value.toLongLong(&ok);
    if (ok) {
        if (number < 0 || number > 2)
            throw outOfRange();
        return static_cast<int>(number);
    }
    // An integer text wider than 64 bits is still a number, and out of range.
    static const QRegularExpression integerText(QStringLiteral("^\\s*[+-]?\\d+\\s*$"));
    if (value.canConvert<QString>() && integerText.match(value.toString()).hasMatch())
        throw outOfRange();
    throw Exception("ERROR 0xF4716748");
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
