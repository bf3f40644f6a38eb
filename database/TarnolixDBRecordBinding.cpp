// Bindings of persons, favorites and journal items to prepared statements,
// and the readers of favorite rows.

#include "database/TarnolixDB.h"

#include "core/Exception.h"
#include "database/TarnolixDBNames.h"

#include <QSqlQuery>

using tarnolixdb::optionalIndexValue;
using tarnolixdb::optionalTextValue;

namespace {

std::optional<quint64> indexFromColumn(const QSqlQuery& query, int column)
{
    const QVariant value = query.value(column);
    if (value.isNull())
        return std::nullopt;
    return value.toULongLong();
}

// NULL reads back as absent.
std::optional<QString> optionalTextColumn(const QSqlQuery& query, const QString& column)
{
    const QVariant value = query.value(column);
    if (value.isNull())
        return std::nullopt;
    return value.toString();
}

void readPosition(const QSqlQuery& query, int firstColumn, SelectedPosition& position)
{
    position.setSectionCode(query.value(firstColumn).toString());
    position.setSectionIndex(indexFromColumn(query, firstColumn + 1));
    position.setOffset(query.value(firstColumn + 2).toInt());
}

void bindPosition(QSqlQuery& query, const QString& prefix, const SelectedPosition& position)
{
    query.bindValue(QLatin1Char(':') + prefix + QStringLiteral("SectionSlug"),
                    optionalTextValue(position.sectionSlug()));
    query.bindValue(QLatin1Char(':') + prefix + QStringLiteral("SectionCode"), position.sectionCode());
    query.bindValue(QLatin1Char(':') + prefix + QStringLiteral("SectionIndex"),
                    optionalIndexValue(position.sectionIndex()));
    query.bindValue(QLatin1Char(':') + prefix + QStringLiteral("Offset"), position.offset());
}

struct TextColumns
{
    TarnolixDB::FavoriteColumn bit;
    const char* columns;
};

const TextColumns kTextColumns[] = {
    {TarnolixDB::FavoriteSectionSlugs, "startSectionSlug,endSectionSlug"},
    {TarnolixDB::FavoriteTitle, "title"},
    {TarnolixDB::FavoriteNote, "note"},
    {TarnolixDB::FavoriteQuotedText, "favoriteText"},
};

} // namespace

void TarnolixDB::bindPerson(QSqlQuery& query, const Person& person)
{
    query.bindValue(QStringLiteral(":id"), person.id);
    query.bindValue(QStringLiteral(":birthdayDay"), person.birthdayDay);
    query.bindValue(QStringLiteral(":birthdayMonth"), person.birthdayMonth);
    query.bindValue(QStringLiteral(":birthdayYear"), person.birthdayYear);
    query.bindValue(QStringLiteral(":slug"), person.slug);
    query.bindValue(QStringLiteral(":photo"), person.photo);
    QString roles = QLatin1String(""); // never NULL: no role is an empty text
    if (person.roles) {
        for (const QString& role : *person.roles)
            roles += role + QLatin1Char(';');
    }
    query.bindValue(QStringLiteral(":roles"), roles);
    bindPerLanguage(query, QStringLiteral("name"), person.name, false);
    bindPerLanguage(query, QStringLiteral("lastName"), person.lastName, false);
    bindPerLanguage(query, QStringLiteral("middleName"), person.middleName, false);
    bindPerLanguage(query, QStringLiteral("spiritalName"), person.spiritualName, false);
    bindPerLanguage(query, QStringLiteral("spiritalNameLC"), person.spiritualName, true);
    bindPerLanguage(query, QStringLiteral("description"), person.description, false);
}

