#pragma once
// Names and fragments shared by the book queries: the per-language tables of
// an edition and the section columns.

#include "core/Exception.h"
#include "core/TarnolixConstants.h"

#include <QChar>
#include <QString>

namespace booktables {

// "BookInfo" and Russian give "BookInfo2". Only a language of the library
// names a table: anything else would run against a table that is not there.
inline QString editionTable(const char* base, TarnolixConstants::Language language)
{
    if (!languageList().contains(language))
        throw Exception(QStringLiteral("ERROR 0x8D61B301: invalid language %1").arg(static_cast<int>(language)));
    return QLatin1String(base) + QString::number(static_cast<int>(language));
}

// Read by sectionFromRow, in this order; bookId last.
inline QString sectionColumns()
{
    return QStringLiteral("code, parentCode, [left], [right], depth, [index], slug, name, "
                          "numberCodeSection, "
                          "numberCodeChapter, numberCodePoem, numberOtherPoems, title, bookId");
}
constexpr int kSectionBookIdColumn = 13;

inline QString sectionOrder()
{
    return QStringLiteral(" ORDER BY [index] ASC, [left] ASC");
}

} // namespace booktables
