// The reader's favorites and their folders: writes, and the folder reads.

#include "database/TarnolixDB.h"

#include "core/Exception.h"
#include "core/TextNormalization.h"
#include "database/DatabaseTransaction.h"
#include "database/TarnolixDBNames.h"

#include <QSqlQuery>

using Language = TarnolixConstants::Language;
using FolderPtr = std::shared_ptr<FavoriteFolder>;
using tarnolixdb::optionalIndexValue;
using tarnolixdb::optionalTextValue;

namespace {

const QString kFolderInsert = QStringLiteral(
    "INSERT INTO FavoritesCatalog(uuid, parentUuid, name, timeOfChange) VALUES(:uuid, :parentUuid, :name, "
    ":timeOfChange)");

// A folder without a uuid is refused for the same reason as such a favorite.
void bindFolder(QSqlQuery& q, const FavoriteFolder& folder)
{
    if (folder.uuid().isNull())
        throw Exception("ERROR 0x5B17E8D4");
    q.bindValue(QStringLiteral(":uuid"), TarnolixDB::uuidToVariant(folder.uuid()));
    q.bindValue(QStringLiteral(":parentUuid"), TarnolixDB::uuidToVariant(folder.parentUuid()));
    q.bindValue(QStringLiteral(":name"), folder.name());
    q.bindValue(QStringLiteral(":timeOfChange"), folder.timeOfChange());
}

// "IS NULL" for the top level, else "=?" with the UUID appended to `values`.
QString parentCondition(const QUuid& parentUuid, QVariantList& values)
{
    if (parentUuid.isNull())
        return QStringLiteral("IS NULL");
    values << TarnolixDB::uuidToString(parentUuid);
    return QStringLiteral("=?");
}

// The folders directly under `parentUuid` (the top level when null).
QSqlQuery selectUnderParent(TarnolixDB& db, const char* columns, const QUuid& parentUuid)
{
    QVariantList values;
    const QString sql = QStringLiteral("SELECT %1 FROM FavoritesCatalog WHERE parentUuid ").arg(QLatin1String(columns));
    return db.execSql(sql + parentCondition(parentUuid, values), values);
}

// Columns: uuid, parentUuid, name, timeOfChange.
FolderPtr folderFromRow(const QSqlQuery& q)
{
    auto folder = std::make_shared<FavoriteFolder>();
    folder->setUuid(TarnolixDB::uuidFromColumn(q, 0));
    folder->setParentUuid(TarnolixDB::uuidFromColumn(q, 1));
    folder->setName(q.value(2).toString());
    folder->setTimeOfChange(q.value(3).toLongLong());
    return folder;
}

bool existsRow(QSqlQuery& q, const char* error)
{
    if (!q.next())
        throw Exception(error);
    return q.value(0).toBool();
}

} // namespace

QString TarnolixDB::favoriteInsertStatement()
{
    return QStringLiteral(
        "INSERT INTO Favorites(uuid, catalogUuid, bookId, language, startSectionSlug, startSectionCode, "
        "startSectionIndex, startOffset, endSectionSlug, endSectionCode, endSectionIndex, endOffset, title, note, "
        "favoriteText, timeOfChange) VALUES(:uuid, :catalogUuid, :bookId, :language, :startSectionSlug, "
        ":startSectionCode, :startSectionIndex, :startOffset, :endSectionSlug, :endSectionCode, :endSectionIndex, "
        ":endOffset, :title, :note, :favoriteText, :timeOfChange)");
}

QString TarnolixDB::favoriteFieldsUpdateStatement(const FavoriteUpdate& update)
{
    const std::pair<bool, const char*> fields[] = {
        {update.timeOfChange.has_value(), "timeOfChange"},
        {update.startSectionCode.has_value(), "startSectionCode"},
        {update.startSectionIndex.has_value(), "startSectionIndex"},
        {update.endSectionCode.has_value(), "endSectionCode"},
        {update.endSectionIndex.has_value(), "endSectionIndex"},
        {update.catalogUuid.has_value(), "catalogUuid"},
        {update.title.has_value(), "title"},
        {update.note.has_value(), "note"},
    };
    QString assignments;
    for (const auto& [present, column] : fields) {
        if (!present)
            continue;
        if (!assignments.isEmpty())
            assignments += QLatin1Char(',');
        assignments += QLatin1String(column) + QStringLiteral("=:") + QLatin1String(column);
    }
    if (assignments.isEmpty())
        return {};
    return QStringLiteral("UPDATE Favorites SET ") + assignments + QStringLiteral(" WHERE uuid=:uuid");
}

