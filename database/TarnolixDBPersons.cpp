// Persons, publishers and person photos.

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
using tarnolixdb::likeEscape;
using tarnolixdb::likePrefix;

namespace {

[[noreturn]] void throwPersonNotFound()
{
    throw DBNotFound(QString::fromUtf8(TarnolixDB::kPersonNotFound));
}

// Rows of (id, spiritual name); each person carries `role` when one is given.
std::vector<TarnolixDB::PersonPtr> personNames(QSqlQuery& q, Language language, const QString& role = {})
{
    std::vector<TarnolixDB::PersonPtr> persons;
    while (q.next()) {
        auto person = std::make_shared<Person>();
        person->id = q.value(0).toInt();
        person->spiritualName[language] = q.value(1).toString();
        if (!role.isEmpty())
            person->roles->insert(role);
        persons.push_back(std::move(person));
    }
    return persons;
}

// The letter as a LIKE prefix of lower-case search keys; a null letter
// matches every name.
QString letterPattern(QChar letter)
{
    return likePrefix(letter.isNull() ? QString() : QString(letter.toLower()));
}

// The join of persons to the books they wrote in `language`; ends in WHERE.
QString authorsFrom(Language language)
{
    return QStringLiteral(" FROM Persons p INNER JOIN BookBaseAuthors bba, %1 bi ON bi.id=bba.bookId AND "
                          "bba.authorId=p.id WHERE ")
        .arg(languageTable("BookInfo", language));
}

// "p.<key> LIKE ? AND p.roles LIKE ?": a letter and a role, both bound.
QString letterAndRoleCondition(Language language)
{
    return QStringLiteral("p.%1 LIKE ?").arg(languageColumn("spiritalNameLC", language)) + likeEscape() +
           QStringLiteral(" AND p.roles LIKE ?") + likeEscape();
}

} // namespace

void TarnolixDB::deletePersons()
{
    execSql(QStringLiteral("DELETE FROM Persons"));
}

void TarnolixDB::deletePublishers()
{
    execSql(QStringLiteral("DELETE FROM Publishers"));
}

void TarnolixDB::insertPersons(const std::vector<PersonPtr>& persons)
{
    static const QString sql = insertStatement(
        QStringLiteral("Persons"),
        {QStringLiteral("id"), QStringLiteral("birthdayDay"), QStringLiteral("birthdayMonth"),
         QStringLiteral("birthdayYear"), QStringLiteral("slug"), QStringLiteral("photo"), QStringLiteral("roles")},
        {QStringLiteral("name"), QStringLiteral("lastName"), QStringLiteral("middleName"),
         QStringLiteral("spiritalName"), QStringLiteral("spiritalNameLC"), QStringLiteral("description")});
    DatabaseTransaction guard(shared_from_this(), "insert persons");
    QSqlQuery q = query(sql);
    for (const PersonPtr& person : persons) {
        bindPerson(q, *person);
        exec(q);
    }
    guard.commit();
}

void TarnolixDB::insertPublishers(const std::vector<std::shared_ptr<Publisher>>& publishers)
{
    static const QString sql =
        insertStatement(QStringLiteral("Publishers"), {QStringLiteral("id")}, {QStringLiteral("name")});
    DatabaseTransaction guard(shared_from_this(), "insert publishers");
    QSqlQuery q = query(sql);
    for (const auto& publisher : publishers) {
        q.bindValue(QStringLiteral(":id"), publisher->id);
        bindPerLanguage(q, QStringLiteral("name"), publisher->names, false);
        exec(q);
    }
    guard.commit();
}

