#pragma once
// The library's languages as the schema and the statement builders see them:
// ids in library order and the codes that suffix per-language columns.

#include <QString>

#include <vector>

namespace library_languages {

// Language ids in library order: Russian, English, Sanskrit.
inline const std::vector<int>& ids()
{
    static const std::vector<int> list{2, 1, 3};
    return list;
}

inline QString code(int language)
{
    switch (language) {
    case 1: return QStringLiteral("en");
    case 2: return QStringLiteral("ru");
    case 3: return QStringLiteral("st");
    default: return {};
    }
}

// 0 for a text that is no language code.
inline int fromCode(const QString& code)
{
    if (code == QLatin1String("en"))
        return 1;
    if (code == QLatin1String("ru"))
        return 2;
    if (code == QLatin1String("st"))
        return 3;
    return 0;
}

} // namespace library_languages
