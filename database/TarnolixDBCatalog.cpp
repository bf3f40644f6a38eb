// Categories, archive books and the catalogue filter's search table.

#include "database/TarnolixDB.h"

#include "core/Exception.h"
#include "core/TextNormalization.h"
#include "database/DatabaseTransaction.h"
#include "database/TarnolixDBNames.h"

#include <QSqlQuery>

using Language = TarnolixConstants::Language;
using tarnolixdb::intColumn;
using tarnolixdb::languageColumn;
using tarnolixdb::languageTable;
using tarnolixdb::likeContains;

namespace {

// Russian has its own catalogue order.
QString categoryOrder(Language language)
{
    return language == TarnolixConstants::Russian ? QStringLiteral(" ORDER BY c.left ASC")
                                                  : QStringLiteral(" ORDER BY c.leftEn ASC");
}

// Never NULL: an absent name is stored as an empty text.
QString nonNull(const QString& text)
{
    return text.isNull() ? QLatin1String("") : text;
}

// The "WHERE c.parentId..." tail: a root has no parent row.
QString parentCondition(int parentId)
{
    return parentId == 0 ? QStringLiteral(" IS NULL") : QStringLiteral("=") + QString::number(parentId);
}

} // namespace

void TarnolixDB::deleteCategories()
{
    execSql(QStringLiteral("DELETE FROM Categories"));
}

void TarnolixDB::insertCategories(const std::vector<CategoryPtr>& categories)
{
    DatabaseTransaction guard(shared_from_this(), "insert categories");
    static const QString sql = insertStatement(
        QStringLiteral("Categories"),
        {QStringLiteral("id"), QStringLiteral("parentId"), QStringLiteral("depth"), QStringLiteral("left"),
         QStringLiteral("right"), QStringLiteral("leftEn"), QStringLiteral("rightEn")},
        {QStringLiteral("name"), QStringLiteral("nameLC")});
    QSqlQuery q = query(sql);
    for (const CategoryPtr& category : categories) {
        q.bindValue(QStringLiteral(":id"), category->id);
        q.bindValue(QStringLiteral(":parentId"),
                    category->parentId == 0 ? QVariant(QVariant::Int) : QVariant(category->parentId));
        q.bindValue(QStringLiteral(":depth"), category->depth);
        q.bindValue(QStringLiteral(":left"), category->left);
        q.bindValue(QStringLiteral(":right"), category->right);
        q.bindValue(QStringLiteral(":leftEn"), category->leftEn);
        q.bindValue(QStringLiteral(":rightEn"), category->rightEn);
        for (Language language : languageList()) {
            const auto it = category->names.find(language);
            const QString name = it == category->names.end() ? QString() : it->second;
            q.bindValue(QLatin1Char(':') + languageColumn("name", language), nonNull(name));
            q.bindValue(QLatin1Char(':') + languageColumn("nameLC", language),
                        nonNull(name.isEmpty() ? QString() : removeDiacritics(language, name)));
        }
        exec(q);
    }
    guard.commit();
}

TarnolixDB::CategoryPtr TarnolixDB::selectCategory(int id, Language language)
{
    QSqlQuery q = execSql(
        QStringLiteral("SELECT id, parentId, %1 FROM Categories WHERE id=?").arg(languageColumn("name", language)),
        QVariantList{id});
    if (!q.next())
        throw DBNotFound(QString::fromUtf8(kCategoryNotFound));
    auto category = std::make_shared<Category>();
    category->id = q.value(0).toInt();
    category->parentId = q.value(1).toInt();
    category->names[language] = q.value(2).toString();
    return category;
}

int TarnolixDB::selectCategoryParentId(int id)
{
    QSqlQuery q = execSql(QStringLiteral("SELECT parentId FROM Categories WHERE id=?"), QVariantList{id});
    if (!q.next())
        throw DBNotFound(QString::fromUtf8(kCategoryNotExists));
    return q.value(0).toInt();
}

std::vector<TarnolixDB::CategoryPtr> TarnolixDB::selectCategoryNames(int parentId, Language language,
                                                                     bool onlyWithBooks, bool fromCatalogSearch,
                                                                     bool ordered, const std::unordered_set<int>* ids)
{
    const QString name = languageColumn("name", language);
    QString sql;
    if (fromCatalogSearch) {
        if (parentId != 0)
            throw Exception("selectCategoryNames: ERROR 1");
        sql = QStringLiteral("SELECT c.id, c.%1 FROM Categories c INNER JOIN CatalogSearch cs ON cs.type=%2 AND "
                             "cs.id=c.id ")
                  .arg(name)
                  .arg(CatalogSearchCategory);
    } else {
        sql = QStringLiteral("SELECT c.id, %1 FROM Categories c WHERE c.parentId%2 ")
                  .arg(name, parentCondition(parentId));
    }
    if (onlyWithBooks)
        sql += QStringLiteral("AND c.%1!=0 ").arg(languageColumn("booksExists", language));
    if (ids) {
        sql += QStringLiteral(" AND c.id IN(");
        appendIdList(sql, *ids);
        sql += QLatin1Char(')');
    }
    if (ordered)
        sql += categoryOrder(language);

    QSqlQuery q = execSql(sql, true);
    std::vector<CategoryPtr> categories;
    while (q.next()) {
        auto category = std::make_shared<Category>();
        category->id = q.value(0).toInt();
        category->parentId = parentId;
        category->names[language] = nonNull(q.value(1).toString());
        categories.push_back(std::move(category));
    }
    return categories;
}

