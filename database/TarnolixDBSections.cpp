#include "database/TarnolixDB.h"

#include "core/Exception.h"
#include "database/BookTables.h"
#include "database/TarnolixDBNames.h"

#include <QCoreApplication>
#include <QSqlQuery>

#include <map>

using tarnolixdb::languageTable;
using booktables::sectionColumns;
using booktables::sectionOrder;

namespace {

std::shared_ptr<BookSection> sectionFromRow(const QSqlQuery& q)
{
    auto section = std::make_shared<BookSection>();
    section->code = q.value(0).toString();
    section->parentCode = q.value(1).toString();
    section->left = q.value(2).toInt();
    section->right = q.value(3).toInt();
    section->depth = q.value(4).toInt();
    section->index = q.value(5).toInt();
    section->slug = q.value(6).toString();
    section->name = q.value(7).toString();
    section->numberCodeSection = q.value(8).toInt();
    section->numberCodeChapter = q.value(9).toInt();
    section->numberCodePoem = q.value(10).toInt();
    section->numberOtherPoems = q.value(11).toInt();
    section->title = q.value(12).toString();
    return section;
}

std::vector<std::shared_ptr<BookSection>> readSections(QSqlQuery& q)
{
    std::vector<std::shared_ptr<BookSection>> sections;
    while (q.next())
        sections.push_back(sectionFromRow(q));
    return sections;
}

std::vector<QString> readStrings(QSqlQuery& q)
{
    std::vector<QString> strings;
    while (q.next())
        strings.push_back(q.value(0).toString());
    return strings;
}

// " AND parentCode IS NULL" for the top level, else "=?" with the code bound.
QString parentFilter(const QString& parentCode, QVariantList& values)
{
    if (parentCode.isEmpty())
        return QStringLiteral(" AND parentCode IS NULL");
    values << parentCode;
    return QStringLiteral(" AND parentCode=?");
}

// Throws for a language outside the library.
QString partStatement(TarnolixConstants::Language language)
{
    return QStringLiteral("SELECT title, data FROM %1 WHERE sectionCode=?").arg(languageTable("BookParts", language));
}

QString translated(const char* text)
{
    return QCoreApplication::translate("QApplication", text);
}

std::shared_ptr<BookPart> partFromRow(const QSqlQuery& q, const QString& code, int titleColumn)
{
    auto part = std::make_shared<BookPart>();
    part->sectionCode = code;
    part->title = q.value(titleColumn).toString();
    part->entities =
        TarnolixDB::bookEntitiesFromBytes(TarnolixDB::unpackBookPart(q.value(titleColumn + 1).toByteArray()));
    return part;
}

} // namespace

std::pair<std::shared_ptr<BookSection>, int> TarnolixDB::selectBookSection(const QString& code,
                                                                           TarnolixConstants::Language language)
{
    QSqlQuery q = execSql(
        QStringLiteral("SELECT %1 FROM %2 WHERE code=?").arg(sectionColumns(), languageTable("BookSections", language)),
        QVariantList{code});
    if (!q.next())
        throw DBNotFound(QString::fromLatin1(kBookSectionNotFound).arg(code).arg(static_cast<int>(language)));
    return {sectionFromRow(q), q.value(booktables::kSectionBookIdColumn).toInt()};
}

QString TarnolixDB::selectParentSection(const QString& code, TarnolixConstants::Language language, bool* found)
{
    QSqlQuery q =
        execSql(QStringLiteral("SELECT parentCode FROM %1 WHERE code=?").arg(languageTable("BookSections", language)),
                QVariantList{code});
    if (!q.next()) {
        if (found) {
            *found = false;
            return QString();
        }
        throw DBNotFound(QString::fromLatin1(kParentSectionNotFound).arg(code).arg(static_cast<int>(language)));
    }
    if (found)
        *found = true;
    return q.value(0).toString();
}

int TarnolixDB::selectSectionBookId(const QString& code, TarnolixConstants::Language language)
{
    QSqlQuery q =
        execSql(QStringLiteral("SELECT bookId FROM %1 WHERE code=?").arg(languageTable("BookSections", language)),
                QVariantList{code});
    if (!q.next())
        throw DBNotFound(kSectionBookIdNotFound);
    return q.value(0).toInt();
}

