#include "database/TarnolixDB.h"

#include "core/Exception.h"
#include "core/NaturalCompare.h"
#include "core/TextNormalization.h"
#include "database/BookTables.h"
#include "database/TarnolixDBNames.h"

#include <QCoreApplication>
#include <QSqlQuery>

#include <algorithm>

using tarnolixdb::languageTable;

namespace {

// Read by fillBookInfo, in this order.
const char* const kInfoColumns = "name, shortName, cover, annotation, parentTranslatorId, translatorId, "
                                 "editorId, "
                                 "publisherId, publishingYear, pagesCount, bookCopies, downloadFiles, "
                                 "searchMacrosSection, id, ISBN";

void fillBookInfo(const QSqlQuery& q, BookInfo& info)
{
    info.name = q.value(0).toString();
    info.shortName = q.value(1).toString();
    info.cover = q.value(2).toString();
    info.annotation = q.value(3).toString();
    info.parentTranslatorId = q.value(4).toInt();
    info.translatorId = q.value(5).toInt();
    info.editorId = q.value(6).toInt();
    info.publisherId = q.value(7).toInt(); // NULL reads as 0
    info.publishingYear = q.value(8).toInt();
    info.pagesCount = q.value(9).toInt();
    info.bookCopies = q.value(10).toInt();
    info.downloadFiles = TarnolixDB::downloadFilesFromBytes(q.value(11).toByteArray());
    info.searchMacrosSection = q.value(12).toString();
    info.bookId = q.value(13).toInt();
    info.ISBN = q.value(14).toString();
}

std::vector<std::shared_ptr<BookInfo>> readBookInfos(QSqlQuery& q, TarnolixConstants::Language language)
{
    std::vector<std::shared_ptr<BookInfo>> infos;
    while (q.next()) {
        auto info = std::make_shared<BookInfo>();
        fillBookInfo(q, *info);
        info->language = language;
        infos.push_back(std::move(info));
    }
    // Natural order of the short names; equal names by book id.
    std::stable_sort(infos.begin(), infos.end(), [](const auto& a, const auto& b) {
        const int order = naturalCompare(a->shortName, b->shortName);
        return order != 0 ? order < 0 : a->bookId < b->bookId;
    });
    return infos;
}

QString letterCondition()
{
    return QStringLiteral(" WHERE shortNameLC LIKE ?") + tarnolixdb::likeEscape();
}

QVariantList letterValues(QChar letter)
{
    return QVariantList{tarnolixdb::likePrefix(QString(letter.toLower()))};
}

QString translated(const char* text)
{
    return QCoreApplication::translate("QApplication", text);
}

} // namespace

QString TarnolixDB::selectBookSlug(int bookId)
{
    QSqlQuery q = execSql(QStringLiteral("SELECT slug FROM BookBase WHERE id=?"), QVariantList{bookId});
    if (!q.next())
        throw DBNotFound(kBookNotFound);
    return q.value(0).toString();
}

QString TarnolixDB::selectBookBaseCover(int bookId)
{
    QSqlQuery q = execSql(QStringLiteral("SELECT cover FROM BookBase WHERE id=?"), QVariantList{bookId});
    if (!q.next())
        throw DBNotFound(kBookBaseNotFound);
    return q.value(0).toString();
}

int TarnolixDB::selectBookIdBySlug(const QString& bookSlug, TarnolixConstants::Language language)
{
    QSqlQuery q = execSql(QStringLiteral("SELECT b.id FROM BookBase AS b INNER "
                                         "JOIN %1 AS i ON b.slug=? AND b.id=i.id")
                              .arg(languageTable("BookInfo", language)),
                          QVariantList{bookSlug});
    if (!q.next())
        throw DBNotFound(translated("Книга не найдена!"));
    return q.value(0).toInt();
}

std::pair<int, QString> TarnolixDB::selectBookIdAndSectionCodeBySlugs(const QString& bookSlug,
                                                                      const QString& sectionSlug,
                                                                      TarnolixConstants::Language language)
{
    QSqlQuery q = execSql(QStringLiteral("SELECT b.id, s.code FROM BookBase AS b INNER JOIN %1 AS i, %2 AS s "
                                         "ON b.slug=? AND s.slug=? AND b.id = i.id AND b.id = s.bookId")
                              .arg(languageTable("BookInfo", language), languageTable("BookSections", language)),
                          QVariantList{bookSlug, sectionSlug});
    if (!q.next())
        throw DBNotFound(translated("Книга не найдена!"));
    return {q.value(0).toInt(), q.value(1).toString()};
}

