#include "core/ProgramVersion.h"

#include "core/Exception.h"

#include <QStringList>

#include <tuple>

ProgramVersion programVersionInit()
{
    return ProgramVersion{};
}

ProgramVersion programVersionFromString(const QString& text)
{
    const QStringList parts = text.split(QLatin1Char('.'), Qt::KeepEmptyParts);
    if (parts.size() != 3)
        throw Exception(QStringLiteral("Invalid version format: ") + text);

    quint16 values[3];
    for (int i = 0; i < 3; ++i) {
        bool ok = false;
        const uint value = parts[i].toUInt(&ok, 10);
        if (!ok || value > 0xFFFF || parts[i].startsWith(QLatin1Char('-')))
            throw Exception(QStringLiteral("Parse version error. Version: ") + text);
        values[i] = quint16(value);
    }
    return ProgramVersion{values[0], values[1], values[2]};
}

QString programVersionToString(const ProgramVersion& version)
{
    return QStringLiteral("%1.%2.%3").arg(version.major).arg(version.minor).arg(version.patch);
}

bool programVersionIsValid(const ProgramVersion& version)
{
    return version.major != 0 || version.minor != 0 || version.patch != 0;
}

bool programVersionEquals(const ProgramVersion& a, const ProgramVersion& b)
{
    return std::tie(a.major, a.minor, a.patch) == std::tie(b.major, b.minor, b.patch);
}

bool programVersionGreater(const ProgramVersion& a, const ProgramVersion& b)
{
    return std::tie(a.major, a.minor, a.patch) > std::tie(b.major, b.minor, b.patch);
}