void TarnolixDB::insertFavorite(const Favorite& favorite)
{
    QSqlQuery q = query(favoriteInsertStatement());
    bindFavorite(q, favorite);
    exec(q);
}

void TarnolixDB::insertFavorites(const std::vector<FavoritePtr>& favorites)
{
    DatabaseTransaction guard(shared_from_this(), "insertFavorites");
    QSqlQuery q = query(favoriteInsertStatement());
    for (const FavoritePtr& favorite : favorites) {
        bindFavorite(q, *favorite);
        exec(q);
    }
    guard.commit();
}

void TarnolixDB::insertFavoriteFolder(const FavoriteFolder& folder)
{
    QSqlQuery q = query(kFolderInsert);
    bindFolder(q, folder);
    exec(q);
}

void TarnolixDB::insertFavoriteCatalogs(const std::vector<std::shared_ptr<FavoriteFolder>>& folders)
{
    DatabaseTransaction guard(shared_from_this(), "insertFavoriteCatalogs");
    QSqlQuery q = query(kFolderInsert);
    for (const FolderPtr& folder : folders) {
        bindFolder(q, *folder);
        exec(q);
    }
    guard.commit();
}

void TarnolixDB::updateFavorite(const Favorite& favorite)
{
    QSqlQuery q = query(QStringLiteral(
        "UPDATE Favorites SET catalogUuid=:catalogUuid, bookId=:bookId, language=:language, "
        "startSectionSlug=:startSectionSlug, startSectionCode=:startSectionCode, startSectionIndex=:startSectionIndex, "
        "startOffset=:startOffset, endSectionSlug=:endSectionSlug, endSectionCode=:endSectionCode, "
        "endSectionIndex=:endSectionIndex, endOffset=:endOffset, title=:title, note=:note, "
        "favoriteText=:favoriteText, timeOfChange=:timeOfChange WHERE uuid=:uuid"));
    bindFavorite(q, favorite);
    exec(q);
}

void TarnolixDB::updateFavoriteFields(const QUuid& uuid, const FavoriteUpdate& update)
{
    const QString sql = favoriteFieldsUpdateStatement(update);
    if (sql.isEmpty())
        return;
    QVariantMap values{{QStringLiteral(":uuid"), uuidToString(uuid)}};
    if (update.timeOfChange)
        values.insert(QStringLiteral(":timeOfChange"), *update.timeOfChange);
    if (update.startSectionCode)
        values.insert(QStringLiteral(":startSectionCode"), *update.startSectionCode);
    if (update.startSectionIndex)
        values.insert(QStringLiteral(":startSectionIndex"), optionalIndexValue(*update.startSectionIndex));
    if (update.endSectionCode)
        values.insert(QStringLiteral(":endSectionCode"), *update.endSectionCode);
    if (update.endSectionIndex)
        values.insert(QStringLiteral(":endSectionIndex"), optionalIndexValue(*update.endSectionIndex));
    if (update.catalogUuid)
        values.insert(QStringLiteral(":catalogUuid"), uuidToVariant(*update.catalogUuid));
    if (update.title)
        values.insert(QStringLiteral(":title"), optionalTextValue(update.title));
    if (update.note)
        values.insert(QStringLiteral(":note"), optionalTextValue(update.note));
    execSql(sql, values);
}

void TarnolixDB::updateFavoriteFolder(const FavoriteFolder& folder)
{
    QSqlQuery q = query(QStringLiteral("UPDATE FavoritesCatalog SET name=:name, parentUuid=:parentUuid, "
                                       "timeOfChange=:timeOfChange WHERE uuid=:uuid"));
    bindFolder(q, folder);
    exec(q);
}

void TarnolixDB::deleteFavorite(const QUuid& uuid)
{
    execSql(QStringLiteral("DELETE FROM Favorites WHERE uuid=?"), QVariantList{uuidToString(uuid)});
}

void TarnolixDB::deleteFavorites(const std::vector<QUuid>& uuids)
{
    QString sql = QStringLiteral("DELETE FROM Favorites WHERE uuid IN(");
    QVariantList values;
    appendUuidList(sql, uuids, values);
    execSql(sql + QLatin1Char(')'), values);
}

void TarnolixDB::deleteFavoriteFolders(const std::vector<QUuid>& uuids)
{
    QString sql = QStringLiteral("DELETE FROM FavoritesCatalog WHERE uuid IN(");
    QVariantList values;
    appendUuidList(sql, uuids, values);
    execSql(sql + QLatin1Char(')'), values);
}

