#include "database/TarnolixDB.h"

#include "core/Exception.h"
#include "database/TarnolixDBNames.h"

#include <QCoreApplication>
#include <QSqlQuery>

void TarnolixDB::selectBookAndSectionSlugs(int bookId, TarnolixConstants::Language language, const QString& code,
                                           QString& bookSlug, QString& sectionSlug)
{
    QSqlQuery section = execSql(
        QStringLiteral("SELECT slug FROM %1 WHERE bookId=? AND code=?").arg(tarnolixdb::languageTable("BookSections", language)),
        QVariantList{bookId, code});
    if (!section.next())
        throw DBNotFound(QCoreApplication::translate("QApplication", "Раздел книги не найден!(0x89742575)"));
    sectionSlug = section.value(0).toString();

    QSqlQuery book = execSql(QStringLiteral("SELECT slug FROM BookBase WHERE id=?"), QVariantList{bookId});
    if (!book.next())
        throw DBNotFound(QCoreApplication::translate("QApplication", "Книга не найдена!(0x89742579)"));
    bookSlug = book.value(0).toString();
}
