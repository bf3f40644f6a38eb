#pragma once
// A library with helpers that add book rows and their catalogue links.

#include "tests/database/LibraryFixture.h"

#include "core/TextNormalization.h"

class CatalogFixture : public LibraryFixture
{
protected:
    // An edition whose search key is the normalised short name; its
    // publishing year is 1900 + id.
    void addBookInfo(TarnolixConstants::Language language, int id, const QString& shortName,
                     const QByteArray& downloadFiles = {})
    {
        db->execSql(QStringLiteral("INSERT INTO BookInfo%1(id, name, shortName, shortNameLC, publishingYear, "
                                   "downloadFiles) VALUES(?, ?, ?, ?, ?, ?)")
                        .arg(language),
                    QVariantList{id, shortName + QStringLiteral(" (full)"), shortName,
                                 removeDiacritics(language, shortName), 1900 + id, downloadFiles});
    }
    void link(const char* table, const char* column, int bookId, int otherId)
    {
        db->execSql(QStringLiteral("INSERT INTO %1(bookId, %2) VALUES(?, ?)")
                        .arg(QLatin1String(table), QLatin1String(column)),
                    QVariantList{bookId, otherId});
    }
};
