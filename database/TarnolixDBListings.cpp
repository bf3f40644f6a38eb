// Book listings of the catalogue: one language's BookInfo rows for an author,
// a commentator, a category, the filter's hits or an archive book.

#include "database/TarnolixDB.h"

#include "core/Exception.h"
#include "core/NaturalCompare.h"
#include "database/TarnolixDBNames.h"

#include <QSqlQuery>

#include <algorithm>

using Language = TarnolixConstants::Language;
using tarnolixdb::intColumn;

namespace {

const char kListingColumns[] =
    "SELECT bi.id, bi.name, bi.shortName, bi.cover, bi.annotation, bi.parentTranslatorId, bi.translatorId, "
    "bi.editorId, bi.publisherId, bi.publishingYear, bi.pagesCount, bi.bookCopies, bi.downloadFiles, "
    "bi.searchMacrosSection";
constexpr int kListingColumnCount = 14;

QString bookInfoTable(Language language)
{
    return tarnolixdb::languageTable("BookInfo", language);
}

std::shared_ptr<BookInfo> listingRow(const QSqlQuery& q, Language language)
{
    auto info = makeBookInfo();
    info->bookId = q.value(0).toInt();
    info->language = language;
    info->name = q.value(1).toString();
    info->shortName = q.value(2).toString();
    info->cover = q.value(3).toString();
    info->annotation = q.value(4).toString();
    info->parentTranslatorId = q.value(5).toInt();
    info->translatorId = q.value(6).toInt();
    info->editorId = q.value(7).toInt();
    info->publisherId = q.value(8).toInt();
    info->publishingYear = q.value(9).toInt();
    info->pagesCount = q.value(10).toInt();
    info->bookCopies = q.value(11).toInt();
    info->downloadFiles = TarnolixDB::downloadFilesFromBytes(q.value(12).toByteArray());
    info->searchMacrosSection = q.value(13).toString();
    return info;
}

// Natural order of the short names ("Part 9" before "Part 10"), then id.
void sortListing(TarnolixDB::BookInfoList& books)
{
    std::stable_sort(books.begin(), books.end(), [](const auto& a, const auto& b) {
        const int order = naturalCompare(a->shortName, b->shortName);
        return order != 0 ? order < 0 : a->bookId < b->bookId;
    });
}

void appendIdFilter(QString& sql, const std::unordered_set<int>* ids)
{
    if (!ids)
        return;
    sql += QStringLiteral(" AND bi.id IN(");
    TarnolixDB::appendIdList(sql, *ids);
    sql += QLatin1Char(')');
}

const QString kByShortName = QStringLiteral(" ORDER BY bi.shortNameLC ASC");

} // namespace

TarnolixDB::BookInfoList TarnolixDB::selectListing(const QString& sql, const QVariantList& values, Language language)
{
    QSqlQuery q = execSql(sql, values);
    BookInfoList books;
    while (q.next())
        books.push_back(listingRow(q, language));
    sortListing(books);
    return books;
}

TarnolixDB::BookInfoList TarnolixDB::selectBooksByAuthor(int authorId, Language language)
{
    return selectListing(QLatin1String(kListingColumns) +
                             QStringLiteral(" FROM %1 bi INNER JOIN BookBaseAuthors a ON a.authorId=? AND "
                                            "bi.id=a.bookId")
                                 .arg(bookInfoTable(language)) +
                             kByShortName,
                         {authorId}, language);
}

TarnolixDB::BookInfoList TarnolixDB::selectBooksByCommentator(int commentatorId, Language language)
{
    return selectListing(QLatin1String(kListingColumns) +
                             QStringLiteral(" FROM %1 bi INNER JOIN BookBaseCommentators c ON c.commentatorId=? AND "
                                            "bi.id=c.bookId")
                                 .arg(bookInfoTable(language)) +
                             kByShortName,
                         {commentatorId}, language);
}

TarnolixDB::BookInfoList TarnolixDB::selectBooksByCategory(int categoryId, Language language,
                                                           const std::unordered_set<int>* ids)
{
    QString sql = QLatin1String(kListingColumns) +
                  QStringLiteral(" FROM %1 bi INNER JOIN BookBaseCategories c ON c.categoryId=? AND bi.id=c.bookId")
                      .arg(bookInfoTable(language));
    appendIdFilter(sql, ids);
    return selectListing(sql + kByShortName, {categoryId}, language);
}

TarnolixDB::BookInfoList TarnolixDB::selectBooksFromCatalogSearch(Language language,
                                                                  const std::unordered_set<int>* ids)
{
    QString sql = QLatin1String(kListingColumns) +
                  QStringLiteral(" FROM %1 bi INNER JOIN CatalogSearch cs ON cs.type=%2 AND cs.id=bi.id")
                      .arg(bookInfoTable(language))
                      .arg(CatalogSearchBook);
    appendIdFilter(sql, ids);
    return selectListing(sql + kByShortName, {}, language);
}