TarnolixDB::PersonPtr TarnolixDB::selectPerson(Language language, int id)
{
    QSqlQuery q = execSql(QStringLiteral("SELECT id, %1, photo, birthdayDay, birthdayMonth, birthdayYear, slug, "
                                         "roles, %2, %3, %4, %5 FROM Persons WHERE id=?")
                              .arg(languageColumn("spiritalName", language), languageColumn("description", language),
                                   languageColumn("name", language), languageColumn("lastName", language),
                                   languageColumn("middleName", language)),
                          QVariantList{id});
    if (!q.next())
        throwPersonNotFound();
    auto person = std::make_shared<Person>();
    person->id = q.value(0).toInt();
    person->spiritualName[language] = q.value(1).toString();
    person->photo = q.value(2).toString();
    person->birthdayDay = q.value(3).toInt();
    person->birthdayMonth = q.value(4).toInt();
    person->birthdayYear = q.value(5).toInt();
    person->slug = q.value(6).toString();
    *person->roles = stringSetFromString(q.value(7).toString());
    person->description[language] = q.value(8).toString();
    person->name[language] = q.value(9).toString();
    person->lastName[language] = q.value(10).toString();
    person->middleName[language] = q.value(11).toString();
    return person;
}

TarnolixDB::PersonPtr TarnolixDB::selectPersonName(Language language, int id)
{
    return selectOnePersonName(language, QStringLiteral("id"), id);
}

TarnolixDB::PersonPtr TarnolixDB::selectPersonBySlug(Language language, const QString& slug)
{
    return selectOnePersonName(language, QStringLiteral("slug"), slug);
}

TarnolixDB::PersonPtr TarnolixDB::selectOnePersonName(Language language, const QString& keyColumn, const QVariant& key)
{
    QSqlQuery q = execSql(QStringLiteral("SELECT id, %1 FROM Persons WHERE %2=?")
                              .arg(languageColumn("spiritalName", language), keyColumn),
                          QVariantList{key});
    std::vector<PersonPtr> persons = personNames(q, language);
    if (persons.empty())
        throwPersonNotFound();
    return persons.front();
}

std::vector<TarnolixDB::PersonPtr> TarnolixDB::selectPersonsByIds(Language language, const std::vector<int>& ids)
{
    QString sql =
        QStringLiteral("SELECT id, %1 FROM Persons WHERE id IN(").arg(languageColumn("spiritalName", language));
    appendIdList(sql, ids);
    sql += QLatin1Char(')');
    QSqlQuery q = execSql(sql, true);
    return personNames(q, language);
}

QChar TarnolixDB::selectPersonFirstLetter(Language language, int id)
{
    QSqlQuery q = execSql(QStringLiteral("SELECT SUBSTR(%1, 1, 1) FROM Persons WHERE id=?")
                              .arg(languageColumn("spiritalNameLC", language)),
                          QVariantList{id});
    if (!q.next())
        throwPersonNotFound();
    const QString letter = q.value(0).toString();
    return letter.isEmpty() ? QChar() : letter.at(0);
}

QString TarnolixDB::selectPersonPhotoSource(int id)
{
    QSqlQuery q = execSql(QStringLiteral("SELECT photo FROM Persons WHERE id=?"), QVariantList{id});
    if (!q.next())
        throwPersonNotFound();
    return q.value(0).toString();
}

std::set<QChar> TarnolixDB::selectAuthorsFirstLetters(Language language, const QString& role)
{
    const QString key = languageColumn("spiritalNameLC", language);
    QSqlQuery q = execSql(QStringLiteral("SELECT DISTINCT(SUBSTR(p.%1, 1, 1)) as l").arg(key) + authorsFrom(language) +
                              QStringLiteral("p.%1 IS NOT NULL AND p.roles LIKE ?").arg(key) + likeEscape(),
                          QVariantList{likeContains(role)});
    std::set<QChar> letters;
    while (q.next()) {
        // An empty name has no letter to list it under.
        const QString letter = q.value(0).toString();
        if (!letter.isEmpty())
            letters.insert(letter.at(0).toUpper());
    }
    return letters;
}

int TarnolixDB::selectAuthorsCount(Language language, const QString& role, QChar letter)
{
    QSqlQuery q = execSql(QStringLiteral("SELECT count(DISTINCT(p.id))") + authorsFrom(language) +
                              letterAndRoleCondition(language),
                          QVariantList{letterPattern(letter), likeContains(role)});
    if (!q.next())
        throw Exception("ERROR 0x88967528");
    return q.value(0).toInt();
}

