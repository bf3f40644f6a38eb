#pragma once

#include <QString>

// Natural order of names: case ignored, digit runs compared by value, under
// the default locale's collation ("Book 2" before "book 10").
int naturalCompare(const QString& a, const QString& b);
