// Reads of the reader's favorites: single favorites and their texts, the
// favorites of a folder, a book or a uuid list, the text filter, counts, and
// the books, categories and sections seen through favorites.

#include "database/TarnolixDB.h"

#include "core/Exception.h"
#include "core/TextNormalization.h"
#include "database/TarnolixDBNames.h"

#include <QHash>
#include <QSqlQuery>

#include <algorithm>
#include <iterator>
#include <map>
#include <optional>
#include <set>

using Language = TarnolixConstants::Language;

namespace {

const char kFavoriteRowColumns[] =
    "SELECT uuid, catalogUuid, startSectionCode, startSectionIndex, startOffset, endSectionCode, endSectionIndex, "
    "endOffset, bookId, language, timeOfChange";
const char kFavoriteOfBookColumns[] =
    "SELECT uuid, catalogUuid, startSectionCode, startSectionIndex, startOffset, endSectionCode, endSectionIndex, "
    "endOffset, timeOfChange FROM Favorites WHERE bookId = ? AND language = ?";
const char kFavoriteNotFoundText[] = "Закладка не найдена";

// "catalogUuid IS NULL" for the top level, else "catalogUuid=?" with the
// uuid appended to `values`.
QString folderCondition(const QUuid& folderUuid, QVariantList& values)
{
    if (folderUuid.isNull())
        return QStringLiteral(" WHERE catalogUuid IS NULL");
    values << TarnolixDB::uuidToString(folderUuid);
    return QStringLiteral(" WHERE catalogUuid=?");
}

QString rowColumns(TarnolixDB::FavoriteColumns columns)
{
    QString sql = QLatin1String(kFavoriteRowColumns);
    TarnolixDB::appendFavoriteTextColumns(sql, columns);
    return sql + QStringLiteral(" FROM Favorites");
}

TarnolixDB::FavoriteList favoriteRows(QSqlQuery& q, TarnolixDB::FavoriteColumns columns)
{
    TarnolixDB::FavoriteList favorites;
    while (q.next())
        favorites.push_back(TarnolixDB::readFavoriteRow(q, columns));
    return favorites;
}

TarnolixDB::FavoriteList favoriteRowsOfBook(QSqlQuery& q, int bookId, Language language)
{
    TarnolixDB::FavoriteList favorites;
    while (q.next())
        favorites.push_back(TarnolixDB::readFavoriteRowOfBook(q, bookId, language));
    return favorites;
}

int countRow(QSqlQuery& q, const char* error)
{
    if (!q.next())
        throw Exception(error);
    return q.value(0).toInt();
}

std::optional<QString> optionalText(const QVariant& value)
{
    if (value.isNull())
        return std::nullopt;
    return value.toString();
}

} // namespace

TarnolixDB::FavoritePtr TarnolixDB::selectFavorite(const QUuid& uuid, FavoriteColumns columns)
{
    QSqlQuery q = execSql(rowColumns(columns) + QStringLiteral(" WHERE uuid = ?"), QVariantList{uuidToString(uuid)});
    if (!q.next())
        throw DBNotFound(QString::fromUtf8(kFavoriteNotFound));
    FavoritePtr favorite = readFavoriteRow(q, columns);
    favorite->setUuid(uuid);
    return favorite;
}

void TarnolixDB::selectFavoriteFields(Favorite& favorite, FavoriteColumns columns)
{
    QString list;
    appendFavoriteTextColumns(list, columns);
    if (list.isEmpty())
        throw Exception("Invalid args 0xFAB41248");
    QSqlQuery q = execSql(QStringLiteral("SELECT %1 FROM Favorites WHERE uuid = ?").arg(list),
                          QVariantList{uuidToString(favorite.uuid())});
    if (!q.next())
        throw DBNotFound(QString::fromUtf8(kFavoriteNotFound));
    readFavoriteTextColumns(q, favorite, columns);
}

QUuid TarnolixDB::selectFavoriteFolderUuid(const QUuid& uuid)
{
    QSqlQuery q = execSql(QStringLiteral("SELECT catalogUuid FROM Favorites WHERE uuid = ?"),
                          QVariantList{uuidToString(uuid)});
    if (!q.next())
        throw DBNotFound(QString::fromUtf8(kFavoriteNotFound));
    return uuidFromColumn(q, 0);
}

QString TarnolixDB::selectFavoriteText(const QUuid& uuid)
{
    QSqlQuery q = execSql(QStringLiteral("SELECT favoriteText FROM Favorites WHERE uuid = ?"),
                          QVariantList{uuidToString(uuid)});
    if (!q.next())
        throw Exception(kFavoriteNotFoundText);
    return q.value(0).toString();
}

std::pair<QString, QString> TarnolixDB::selectFavoriteTitleNote(const QUuid& uuid)
{
    QSqlQuery q = execSql(QStringLiteral("SELECT title, note FROM Favorites WHERE uuid = ?"),
                          QVariantList{uuidToString(uuid)});
    if (!q.next())
        throw Exception(kFavoriteNotFoundText);
    return {q.value(0).toString(), q.value(1).toString()};
}