std::vector<int> TarnolixDB::selectBookIds()
{
    QSqlQuery q = execSql(QStringLiteral("SELECT id FROM BookBase"), true);
    std::vector<int> ids;
    while (q.next())
        ids.push_back(q.value(0).toInt());
    return ids;
}

std::unordered_set<int> TarnolixDB::selectBookIdSet()
{
    const std::vector<int> ids = selectBookIds();
    return std::unordered_set<int>(ids.begin(), ids.end());
}

std::shared_ptr<BookInfo> TarnolixDB::selectBookInfo(int bookId, TarnolixConstants::Language language)
{
    QSqlQuery q = execSql(QStringLiteral("SELECT %1 FROM %2 WHERE id=?")
                              .arg(QLatin1String(kInfoColumns), languageTable("BookInfo", language)),
                          QVariantList{bookId});
    if (!q.next())
        throw DBNotFound(QString::fromLatin1(kBookInfoNotFoundDetailed).arg(bookId).arg(static_cast<int>(language)));
    auto info = std::make_shared<BookInfo>();
    fillBookInfo(q, *info);
    info->bookId = bookId;
    info->language = language;
    return info;
}

QString TarnolixDB::selectBookInfoCover(int bookId, TarnolixConstants::Language language)
{
    QSqlQuery q = execSql(QStringLiteral("SELECT cover FROM %1 WHERE id=?").arg(languageTable("BookInfo", language)),
                          QVariantList{bookId});
    if (!q.next())
        throw DBNotFound(kBookInfoNotFound);
    return q.value(0).toString();
}

int TarnolixDB::selectBooksCount(TarnolixConstants::Language language)
{
    QSqlQuery q = execSql(QStringLiteral("SELECT count(*) FROM ") + languageTable("BookInfo", language));
    if (!q.next())
        throw Exception("ERROR 0x87985236");
    return q.value(0).toInt();
}

std::vector<std::shared_ptr<BookInfo>> TarnolixDB::selectBookInfoByShortName(const QString& name,
                                                                             TarnolixConstants::Language language)
{
    QSqlQuery q = execSql(QStringLiteral("SELECT %1 FROM %2 WHERE shortNameLC = ?")
                              .arg(QLatin1String(kInfoColumns), languageTable("BookInfo", language)),
                          QVariantList{removeDiacritics(language, name)});
    return readBookInfos(q, language);
}

std::vector<std::shared_ptr<BookInfo>> TarnolixDB::selectBooksByLetter(TarnolixConstants::Language language,
                                                                       QChar letter)
{
    QSqlQuery q = execSql(
        QStringLiteral("SELECT %1 FROM %2").arg(QLatin1String(kInfoColumns), languageTable("BookInfo", language)) +
            letterCondition() + QStringLiteral(" ORDER BY shortNameLC"),
        letterValues(letter));
    return readBookInfos(q, language);
}

int TarnolixDB::selectBooksCountByLetter(TarnolixConstants::Language language, QChar letter)
{
    QSqlQuery q =
        execSql(QStringLiteral("SELECT count(*) FROM ") + languageTable("BookInfo", language) + letterCondition(),
                letterValues(letter));
    if (!q.next())
        throw Exception("ERROR 0x87985236");
    return q.value(0).toInt();
}

std::vector<int> TarnolixDB::selectBookIdsByLetter(TarnolixConstants::Language language, QChar letter)
{
    QSqlQuery q = execSql(QStringLiteral("SELECT id FROM ") + languageTable("BookInfo", language) + letterCondition() +
                              QStringLiteral(" ORDER BY shortNameLC"),
                          letterValues(letter));
    std::vector<int> ids;
    while (q.next())
        ids.push_back(q.value(0).toInt());
    return ids;
}

QChar TarnolixDB::selectBookFirstLetter(int bookId, TarnolixConstants::Language language)
{
    QSqlQuery q =
        execSql(QStringLiteral("SELECT shortNameLC FROM %1 WHERE id=?").arg(languageTable("BookInfo", language)),
                QVariantList{bookId});
    if (!q.next())
        throw Exception("Book not found");
    const QString name = q.value(0).toString();
    return name.isEmpty() ? QChar() : name.at(0).toUpper();
}

std::set<QChar> TarnolixDB::selectBooksFirstLetters(TarnolixConstants::Language language)
{
    QSqlQuery q = execSql(QStringLiteral("SELECT shortNameLC FROM ") + languageTable("BookInfo", language), true);
    std::set<QChar> letters;
    while (q.next()) {
        const QString name = q.value(0).toString();
        if (!name.isEmpty())
            letters.insert(name.at(0).toUpper());
    }
    return letters;
}
