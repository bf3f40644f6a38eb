#pragma once
// Shows Qt strings as text in GoogleTest's failure messages (QStringList and
// other containers of them follow).

#include <QString>

#include <ostream>

inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}