std::vector<QUuid> TarnolixDB::selectFavoriteIdsInFolder(const QUuid& folderUuid)
{
    QVariantList values;
    const QString sql = QStringLiteral("SELECT uuid FROM Favorites") + folderCondition(folderUuid, values);
    QSqlQuery q = execSql(sql, values);
    std::vector<QUuid> uuids;
    while (q.next())
        uuids.push_back(uuidFromString(q.value(0).toString()));
    return uuids;
}

TarnolixDB::FavoriteList TarnolixDB::selectFavoritesInFolder(const std::optional<QUuid>& folderUuid, bool newestFirst,
                                                             FavoriteColumns columns)
{
    QString sql = rowColumns(columns);
    QVariantList values;
    if (folderUuid)
        sql += folderCondition(*folderUuid, values);
    if (newestFirst)
        sql += QStringLiteral(" ORDER BY rowid DESC");
    QSqlQuery q = execSql(sql, values);
    return favoriteRows(q, columns);
}

TarnolixDB::FavoriteList TarnolixDB::selectFavoritesByIds(const std::vector<QUuid>& uuids, FavoriteColumns columns)
{
    QString sql = rowColumns(columns) + QStringLiteral(" WHERE uuid IN(");
    QVariantList values;
    appendUuidList(sql, uuids, values);
    QSqlQuery q = execSql(sql + QLatin1Char(')'), values);
    return favoriteRows(q, columns);
}

TarnolixDB::FavoriteList TarnolixDB::selectFavoritesOfBook(int bookId, Language language)
{
    QSqlQuery q = execSql(QLatin1String(kFavoriteOfBookColumns), QVariantList{bookId, static_cast<int>(language)});
    return favoriteRowsOfBook(q, bookId, language);
}

TarnolixDB::FavoriteList TarnolixDB::selectFavoriteRangesOfBook(int bookId, Language language, const QString& code)
{
    // Breadth-first below `code`; a code met twice is not walked again.
    std::set<QString> codes;
    std::vector<QString> level{code};
    while (!level.empty()) {
        std::vector<QString> next;
        for (const QString& current : level) {
            codes.insert(current);
            for (const QString& child : selectChildSectionCodes(bookId, language, current)) {
                if (!codes.count(child))
                    next.push_back(child);
            }
        }
        level = std::move(next);
    }

    QString sql = QLatin1String(kFavoriteOfBookColumns) + QStringLiteral(" AND startSectionCode IN(");
    QVariantList values{bookId, static_cast<int>(language)};
    appendQuotedStringList(sql, QStringList(codes.begin(), codes.end()), values);
    QSqlQuery q = execSql(sql + QLatin1Char(')'), values);
    return favoriteRowsOfBook(q, bookId, language);
}

TarnolixDB::FavoriteList TarnolixDB::selectFavoriteSlugs(int bookId, Language language)
{
    QSqlQuery q =
        execSql(QStringLiteral("SELECT uuid, startSectionSlug, endSectionSlug FROM Favorites WHERE bookId = ? AND "
                               "language = ?"),
                QVariantList{bookId, static_cast<int>(language)});
    FavoriteList favorites;
    while (q.next()) {
        auto favorite = std::make_shared<Favorite>();
        favorite->setUuid(uuidFromColumn(q, 0));
        readFavoriteTextColumns(q, *favorite, FavoriteSectionSlugs);
        favorites.push_back(std::move(favorite));
    }
    return favorites;
}

TarnolixDB::FavoriteList TarnolixDB::selectFavoriteTexts(Language language, FavoritesFilterText& filter)
{
    if (!filter.normalized) {
        filter.text = removeDiacritics(language, filter.text);
        filter.normalized = true;
    }
    struct Texts
    {
        std::optional<QString> title;
        std::optional<QString> note;
        std::optional<QString> favoriteText;
    };
    QHash<QUuid, Texts> kept;
    std::vector<QUuid> uuids;
    QSqlQuery q = execSql(QStringLiteral("SELECT uuid, title, note, favoriteText FROM Favorites"), true);
    while (q.next()) {
        Texts texts{optionalText(q.value(1)), optionalText(q.value(2)), optionalText(q.value(3))};
        const std::optional<QString>* order[] = {&texts.title, &texts.note, &texts.favoriteText};
        const bool matches = std::any_of(std::begin(order), std::end(order), [&](const std::optional<QString>* t) {
            return removeDiacritics(language, t->value_or(QString())).contains(filter.text);
        });
        if (!matches)
            continue;
        const QUuid uuid = uuidFromString(q.value(0).toString());
        uuids.push_back(uuid);
        kept.insert(uuid, std::move(texts));
    }
    if (uuids.empty())
        return {};

    FavoriteList favorites = selectFavoritesByIds(uuids, 0);
    for (const FavoritePtr& favorite : favorites) {
        const auto it = kept.constFind(favorite->uuid());
        if (it == kept.constEnd())
            throw Exception("ERROR 0x91238516");
        favorite->setTitle(it->title);
        favorite->setNote(it->note);
        favorite->setFavoriteText(it->favoriteText);
    }
    return favorites;
}