std::vector<int> TarnolixDB::selectCategoryNames(int parentId, Language language, bool onlyWithBooks,
                                                 bool fromCatalogSearch)
{
    QString sql;
    if (fromCatalogSearch) {
        if (parentId != 0)
            throw Exception("selectCategoryNames: ERROR 1");
        sql = QStringLiteral("SELECT c.id FROM Categories c INNER JOIN CatalogSearch cs ON cs.type=%1 AND "
                             "cs.id=c.id ")
                  .arg(CatalogSearchCategory);
    } else {
        sql = QStringLiteral("SELECT c.id FROM Categories c WHERE c.parentId%1 ").arg(parentCondition(parentId));
    }
    if (onlyWithBooks)
        sql += QStringLiteral("AND c.%1!=0 ").arg(languageColumn("booksExists", language));
    sql += categoryOrder(language);
    QSqlQuery q = execSql(sql, true);
    return intColumn(q);
}

int TarnolixDB::selectCategoriesCount(int parentId, Language language, bool onlyWithBooks,
                                      const std::unordered_set<int>* ids)
{
    if (ids && ids->empty())
        return 0;
    QString sql = QStringLiteral("SELECT count(*) FROM Categories WHERE parentId") + parentCondition(parentId);
    if (onlyWithBooks)
        sql += QStringLiteral(" AND %1!=0").arg(languageColumn("booksExists", language));
    if (ids) {
        sql += QStringLiteral(" AND id IN(");
        appendIdList(sql, *ids);
        sql += QLatin1Char(')');
    }
    QSqlQuery q = execSql(sql, true);
    if (!q.next())
        throw Exception("ERROR 0x88975268");
    return q.value(0).toInt();
}

std::vector<int> TarnolixDB::selectCategoryIdsWithBooks(Language language)
{
    QSqlQuery q = execSql(QStringLiteral("SELECT bbc.categoryId FROM BookBaseCategories bbc INNER JOIN %1 bi ON "
                                         "bi.id=bbc.bookId GROUP BY bbc.categoryId")
                              .arg(languageTable("BookInfo", language)),
                          true);
    return intColumn(q);
}

std::vector<int> TarnolixDB::selectBookCategoryIds(int bookId, Language language)
{
    QSqlQuery q = execSql(QStringLiteral("SELECT bbc.categoryId FROM BookBaseCategories bbc INNER JOIN %1 bi, "
                                         "Categories c ON bbc.bookId=? AND bbc.bookId=bi.id AND "
                                         "c.id=bbc.categoryId")
                                  .arg(languageTable("BookInfo", language)) +
                              categoryOrder(language),
                          QVariantList{bookId});
    return intColumn(q);
}

void TarnolixDB::resetCategoriesBooksExists()
{
    static const QString sql = updateStatement(QStringLiteral("Categories"), {}, {QStringLiteral("booksExists")});
    QSqlQuery q = query(sql);
    for (Language language : languageList())
        q.bindValue(QLatin1Char(':') + languageColumn("booksExists", language), false);
    exec(q);
}

void TarnolixDB::updateCategoriesBooksExists(const std::set<int>& ids, Language language, bool value)
{
    QString sql = QStringLiteral("UPDATE Categories SET %1=%2 WHERE id IN(")
                      .arg(languageColumn("booksExists", language))
                      .arg(value ? 1 : 0);
    appendIdList(sql, std::vector<int>(ids.begin(), ids.end()));
    sql += QLatin1Char(')');
    execSql(sql);
}

void TarnolixDB::reloadBooksExists()
{
    DatabaseTransaction guard(shared_from_this(), "reload booksExists");
    resetCategoriesBooksExists();
    for (Language language : languageList()) {
        std::set<int> marked;
        for (int start : selectCategoryIdsWithBooks(language)) {
            // Walk up until the root or a category already marked (its
            // ancestors are marked with it). A category met twice on one walk
            // means the parents form a cycle.
            std::set<int> walk;
            for (int id = start; id != 0;) {
                if (!walk.insert(id).second) {
                    qCritical("reloadBooksExists: category %d is its own ancestor", id);
                    break;
                }
                if (!marked.insert(id).second)
                    break;
                id = selectCategoryParentId(id);
            }
        }
        if (!marked.empty())
            updateCategoriesBooksExists(marked, language, true);
    }
    guard.commit();
}