std::shared_ptr<FavoriteFolder> TarnolixDB::selectFavoriteFolder(const QUuid& uuid)
{
    QSqlQuery q = execSql(QStringLiteral("SELECT parentUuid, name, timeOfChange FROM FavoritesCatalog WHERE uuid = ?"),
                          QVariantList{uuidToString(uuid)});
    if (!q.next())
        throw DBNotFound(QString::fromUtf8(kFavoriteFolderNotFound).arg(uuid.toString(QUuid::WithBraces)));
    auto folder = std::make_shared<FavoriteFolder>();
    folder->setUuid(uuid);
    folder->setParentUuid(uuidFromColumn(q, 0));
    folder->setName(q.value(1).toString());
    folder->setTimeOfChange(q.value(2).toLongLong());
    return folder;
}

QUuid TarnolixDB::selectFavoriteFolderParent(const QUuid& uuid)
{
    QSqlQuery q = execSql(QStringLiteral("SELECT parentUuid FROM FavoritesCatalog WHERE uuid=?"),
                          QVariantList{uuidToString(uuid)});
    if (!q.next())
        throw DBNotFound(QString::fromUtf8(kFavoriteFolderNotExists).arg(uuidToString(uuid)));
    return uuidFromColumn(q, 0);
}

std::vector<FolderPtr> TarnolixDB::selectFavoriteFolders(const QUuid& parentUuid)
{
    QSqlQuery q = selectUnderParent(*this, "uuid, name, timeOfChange", parentUuid);
    std::vector<FolderPtr> folders;
    while (q.next()) {
        auto folder = std::make_shared<FavoriteFolder>();
        folder->setUuid(uuidFromColumn(q, 0));
        folder->setParentUuid(parentUuid);
        folder->setName(q.value(1).toString());
        folder->setTimeOfChange(q.value(2).toLongLong());
        folders.push_back(std::move(folder));
    }
    return folders;
}

std::vector<QUuid> TarnolixDB::selectFavoriteFolderIds(const QUuid& parentUuid)
{
    QSqlQuery q = selectUnderParent(*this, "uuid", parentUuid);
    std::vector<QUuid> uuids;
    while (q.next())
        uuids.push_back(uuidFromColumn(q, 0));
    return uuids;
}

int TarnolixDB::selectFavoriteFoldersCount(const QUuid& parentUuid)
{
    QSqlQuery q = selectUnderParent(*this, "COUNT(*)", parentUuid);
    if (!q.next())
        throw Exception("ERROR 0x8579FF42");
    return q.value(0).toInt();
}

std::vector<FolderPtr> TarnolixDB::selectFavoriteFoldersByIds(const std::vector<QUuid>& uuids)
{
    QString sql = QStringLiteral("SELECT uuid, parentUuid, name, timeOfChange FROM FavoritesCatalog WHERE uuid IN(");
    QVariantList values;
    appendUuidList(sql, uuids, values);
    QSqlQuery q = execSql(sql + QLatin1Char(')'), values);
    std::vector<FolderPtr> folders;
    while (q.next())
        folders.push_back(folderFromRow(q));
    return folders;
}

std::vector<FolderPtr> TarnolixDB::selectAllFavoriteFolders(Language language, FavoritesFilterText& filter)
{
    if (!filter.normalized) {
        filter.text = removeDiacritics(language, filter.text);
        filter.normalized = true;
    }
    QSqlQuery q = execSql(QStringLiteral("SELECT uuid, parentUuid, name, timeOfChange FROM FavoritesCatalog"), true);
    std::vector<FolderPtr> folders;
    while (q.next()) {
        if (!filter.text.isEmpty() && !removeDiacritics(language, q.value(2).toString()).contains(filter.text))
            continue;
        folders.push_back(folderFromRow(q));
    }
    return folders;
}

bool TarnolixDB::isFavoriteFolderExists(const QUuid& uuid)
{
    QSqlQuery q = execSql(QStringLiteral("SELECT EXISTS(SELECT 1 FROM FavoritesCatalog WHERE uuid=?)"),
                          QVariantList{uuidToString(uuid)});
    return existsRow(q, "ERROR 0x87F41347");
}

bool TarnolixDB::isFolderHasFavorites(const QUuid& folderUuid)
{
    QSqlQuery q = execSql(QStringLiteral("SELECT EXISTS(SELECT * FROM Favorites WHERE catalogUuid=?)"),
                          QVariantList{uuidToString(folderUuid)});
    return existsRow(q, "ERROR 0x8579FAA1");
}