std::vector<TarnolixDB::PersonPtr> TarnolixDB::selectAuthors(Language language, const QString& role, QChar letter)
{
    const QString name = languageColumn("spiritalName", language);
    QSqlQuery q = execSql(QStringLiteral("SELECT DISTINCT(p.id), p.%1").arg(name) + authorsFrom(language) +
                              letterAndRoleCondition(language) + QStringLiteral(" ORDER BY p.%1 ASC").arg(name),
                          QVariantList{letterPattern(letter), likeContains(role)});
    return personNames(q, language, role);
}

std::vector<int> TarnolixDB::selectAuthorIds(Language language, const QString& role, QChar letter)
{
    QSqlQuery q =
        execSql(QStringLiteral("SELECT DISTINCT(p.id)") + authorsFrom(language) + letterAndRoleCondition(language) +
                    QStringLiteral(" ORDER BY p.%1 ASC").arg(languageColumn("spiritalName", language)),
                QVariantList{letterPattern(letter), likeContains(role)});
    return intColumn(q);
}

std::vector<TarnolixDB::PersonPtr> TarnolixDB::selectPersonsFromCatalogSearch(Language language, int type,
                                                                              const QString& role)
{
    const QString name = languageColumn("spiritalName", language);
    QSqlQuery q = execSql(QStringLiteral("SELECT p.id, p.%1 FROM Persons p INNER JOIN CatalogSearch cs ON cs.type=? "
                                         "AND cs.id=p.id WHERE p.roles LIKE ?")
                                  .arg(name) +
                              likeEscape() + QStringLiteral(" ORDER BY p.%1 ASC").arg(name),
                          QVariantList{type, likeContains(role)});
    return personNames(q, language, role);
}

std::vector<TarnolixDB::PersonPtr> TarnolixDB::selectPersonsByExactName(Language language, const QString& text,
                                                                        const QString& role)
{
    QSqlQuery q =
        execSql(QStringLiteral("SELECT id, %1 FROM Persons WHERE %2 = ? AND roles LIKE ?")
                        .arg(languageColumn("spiritalName", language), languageColumn("spiritalNameLC", language)) +
                    likeEscape(),
                QVariantList{removeDiacritics(language, text), likeContains(role)});
    return personNames(q, language, role);
}

void TarnolixDB::insertPersonPhoto(int personId, int format, const QByteArray& data, const QString& downloadLink)
{
    static const QString sql =
        upsertStatement(QStringLiteral("PersonsPhotos"), QStringLiteral("personId"),
                        {QStringLiteral("format"), QStringLiteral("data"), QStringLiteral("downloadLink")});
    execSql(sql, QVariantMap{{QStringLiteral(":personId"), personId},
                             {QStringLiteral(":format"), format},
                             {QStringLiteral(":data"), data},
                             {QStringLiteral(":downloadLink"), downloadLink}});
}

void TarnolixDB::deletePersonPhoto(int personId)
{
    execSql(QStringLiteral("DELETE FROM PersonsPhotos WHERE personId=?"), QVariantList{personId});
}

std::pair<int, QByteArray> TarnolixDB::selectPersonPhoto(int personId)
{
    QSqlQuery q =
        execSql(QStringLiteral("SELECT format, data FROM PersonsPhotos WHERE personId=?"), QVariantList{personId});
    if (!q.next())
        throw DBNotFound(QString::fromUtf8(kPersonPhotoNotFound));
    return {q.value(0).toInt(), q.value(1).toByteArray()};
}

QString TarnolixDB::selectPersonPhotoDownloadLink(int personId)
{
    QSqlQuery q =
        execSql(QStringLiteral("SELECT downloadLink FROM PersonsPhotos WHERE personId=?"), QVariantList{personId});
    if (!q.next())
        throw DBNotFound(QString::fromUtf8(kPersonPhotoNotFound));
    return q.value(0).toString();
}

std::vector<int> TarnolixDB::selectIntColumn(const QString& column, const QString& table, const QString& keyColumn,
                                             int key)
{
    for (const QString& name : {column, table, keyColumn})
        checkIdentifier(name);
    QSqlQuery q =
        execSql(QStringLiteral("SELECT %1 FROM %2 WHERE %3=?").arg(column, table, keyColumn), QVariantList{key});
    return intColumn(q);
}