void TarnolixDB::deleteArchiBooks()
{
    execSql(QStringLiteral("DELETE FROM ArchiBooks"));
}

void TarnolixDB::insertArchiBooks(const std::vector<std::shared_ptr<ArchiBook>>& archiBooks)
{
    DatabaseTransaction guard(shared_from_this(), "insert archiBooks");
    static const QString sql =
        insertStatement(QStringLiteral("ArchiBooks"), {QStringLiteral("id")}, {QStringLiteral("name")});
    QSqlQuery q = query(sql);
    for (const auto& archiBook : archiBooks) {
        q.bindValue(QStringLiteral(":id"), archiBook->id);
        for (Language language : languageList()) {
            const auto it = archiBook->names.find(language);
            q.bindValue(QLatin1Char(':') + languageColumn("name", language),
                        nonNull(it == archiBook->names.end() ? QString() : it->second));
        }
        exec(q);
    }
    guard.commit();
}

namespace {

// Archive books and publishers share their record: an id and names.
std::shared_ptr<ArchiBook> selectNamedRecord(TarnolixDB& db, const char* table, Language language, int id,
                                             const char* notFound)
{
    QSqlQuery q = db.execSql(QStringLiteral("SELECT %1 FROM %2 WHERE id=?")
                                 .arg(languageColumn("name", language), QLatin1String(table)),
                             QVariantList{id});
    if (!q.next())
        throw DBNotFound(QString::fromUtf8(notFound));
    auto record = std::make_shared<ArchiBook>();
    record->id = id;
    record->names[language] = q.value(0).toString();
    return record;
}

} // namespace

std::shared_ptr<ArchiBook> TarnolixDB::selectArchiBook(int id, Language language)
{
    return selectNamedRecord(*this, "ArchiBooks", language, id, kArchiBookNotFound);
}

std::shared_ptr<Publisher> TarnolixDB::selectPublisher(Language language, int id)
{
    return selectNamedRecord(*this, "Publishers", language, id, kPublisherNotFound);
}

namespace {

struct LinkList
{
    const char* column;
    const char* table;
    std::vector<int> BookBase::*ids;
};

const LinkList kBookBaseLinks[] = {
    {"authorId", "BookBaseAuthors", &BookBase::authors},
    {"commentatorId", "BookBaseCommentators", &BookBase::commentators},
    {"categoryId", "BookBaseCategories", &BookBase::categories},
    {"relatedBookId", "BookBaseRelatedBooks", &BookBase::relatedBooks},
    {"otherPublicationId", "BookBaseOtherPublications", &BookBase::otherPublications},
};

} // namespace

// Columns 1..5 of `q`: isArticle, slug, name, cover, languages.
static std::shared_ptr<BookBase> bookBaseFromRow(TarnolixDB& db, const QSqlQuery& q, int id, int archiBookId)
{
    auto book = std::make_shared<BookBase>();
    book->id = id;
    book->archiBookId = archiBookId;
    book->isArticle = q.value(1).toBool();
    book->slug = q.value(2).toString();
    book->name = q.value(3).toString();
    book->cover = q.value(4).toString();
    book->languages = TarnolixDB::languagesFromString(q.value(5).toString());
    for (const LinkList& link : kBookBaseLinks) {
        book.get()->*link.ids = db.selectIntColumn(QLatin1String(link.column), QLatin1String(link.table),
                                                   QStringLiteral("bookId"), id);
    }
    return book;
}

std::vector<std::shared_ptr<BookBase>> TarnolixDB::selectArchiBookBooks(int archiBookId)
{
    QSqlQuery q = execSql(
        QStringLiteral("SELECT id, isArticle, slug, name, cover, languages FROM BookBase WHERE archiBookId=?"),
        QVariantList{archiBookId});
    std::vector<std::shared_ptr<BookBase>> books;
    while (q.next())
        books.push_back(bookBaseFromRow(*this, q, q.value(0).toInt(), archiBookId));
    return books;
}

std::shared_ptr<BookBase> TarnolixDB::selectBookBase(int bookId)
{
    QSqlQuery q = execSql(
        QStringLiteral("SELECT archiBookId, isArticle, slug, name, cover, languages FROM BookBase WHERE id=?"),
        QVariantList{bookId});
    if (!q.next())
        throw DBNotFound(QString::fromUtf8(kBookBaseNotFound));
    return bookBaseFromRow(*this, q, bookId, q.value(0).toInt());
}