QString TarnolixDB::selectSectionSlug(int bookId, TarnolixConstants::Language language, const QString& code)
{
    QSqlQuery q = execSql(
        QStringLiteral("SELECT slug FROM %1 WHERE bookId=? AND code=?").arg(languageTable("BookSections", language)),
        QVariantList{bookId, code});
    if (!q.next())
        throw DBNotFound(translated("Раздел книги не найден!(0x89742577)"));
    const QString slug = q.value(0).toString();
    if (slug.isEmpty())
        throw Exception("ERROR 0xB4794175: section slug is empty");
    return slug;
}

std::vector<QString> TarnolixDB::selectSectionCodesBySlug(int bookId, TarnolixConstants::Language language,
                                                          const QString& slug)
{
    QSqlQuery q = execSql(
        QStringLiteral("SELECT code FROM %1 WHERE bookId=? AND slug=?").arg(languageTable("BookSections", language)),
        QVariantList{bookId, slug});
    std::vector<QString> codes = readStrings(q);
    for (const QString& code : codes) {
        if (code.isEmpty())
            throw Exception("ERROR 0xF4579457");
    }
    return codes;
}

std::vector<QString> TarnolixDB::selectBookSectionCodes(int bookId, TarnolixConstants::Language language)
{
    QSqlQuery q =
        execSql(QStringLiteral("SELECT code FROM %1 WHERE bookId=?").arg(languageTable("BookSections", language)) +
                    sectionOrder(),
                QVariantList{bookId});
    return readStrings(q);
}

std::vector<std::pair<QString, QString>> TarnolixDB::selectSectionCodesAndSlugs(int bookId,
                                                                                TarnolixConstants::Language language)
{
    QSqlQuery q =
        execSql(QStringLiteral("SELECT code, slug FROM %1 WHERE bookId=?").arg(languageTable("BookSections", language)),
                QVariantList{bookId});
    std::vector<std::pair<QString, QString>> pairs;
    while (q.next())
        pairs.emplace_back(q.value(0).toString(), q.value(1).toString());
    return pairs;
}

std::vector<QString> TarnolixDB::selectChildSectionCodes(int bookId, TarnolixConstants::Language language,
                                                         const QString& parentCode)
{
    QVariantList values{bookId};
    const QString sql =
        QStringLiteral("SELECT code FROM %1 WHERE bookId=?").arg(languageTable("BookSections", language)) +
        parentFilter(parentCode, values);
    QSqlQuery q = execSql(sql, values);
    return readStrings(q);
}

int TarnolixDB::selectChildSectionsCount(int bookId, TarnolixConstants::Language language, const QString& parentCode)
{
    QVariantList values{bookId};
    const QString sql =
        QStringLiteral("SELECT count(*) FROM %1 WHERE bookId=?").arg(languageTable("BookSections", language)) +
        parentFilter(parentCode, values);
    QSqlQuery q = execSql(sql, values);
    if (!q.next())
        throw Exception("ERROR 0x88975269");
    return q.value(0).toInt();
}

int TarnolixDB::selectChildSectionsCountInCodes(int bookId, TarnolixConstants::Language language,
                                                const QString& parentCode, const QStringList& codes)
{
    if (codes.isEmpty())
        return 0;
    QVariantList values{bookId};
    QString sql = QStringLiteral("SELECT count(*) FROM %1 WHERE bookId=?").arg(languageTable("BookSections", language)) +
                  parentFilter(parentCode, values) + QStringLiteral(" AND code IN(");
    appendQuotedStringList(sql, codes, values);
    sql += QLatin1Char(')');
    QSqlQuery q = execSql(sql, values);
    if (!q.next())
        throw Exception("ERROR 0x88975269");
    return q.value(0).toInt();
}

std::vector<std::shared_ptr<BookSection>> TarnolixDB::selectBookSections(int bookId,
                                                                         TarnolixConstants::Language language)
{
    QSqlQuery q = execSql(QStringLiteral("SELECT %1 FROM %2 WHERE bookId=?")
                                  .arg(sectionColumns(), languageTable("BookSections", language)) +
                              sectionOrder(),
                          QVariantList{bookId});
    return readSections(q);
}

