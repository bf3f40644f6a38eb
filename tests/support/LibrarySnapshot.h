#pragma once
// A library folder reduced to what must match between two downloads of the
// same data: every table's rows (sorted, as text), the Settings rows but the
// ignored keys, and per index the number of documents of each book (the
// glossary index: of each word id). Book text is enciphered with the folder
// as its IV, so only libraries made at the same path compare equal.

#include <QString>
#include <QStringList>

#include <map>

namespace tarnolix::test {

struct LibrarySnapshot
{
    std::map<QString, QStringList> tables;
    std::map<QString, std::map<QString, int>> indexes;
};

// Reads the library in `folder` (its Tarnolix.db and index folders);
// `ignoredSettings` and tables whose name starts with one of
// `ignoredPrefixes` are left out.
LibrarySnapshot librarySnapshot(const QString& folder, const QStringList& ignoredSettings,
                                const QStringList& ignoredPrefixes = {});

// Rows of one statement on the library in `folder`, fields joined by "|".
QStringList librarySql(const QString& folder, const QString& statement);

// Fails the test where `actual` differs from `expected`, naming the table.
void expectEqualLibraries(const LibrarySnapshot& actual, const LibrarySnapshot& expected, const char* what);

} // namespace tarnolix::test