void TarnolixDB::bindFavorite(QSqlQuery& query, const Favorite& favorite)
{
    if (!favorite.startSelectedPosition().sectionSlug() || !favorite.endSelectedPosition().sectionSlug())
        throw Exception(QStringLiteral("Не удалось добавить избранное: ERROR 0xA7B41495"));
    // A row stored without a uuid could never be updated or deleted, and it
    // would fail every later read of the times of change.
    if (favorite.uuid().isNull())
        throw Exception(QStringLiteral("Не удалось добавить избранное: ERROR 0x93E0C25B"));
    query.bindValue(QStringLiteral(":uuid"), uuidToVariant(favorite.uuid()));
    query.bindValue(QStringLiteral(":catalogUuid"), uuidToVariant(favorite.catalogUuid()));
    query.bindValue(QStringLiteral(":bookId"), favorite.bookId());
    query.bindValue(QStringLiteral(":language"), static_cast<int>(favorite.language()));
    bindPosition(query, QStringLiteral("start"), favorite.startSelectedPosition());
    bindPosition(query, QStringLiteral("end"), favorite.endSelectedPosition());
    query.bindValue(QStringLiteral(":title"), optionalTextValue(favorite.title()));
    query.bindValue(QStringLiteral(":note"), optionalTextValue(favorite.note()));
    query.bindValue(QStringLiteral(":favoriteText"), optionalTextValue(favorite.favoriteText()));
    query.bindValue(QStringLiteral(":timeOfChange"), favorite.timeOfChange());
}

void TarnolixDB::bindSyncItem(QSqlQuery& query, const FavoritesSyncItem& item)
{
    query.bindValue(QStringLiteral(":itemUuid"), uuidToVariant(item.itemUuid()));
    query.bindValue(QStringLiteral(":action"), item.actionVariant());
}

void TarnolixDB::appendFavoriteTextColumns(QString& sql, FavoriteColumns columns)
{
    for (const TextColumns& text : kTextColumns) {
        if (!(columns & text.bit))
            continue;
        if (!sql.isEmpty())
            sql += QLatin1Char(',');
        sql += QLatin1String(text.columns);
    }
}

void TarnolixDB::readFavoriteTextColumns(const QSqlQuery& query, Favorite& favorite, FavoriteColumns columns)
{
    if (columns & FavoriteSectionSlugs) {
        favorite.startSelectedPosition().setSectionSlug(optionalTextColumn(query, QStringLiteral("startSectionSlug")));
        favorite.endSelectedPosition().setSectionSlug(optionalTextColumn(query, QStringLiteral("endSectionSlug")));
    }
    if (columns & FavoriteTitle)
        favorite.setTitle(optionalTextColumn(query, QStringLiteral("title")));
    if (columns & FavoriteNote)
        favorite.setNote(optionalTextColumn(query, QStringLiteral("note")));
    if (columns & FavoriteQuotedText)
        favorite.setFavoriteText(optionalTextColumn(query, QStringLiteral("favoriteText")));
}

TarnolixDB::FavoritePtr TarnolixDB::readFavoriteRow(const QSqlQuery& query, FavoriteColumns columns)
{
    auto favorite = std::make_shared<Favorite>();
    favorite->setUuid(uuidFromColumn(query, 0));
    favorite->setCatalogUuid(uuidFromColumn(query, 1));
    readPosition(query, 2, favorite->startSelectedPosition());
    readPosition(query, 5, favorite->endSelectedPosition());
    favorite->setBookId(query.value(8).toInt());
    favorite->setLanguage(static_cast<TarnolixConstants::Language>(query.value(9).toInt()));
    favorite->setTimeOfChange(query.value(10).toLongLong());
    readFavoriteTextColumns(query, *favorite, columns);
    return favorite;
}

TarnolixDB::FavoritePtr TarnolixDB::readFavoriteRowOfBook(const QSqlQuery& query, int bookId,
                                                          TarnolixConstants::Language language)
{
    auto favorite = std::make_shared<Favorite>();
    favorite->setUuid(uuidFromColumn(query, 0));
    favorite->setCatalogUuid(uuidFromColumn(query, 1));
    readPosition(query, 2, favorite->startSelectedPosition());
    readPosition(query, 5, favorite->endSelectedPosition());
    favorite->setBookId(bookId);
    favorite->setLanguage(language);
    favorite->setTimeOfChange(query.value(8).toLongLong());
    return favorite;
}
