#pragma once
// Per-language table and column names of the library queries, and reading
// a column of ids.

#include "core/TarnolixConstants.h"

#include <QSqlQuery>
#include <QString>
#include <QVariant>

#include <vector>

namespace tarnolixdb {

// "name" and Russian -> "name_ru".
inline QString languageColumn(const char* column, TarnolixConstants::Language language)
{
    return QLatin1String(column) + QLatin1Char('_') + languageToString(language);
}

// "BookInfo" and Russian -> "BookInfo2".
inline QString languageTable(const char* table, TarnolixConstants::Language language)
{
    return QLatin1String(table) + QString::number(language);
}

inline std::vector<int> intColumn(QSqlQuery& q)
{
    std::vector<int> values;
    while (q.next())
        values.push_back(q.value(0).toInt());
    return values;
}

} // namespace tarnolixdb