std::vector<std::shared_ptr<BookSection>>
TarnolixDB::selectChildSections(int bookId, TarnolixConstants::Language language, const QString& parentCode)
{
    QVariantList values{bookId};
    const QString sql = QStringLiteral("SELECT %1 FROM %2 WHERE bookId=?")
                            .arg(sectionColumns(), languageTable("BookSections", language)) +
                        parentFilter(parentCode, values) + sectionOrder();
    QSqlQuery q = execSql(sql, values);
    return readSections(q);
}

std::vector<std::shared_ptr<BookSection>> TarnolixDB::selectChildSectionsInCodes(int bookId,
                                                                                 TarnolixConstants::Language language,
                                                                                 const QString& parentCode,
                                                                                 const QStringList& codes)
{
    QVariantList values{bookId};
    QString sql = QStringLiteral("SELECT %1 FROM %2 WHERE bookId=?")
                      .arg(sectionColumns(), languageTable("BookSections", language)) +
                  parentFilter(parentCode, values) + QStringLiteral(" AND code IN(");
    appendQuotedStringList(sql, codes,
                           values); // throws "ids is empty(2)" for no codes
    sql += QLatin1Char(')') + sectionOrder();
    QSqlQuery q = execSql(sql, values);
    return readSections(q);
}

std::unordered_map<int, std::vector<std::shared_ptr<BookSection>>>
TarnolixDB::selectAllSections(TarnolixConstants::Language language)
{
    QSqlQuery q = execSql(QStringLiteral("SELECT %1 FROM %2 ORDER BY bookId ASC, [index] ASC, [left] ASC")
                              .arg(sectionColumns(), languageTable("BookSections", language)),
                          true);
    std::unordered_map<int, std::vector<std::shared_ptr<BookSection>>> sections;
    std::vector<std::shared_ptr<BookSection>>* current = nullptr;
    int currentBookId = 0;
    // Rows come grouped by book: look the map up only when the book changes.
    while (q.next()) {
        const int bookId = q.value(booktables::kSectionBookIdColumn).toInt();
        if (!current || bookId != currentBookId) {
            current = &sections[bookId];
            currentBookId = bookId;
        }
        current->push_back(sectionFromRow(q));
    }
    return sections;
}

std::shared_ptr<BookPart> TarnolixDB::selectBookPart(const QString& code, TarnolixConstants::Language language)
{
    // Opening a section runs this more than anything else: its statement text
    // is made once per language, the statement kept prepared on the
    // connection, and the packed text unpacked where SQLite holds it.
    static const std::map<TarnolixConstants::Language, QString> statements = [] {
        std::map<TarnolixConstants::Language, QString> texts;
        for (const TarnolixConstants::Language each : languageList())
            texts.emplace(each, partStatement(each));
        return texts;
    }();
    const auto statement = statements.find(language);
    return readInPlace(statement != statements.end() ? statement->second : partStatement(language), code,
                       [&](const InPlaceRow& row) {
                           if (!row.found()) {
                               qDebug("Book part not found by code: %s", qUtf8Printable(code));
                               throw DBNotFound(translated("Раздел книги не найден!"));
                           }
                           auto part = std::make_shared<BookPart>();
                           part->sectionCode = code;
                           part->title = row.text(0);
                           int size = 0;
                           const char* data = row.blob(1, size);
                           part->entities = bookEntitiesFromBytes(unpackBookPart(data, size));
                           return part;
                       });
}

std::vector<std::shared_ptr<BookPart>> TarnolixDB::selectBookParts(int bookId, TarnolixConstants::Language language)
{
    QSqlQuery q = execSql(QStringLiteral("SELECT p.sectionCode, p.title, p.data "
                                         "FROM %1 AS p INNER JOIN %2 AS s "
                                         "ON s.bookId=? AND p.sectionCode=s.code")
                              .arg(languageTable("BookParts", language), languageTable("BookSections", language)),
                          QVariantList{bookId});
    std::vector<std::shared_ptr<BookPart>> parts;
    while (q.next())
        parts.push_back(partFromRow(q, q.value(0).toString(), 1));
    return parts;
}