bool TarnolixDB::isFavoriteTitleExists(const QString& title, const QUuid& exceptUuid)
{
    QString sql = QStringLiteral("SELECT EXISTS(SELECT * FROM Favorites WHERE title=:title%1)");
    QVariantMap values{{QStringLiteral(":title"), title}};
    if (exceptUuid.isNull()) {
        sql = sql.arg(QString());
    } else {
        sql = sql.arg(QStringLiteral(" AND uuid!=:uuid"));
        values.insert(QStringLiteral(":uuid"), uuidToString(exceptUuid));
    }
    QSqlQuery q = execSql(sql, values);
    if (!q.next())
        throw Exception("ERROR 0x8579FF42");
    return q.value(0).toBool();
}

int TarnolixDB::selectFavoritesCount()
{
    QSqlQuery q = execSql(QStringLiteral("SELECT COUNT(*) FROM Favorites"));
    return countRow(q, "ERROR 0x8579FF44");
}

int TarnolixDB::selectFavoritesCountOfBook(int bookId, Language language)
{
    QSqlQuery q = execSql(QStringLiteral("SELECT COUNT(*) FROM Favorites WHERE bookId=? AND language=?"),
                          QVariantList{bookId, static_cast<int>(language)});
    return countRow(q, "ERROR 0x8579FF43");
}

int TarnolixDB::selectFavoritesCountInFolder(const QUuid& folderUuid)
{
    QVariantList values;
    const QString sql = QStringLiteral("SELECT COUNT(*) FROM Favorites") + folderCondition(folderUuid, values);
    QSqlQuery q = execSql(sql, values);
    return countRow(q, "ERROR 0x85794912");
}

std::unordered_set<int> TarnolixDB::selectFavoriteBookIds(Language language)
{
    QSqlQuery q = execSql(QStringLiteral("SELECT bookId FROM Favorites WHERE language=?"),
                          QVariantList{static_cast<int>(language)});
    std::unordered_set<int> ids;
    while (q.next())
        ids.insert(q.value(0).toInt());
    return ids;
}

std::unordered_set<int> TarnolixDB::selectFavoriteCategoryTree(Language language)
{
    // id -> parent id; a NULL parent (top level) is no value.
    std::map<int, std::optional<int>> parents;
    QSqlQuery all = execSql(QStringLiteral("SELECT id, parentId FROM Categories"), true);
    while (all.next()) {
        const QVariant parent = all.value(1);
        parents.emplace(all.value(0).toInt(), parent.isNull() ? std::nullopt : std::optional<int>(parent.toInt()));
    }
    all.finish();

    std::unordered_set<int> ids;
    QSqlQuery q = execSql(QStringLiteral("SELECT DISTINCT c.id as categoryId, c.parentId as parentCategoryId FROM "
                                         "Categories c JOIN BookBaseCategories bbc ON bbc.categoryId=c.id JOIN "
                                         "Favorites f ON f.bookId=bbc.bookId WHERE f.language=?"),
                          QVariantList{static_cast<int>(language)});
    while (q.next()) {
        const int categoryId = q.value(0).toInt();
        ids.insert(categoryId);
        std::set<int> walked{categoryId};
        const QVariant first = q.value(1);
        for (std::optional<int> parent = first.isNull() ? std::nullopt : std::optional<int>(first.toInt()); parent;) {
            // A loop of parents in the data would otherwise be walked forever.
            if (!walked.insert(*parent).second) {
                qCritical("selectFavoriteCategoryTree: category %d is its own ancestor", *parent);
                break;
            }
            ids.insert(*parent);
            const auto it = parents.find(*parent);
            if (it == parents.end())
                throw Exception("ERROR 0x5468FF86");
            parent = it->second;
        }
    }
    return ids;
}

QStringList TarnolixDB::selectStartSectionCodesWithFavorites(int bookId, Language language)
{
    QSqlQuery q =
        execSql(QStringLiteral("SELECT DISTINCT startSectionCode FROM Favorites WHERE bookId = ? AND language = ?"),
                QVariantList{bookId, static_cast<int>(language)});
    std::vector<QString> startCodes;
    while (q.next())
        startCodes.push_back(q.value(0).toString());
    q.finish();

    // Collected codes end every later walk, so a loop of parents ends too.
    std::set<QString> collected;
    for (const QString& start : startCodes) {
        QString code = start;
        while (!code.isEmpty() && collected.insert(code).second) {
            bool found = true;
            code = selectParentSection(code, language, &found);
            if (!found)
                qWarning("selectStartSectionCodesWithFavorites: section not found(bookId=%d code=\"%s\" language=%d)",
                         bookId, qUtf8Printable(start), static_cast<int>(language));
        }
    }
    return QStringList(collected.begin(), collected.end());
}
