#pragma once
// Per-language table and column names of the library queries, LIKE
// operands, and reading a column of ids.

#include "core/Exception.h"
#include "core/TarnolixConstants.h"

#include <QSqlQuery>
#include <QString>
#include <QVariant>

#include <optional>
#include <vector>

namespace tarnolixdb {

// "name" and Russian -> "name_ru".
inline QString languageColumn(const char* column, TarnolixConstants::Language language)
{
    return QLatin1String(column) + QLatin1Char('_') + languageToString(language);
}

// "BookInfo" and Russian -> "BookInfo2". Only a language of the library
// names a table: anything else would run against a table that is not there.
inline QString languageTable(const char* table, TarnolixConstants::Language language)
{
    if (!languageList().contains(language))
        throw Exception(QStringLiteral("ERROR 0x8D61B301: invalid language %1").arg(static_cast<int>(language)));
    return QLatin1String(table) + QString::number(static_cast<int>(language));
}

// The text with LIKE's wildcards and the escape character made literal; use
// with likeEscape().
inline QString likeLiteral(const QString& text)
{
    QString escaped;
    escaped.reserve(text.size() + 2);
    for (QChar c : text) {
        if (c == QLatin1Char('\\') || c == QLatin1Char('%') || c == QLatin1Char('_'))
            escaped += QLatin1Char('\\');
        escaped += c;
    }
    return escaped;
}

inline QString likeEscape()
{
    return QStringLiteral(" ESCAPE '\\'");
}

// Matches `text` anywhere.
inline QString likeContains(const QString& text)
{
    return QLatin1Char('%') + likeLiteral(text) + QLatin1Char('%');
}

// Matches texts that start with `text`.
inline QString likePrefix(const QString& text)
{
    return likeLiteral(text) + QLatin1Char('%');
}

// An absent text binds NULL; a present one, even empty, binds a text.
inline QVariant optionalTextValue(const std::optional<QString>& text)
{
    if (!text)
        return QVariant(QVariant::String);
    return text->isNull() ? QVariant(QLatin1String("")) : QVariant(*text);
}

// An absent index binds NULL.
inline QVariant optionalIndexValue(const std::optional<quint64>& index)
{
    return index ? QVariant(*index) : QVariant(QVariant::ULongLong);
}

inline std::vector<int> intColumn(QSqlQuery& q)
{
    std::vector<int> values;
    while (q.next())
        values.push_back(q.value(0).toInt());
    return values;
}

} // namespace tarnolixdb