std::unordered_map<int, TarnolixDB::BookInfoList> TarnolixDB::selectBooksWithCategories(Language language)
{
    QSqlQuery q = execSql(QLatin1String(kListingColumns) +
                              QStringLiteral(", c.categoryId FROM %1 bi INNER JOIN BookBaseCategories c ON "
                                             "bi.id=c.bookId")
                                  .arg(bookInfoTable(language)) +
                              kByShortName,
                          true);
    std::unordered_map<int, BookInfoList> byCategory;
    BookInfoList* current = nullptr;
    int currentCategory = 0;
    while (q.next()) {
        const int categoryId = q.value(kListingColumnCount).toInt();
        if (!current || categoryId != currentCategory) {
            current = &byCategory[categoryId];
            currentCategory = categoryId;
        }
        current->push_back(listingRow(q, language));
    }
    for (auto& entry : byCategory)
        sortListing(entry.second);
    return byCategory;
}

TarnolixDB::BookInfoList TarnolixDB::selectArchiBookBooksBySectionSlug(int archiBookId, Language language,
                                                                       const QString& slug)
{
    return selectListing(QLatin1String(kListingColumns) +
                             QStringLiteral(" FROM %1 bi INNER JOIN BookBase b, %2 s ON b.archiBookId=? AND "
                                            "b.id=s.bookId AND s.slug=? AND bi.id=b.id")
                                 .arg(bookInfoTable(language), tarnolixdb::languageTable("BookSections", language)),
                         {archiBookId, slug}, language);
}

std::vector<int> TarnolixDB::selectBookIdsByAuthor(int authorId, Language language)
{
    QSqlQuery q = execSql(QStringLiteral("SELECT bi.id FROM %1 bi INNER JOIN BookBaseAuthors a ON a.authorId=? AND "
                                         "bi.id=a.bookId ORDER BY bi.shortNameLC ASC")
                              .arg(bookInfoTable(language)),
                          QVariantList{authorId});
    return intColumn(q);
}

std::vector<int> TarnolixDB::selectBookIdsByCategory(int categoryId, Language language)
{
    QSqlQuery q = execSql(QStringLiteral("SELECT bi.id FROM %1 bi INNER JOIN BookBaseCategories c ON "
                                         "c.categoryId=? AND bi.id=c.bookId ORDER BY bi.shortNameLC ASC")
                              .arg(bookInfoTable(language)),
                          QVariantList{categoryId});
    return intColumn(q);
}

std::vector<int> TarnolixDB::selectBookAuthorIds(int bookId, Language language)
{
    QSqlQuery q = execSql(QStringLiteral("SELECT bba.authorId FROM BookBaseAuthors bba INNER JOIN %1 bi ON "
                                         "bba.bookId=? AND bba.bookId=bi.id")
                              .arg(bookInfoTable(language)),
                          QVariantList{bookId});
    return intColumn(q);
}

namespace {

int countOrThrow(QSqlQuery& q)
{
    if (!q.next())
        throw Exception("ERROR 0x87985459");
    return q.value(0).toInt();
}

} // namespace

int TarnolixDB::selectBooksCountByAuthor(int authorId, Language language)
{
    QSqlQuery q = execSql(QStringLiteral("SELECT count(*) FROM %1 bi INNER JOIN BookBaseAuthors a ON a.authorId=? "
                                         "AND bi.id=a.bookId")
                              .arg(bookInfoTable(language)),
                          QVariantList{authorId}, false);
    return countOrThrow(q);
}

int TarnolixDB::selectBooksCountByCategory(int categoryId, Language language, const std::unordered_set<int>* ids)
{
    if (ids && ids->empty())
        return 0;
    QString sql = QStringLiteral("SELECT count(*) FROM %1 bi INNER JOIN BookBaseCategories c ON c.categoryId=? AND "
                                 "bi.id=c.bookId")
                      .arg(bookInfoTable(language));
    appendIdFilter(sql, ids);
    QSqlQuery q = execSql(sql, QVariantList{categoryId}, false);
    return countOrThrow(q);
}

TarnolixDB::BookInfoList TarnolixDB::selectBooksWithFavorites(Language language)
{
    return selectListing(QLatin1String(kListingColumns) +
                             QStringLiteral(" FROM %1 bi WHERE bi.id IN(SELECT DISTINCT bookId FROM Favorites WHERE "
                                            "language=?)")
                                 .arg(bookInfoTable(language)),
                         {static_cast<int>(language)}, language);
}