int TarnolixDB::selectArchiBookSectionsCount(int archiBookId)
{
    int count = 0;
    for (Language language : languageList()) {
        QSqlQuery q = execSql(QStringLiteral("SELECT count(b.id) FROM BookBase b INNER JOIN %1 s ON "
                                             "b.archiBookId=? AND b.id=s.bookId")
                                  .arg(languageTable("BookSections", language)),
                              QVariantList{archiBookId});
        if (q.next())
            count += q.value(0).toInt();
    }
    return count;
}

int TarnolixDB::selectArchiBookBooksCountBySectionSlug(int archiBookId, const QString& slug)
{
    std::set<int> books;
    for (Language language : languageList()) {
        QSqlQuery q = execSql(QStringLiteral("SELECT b.id FROM BookBase b INNER JOIN %1 s ON b.archiBookId=? AND "
                                             "b.id=s.bookId AND s.slug=?")
                                  .arg(languageTable("BookSections", language)),
                              QVariantList{archiBookId, slug});
        while (q.next())
            books.insert(q.value(0).toInt());
    }
    return static_cast<int>(books.size());
}

void TarnolixDB::clearCatalogSearch()
{
    execSql(QStringLiteral("DELETE FROM CatalogSearch"));
}

namespace {

// Normalises the filter once, however many fills use it.
QString filterPattern(Language language, TarnolixDB::CatalogFilterText& filter)
{
    if (!filter.normalized) {
        filter.text = removeDiacritics(language, filter.text);
        filter.normalized = true;
    }
    return likeContains(filter.text);
}

void run(TarnolixDB& db, QSqlQuery& q, const QString& sql, const QVariantList& values = {})
{
    if (!q.prepare(sql))
        db.throwQueryError(q);
    bindValues(q, values);
    db.exec(q);
}

} // namespace

void TarnolixDB::fillCatalogSearch(Language language, CatalogFilterText& filter, bool withBooks,
                                   const QString& insertSql)
{
    DatabaseTransaction guard(shared_from_this(), "fill CatalogSearch");
    QSqlQuery q = newQuery();
    const QString pattern = filterPattern(language, filter);
    run(*this, q, QStringLiteral("DELETE FROM CatalogSearch"));
    if (withBooks) {
        run(*this, q,
            QStringLiteral("INSERT INTO CatalogSearch (id, type) SELECT id, %1 FROM %2 WHERE shortNameLC LIKE ? "
                           "ESCAPE '\\'")
                .arg(CatalogSearchBook)
                .arg(languageTable("BookInfo", language)),
            {pattern});
    }
    if (!insertSql.isEmpty())
        run(*this, q, insertSql, {pattern});
    guard.commit();
}

void TarnolixDB::fillCatalogSearchWithBooks(Language language, CatalogFilterText& filter)
{
    fillCatalogSearch(language, filter, true, {});
}

void TarnolixDB::fillCatalogSearchWithCategories(Language language, CatalogFilterText& filter)
{
    fillCatalogSearch(language, filter, true,
                      QStringLiteral("INSERT INTO CatalogSearch (id, type) SELECT id, %1 FROM Categories WHERE %2!=0 "
                                     "AND %3 LIKE ? ESCAPE '\\'")
                          .arg(QString::number(CatalogSearchCategory), languageColumn("booksExists", language),
                               languageColumn("nameLC", language)));
}

void TarnolixDB::fillCatalogSearchWithPersons(Language language, CatalogFilterText& filter)
{
    fillCatalogSearch(language, filter, false,
                      QStringLiteral("INSERT INTO CatalogSearch (id, type) SELECT p.id, %1 FROM Persons p INNER JOIN "
                                     "BookBaseAuthors bba, %2 bi ON bi.id=bba.bookId AND bba.authorId=p.id WHERE "
                                     "p.%3 LIKE ? ESCAPE '\\' GROUP BY p.id")
                          .arg(QString::number(CatalogSearchPerson), languageTable("BookInfo", language),
                               languageColumn("spiritalNameLC", language)));
}

void TarnolixDB::fixNormalixedTexts()
{
    qDebug("fixNormalixedTexts");
    DatabaseTransaction guard(shared_from_this(), "fixNormalixedTexts");
    for (Language language : languageList()) {
        updateNormalizedColumn(language, QStringLiteral("Categories"), QStringLiteral("id"),
                               languageColumn("name", language), languageColumn("nameLC", language));
        updateNormalizedColumn(language, QStringLiteral("Persons"), QStringLiteral("id"),
                               languageColumn("spiritalName", language), languageColumn("spiritalNameLC", language));
        updateNormalizedColumn(language, languageTable("BookInfo", language), QStringLiteral("id"),
                               QStringLiteral("shortName"), QStringLiteral("shortNameLC"));
        updateNormalizedColumn(language, languageTable("BookSections", language), QStringLiteral("code"),
                               QStringLiteral("name"), QStringLiteral("nameLC"));
    }
    guard.commit();
}
