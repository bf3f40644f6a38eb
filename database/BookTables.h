#pragma once
// Fragments shared by the book queries: the section columns and their order.

#include <QString>

namespace booktables {

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
