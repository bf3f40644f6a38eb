#include "tests/database/CatalogFixture.h"

#include "core/Exception.h"
#include "database/DatabaseTransaction.h"
#include "tests/core/ExceptionText.h"

using Lang = TarnolixConstants::Language;
constexpr Lang kRu = TarnolixConstants::Russian;
constexpr Lang kEn = TarnolixConstants::English;

namespace {

const QString kAuthor = QStringLiteral("author");
const QString kTranslator = QStringLiteral("translator");

std::shared_ptr<Person> person(int id, const QString& ru, const PersonRoles& roles, const QString& en = {})
{
    auto p = std::make_shared<Person>();
    p->id = id;
    p->slug = QStringLiteral("person-%1").arg(id);
    if (!ru.isNull())
        p->spiritualName[kRu] = ru;
    if (!en.isNull())
        p->spiritualName[kEn] = en;
    *p->roles = roles;
    return p;
}

std::vector<int> idsOf(const std::vector<TarnolixDB::PersonPtr>& persons)
{
    std::vector<int> ids;
    for (const auto& p : persons)
        ids.push_back(p->id);
    return ids;
}

std::vector<QString> namesOf(const std::vector<TarnolixDB::PersonPtr>& persons, Lang language)
{
    std::vector<QString> names;
    for (const auto& p : persons)
        names.push_back(p->spiritualName.at(language));
    return names;
}

} // namespace

class Persons : public CatalogFixture
{
protected:
    QVariant column(const QString& column, int id)
    {
        QSqlQuery q = db->execSql(QStringLiteral("SELECT %1 FROM Persons WHERE id=?").arg(column), QVariantList{id});
        return q.next() ? q.value(0) : QVariant(QStringLiteral("<no row>"));
    }

    // Russian authors: 1 and 2 under "А", 3 under "Б"; 4 under "А" has an
    // English book only; 5 is a translator only; 6 has only an English name
    // and book.
    void addAuthors()
    {
        db->insertPersons({person(1, QStringLiteral("Ананта Шеша"), {kAuthor}),
                           person(2, QStringLiteral("арджуна"), {kAuthor, kTranslator}),
                           person(3, QStringLiteral("Бхима"), {kAuthor}),
                           person(4, QStringLiteral("Акрура"), {kAuthor}, QStringLiteral("Akrura")),
                           person(5, QStringLiteral("Анирудха"), {kTranslator}),
                           person(6, QString(), {kAuthor}, QStringLiteral("Vyasa"))});
        addBookInfo(kRu, 10, QStringLiteral("Первая"));
        addBookInfo(kRu, 11, QStringLiteral("Вторая"));
        addBookInfo(kEn, 12, QStringLiteral("First"));
        link("BookBaseAuthors", "authorId", 10, 1);
        link("BookBaseAuthors", "authorId", 11, 1); // two books, listed once
        link("BookBaseAuthors", "authorId", 10, 2);
        link("BookBaseAuthors", "authorId", 11, 3);
        link("BookBaseAuthors", "authorId", 12, 4); // English book only
        link("BookBaseAuthors", "authorId", 10, 5);
        link("BookBaseAuthors", "authorId", 12, 6);
    }
};

TEST_F(Persons, RolesAreStoredEachFollowedBySemicolonAndReadBackAsTheSameSet)
{
    db->insertPersons(
        {person(1, QStringLiteral("Нарада"), {kAuthor, kTranslator}), person(2, QStringLiteral("Шука"), {})});
    EXPECT_EQ(column(QStringLiteral("roles"), 1).toString(), QStringLiteral("author;translator;"));
    const QVariant none = column(QStringLiteral("roles"), 2);
    EXPECT_FALSE(none.isNull());
    EXPECT_EQ(none.toString(), QString());

    EXPECT_EQ(*db->selectPerson(kRu, 1)->roles, (PersonRoles{kAuthor, kTranslator}));
    EXPECT_TRUE(db->selectPerson(kRu, 2)->roles->empty());
    for (const QString& role : {kAuthor, kTranslator})
        EXPECT_EQ(idsOf(db->selectPersonsByExactName(kRu, QStringLiteral("НАРАДА"), role)), std::vector<int>{1});
}

TEST_F(Persons, ReadsFillTheAskedLanguageAndKeepAbsentTextsNull)
{
    auto p = person(7, QStringLiteral("Вья̄са"), {kAuthor}, QStringLiteral("Vyāsa"));
    p->name[kRu] = QStringLiteral("Кришна");
    p->lastName[kRu] = QStringLiteral("Двайпаяна");
    p->middleName[kEn] = QStringLiteral("Middle");
    p->description[kRu] = QStringLiteral("Составитель");
    p->photo = QStringLiteral("photos/7.jpg");
    p->birthdayDay = 3;
    p->birthdayMonth = 4;
    p->birthdayYear = -3100;
    p->slug = QStringLiteral("vyasa");
    db->insertPersons({p});

    EXPECT_TRUE(column(QStringLiteral("name_en"), 7).isNull());
    EXPECT_EQ(column(QStringLiteral("spiritalNameLC_ru"), 7).toString(), QStringLiteral("вьяса"));
    EXPECT_EQ(column(QStringLiteral("spiritalNameLC_en"), 7).toString(), QStringLiteral("vyasa"));

    const auto ru = db->selectPerson(kRu, 7);
    EXPECT_EQ(ru->spiritualName.at(kRu), QStringLiteral("Вья̄са"));
    EXPECT_EQ(ru->name.at(kRu), QStringLiteral("Кришна"));
    EXPECT_EQ(ru->lastName.at(kRu), QStringLiteral("Двайпаяна"));
    EXPECT_EQ(ru->description.at(kRu), QStringLiteral("Составитель"));
    EXPECT_EQ(ru->middleName.at(kRu), QString()); // none in Russian: empty, no error
    EXPECT_EQ(ru->spiritualName.count(kEn), 0u);
    EXPECT_EQ(ru->photo, QStringLiteral("photos/7.jpg"));
    EXPECT_EQ(ru->slug, QStringLiteral("vyasa"));
    EXPECT_EQ(std::make_tuple(ru->birthdayDay, ru->birthdayMonth, ru->birthdayYear), std::make_tuple(3, 4, -3100));
    EXPECT_EQ(db->selectPerson(kEn, 7)->middleName.at(kEn), QStringLiteral("Middle"));

    EXPECT_EQ(db->selectPersonName(kEn, 7)->spiritualName.at(kEn), QStringLiteral("Vyāsa"));
    EXPECT_EQ(db->selectPersonFirstLetter(kRu, 7), QChar(0x0432)); // в
    EXPECT_EQ(db->selectPersonPhotoSource(7), QStringLiteral("photos/7.jpg"));
    EXPECT_EQ(db->selectPersonBySlug(kRu, QStringLiteral("vyasa"))->id, 7);
}

TEST_F(Persons, LookupsByKeyReportMissingRowsAndBindTheirTexts)
{
    auto p = person(8, QStringLiteral("Д'Артаньян"), {kAuthor});
    p->slug = QStringLiteral("d'artagnan");
    db->insertPersons({p, person(9, QStringLiteral("Арамис"), {kAuthor})});

    // Quotes in slugs and names are values, not statement text.
    EXPECT_EQ(db->selectPersonBySlug(kRu, QStringLiteral("d'artagnan"))->id, 8);
    EXPECT_EQ(idsOf(db->selectPersonsByExactName(kRu, QStringLiteral("Д'Артаньян"), kAuthor)), std::vector<int>{8});

    const QString notFound = QStringLiteral("Person not found");
    EXPECT_EQ(errorOf([&] { db->selectPerson(kRu, 99); }), notFound);
    EXPECT_EQ(errorOf([&] { db->selectPersonName(kRu, 99); }), notFound);
    EXPECT_EQ(errorOf([&] { db->selectPersonBySlug(kRu, QStringLiteral("x' OR '1'='1")); }), notFound);
    EXPECT_EQ(errorOf([&] { db->selectPersonFirstLetter(kRu, 99); }), notFound);
    EXPECT_EQ(errorOf([&] { db->selectPersonPhotoSource(99); }), notFound);
    EXPECT_THROW(db->selectPerson(kRu, 99), DBNotFound);

    std::vector<int> ids = idsOf(db->selectPersonsByIds(kRu, {9, 8, 99}));
    std::sort(ids.begin(), ids.end());
    EXPECT_EQ(ids, (std::vector<int>{8, 9}));
    EXPECT_EQ(errorOf([&] { db->selectPersonsByIds(kRu, {}); }), QStringLiteral("ids is empty"));
}

TEST_F(Persons, AuthorsByLetterAndRoleHaveABookInTheLanguageAndAreListedOnceByName)
{
    addAuthors();
    EXPECT_EQ(db->selectAuthorsFirstLetters(kRu, kAuthor), (std::set<QChar>{QChar(0x0410), QChar(0x0411)})); // А Б
    EXPECT_EQ(db->selectAuthorsFirstLetters(kEn, kAuthor), (std::set<QChar>{QChar('A'), QChar('V')}));

    const QChar upperA(0x0410);
    const auto authors = db->selectAuthors(kRu, kAuthor, upperA);
    EXPECT_EQ(namesOf(authors, kRu), (std::vector<QString>{QStringLiteral("Ананта Шеша"), QStringLiteral("арджуна")}));
    for (const auto& a : authors)
        EXPECT_EQ(*a->roles, PersonRoles{kAuthor});
    EXPECT_EQ(db->selectAuthorIds(kRu, kAuthor, upperA), (std::vector<int>{1, 2}));
    EXPECT_EQ(db->selectAuthorsCount(kRu, kAuthor, upperA), 2);
    // Ordered by the stored name, as SQLite compares it: capitals first.
    EXPECT_EQ(db->selectAuthorIds(kRu, kTranslator, upperA), (std::vector<int>{5, 2}));
    EXPECT_EQ(db->selectAuthorIds(kRu, kAuthor, QChar(0x0431)), std::vector<int>{3}); // б
    EXPECT_EQ(db->selectAuthorIds(kEn, kAuthor, QChar('v')), std::vector<int>{6});
    EXPECT_EQ(db->selectAuthorIds(kEn, kAuthor, QChar('A')), std::vector<int>{4});
}

TEST_F(Persons, RoleAndLetterAreMatchedLiterally)
{
    addAuthors();
    // Wildcards in a role or letter match only themselves: no person has them.
    EXPECT_TRUE(db->selectAuthors(kRu, QStringLiteral("%"), QChar(0x0410)).empty());
    EXPECT_TRUE(db->selectAuthorIds(kRu, kAuthor, QChar('_')).empty());
    EXPECT_EQ(db->selectAuthorsCount(kRu, kAuthor, QChar('%')), 0);
    EXPECT_TRUE(db->selectAuthorsFirstLetters(kRu, QStringLiteral("_uthor")).empty());
    EXPECT_EQ(db->selectAuthorsCount(kRu, QStringLiteral("' OR 1=1 --"), QChar(0x0410)), 0);
    // A role is found anywhere in the roles text.
    EXPECT_EQ(db->selectAuthorIds(kRu, QStringLiteral("thor"), QChar(0x0411)), std::vector<int>{3});
}

TEST_F(Persons, CatalogSearchPersonsAreThoseOfTheTypeWithTheRoleByName)
{
    addAuthors();
    for (int id : {3, 1, 5})
        db->execSql(QStringLiteral("INSERT INTO CatalogSearch(id, type) VALUES(?, ?)"),
                    QVariantList{id, TarnolixDB::CatalogSearchPerson});
    db->execSql(QStringLiteral("INSERT INTO CatalogSearch(id, type) VALUES(2, ?)"),
                QVariantList{TarnolixDB::CatalogSearchBook});
    const auto found = db->selectPersonsFromCatalogSearch(kRu, TarnolixDB::CatalogSearchPerson, kAuthor);
    EXPECT_EQ(idsOf(found), (std::vector<int>{1, 3}));
    EXPECT_EQ(*found.front()->roles, PersonRoles{kAuthor});
}

TEST_F(Persons, PersonsAndPublishersAreReplacedAsASetAndABatchIsAllOrNothing)
{
    db->insertPersons({person(1, QStringLiteral("Старый"), {kAuthor}), person(2, QStringLiteral("Другой"), {})});
    {
        DatabaseTransaction guard(db, "reference update");
        db->deletePersons();
        db->insertPersons({person(3, QStringLiteral("Новый"), {kAuthor})});
        guard.commit();
    }
    EXPECT_EQ(count(QStringLiteral("SELECT count(*) FROM Persons")), 1);
    EXPECT_EQ(db->selectPersonName(kRu, 3)->spiritualName.at(kRu), QStringLiteral("Новый"));

    // A duplicate id fails the batch: none of it stays.
    EXPECT_THROW(db->insertPersons({person(4, QStringLiteral("Ещё"), {}), person(3, QStringLiteral("Дубль"), {})}),
                 DBException);
    EXPECT_EQ(count(QStringLiteral("SELECT count(*) FROM Persons")), 1);
    EXPECT_EQ(errorOf([&] { db->selectPersonName(kRu, 4); }), QStringLiteral("Person not found"));

    auto publisher = std::make_shared<Publisher>();
    publisher->id = 5;
    publisher->names[kRu] = QStringLiteral("Издательство");
    db->insertPublishers({publisher});
    EXPECT_EQ(db->selectPublisher(kRu, 5)->names.at(kRu), QStringLiteral("Издательство"));
    EXPECT_EQ(db->selectPublisher(kEn, 5)->names.at(kEn), QString());
    EXPECT_THROW(db->insertPublishers({publisher}), DBException);
    db->deletePublishers();
    EXPECT_EQ(errorOf([&] { db->selectPublisher(kRu, 5); }), QStringLiteral("Publisher not found"));
}

TEST_F(Persons, PhotoQueueHoldsEachPersonOnceAndPhotosAreReplaced)
{
    EXPECT_EQ(db->countPFLP(), 0);
    try {
        db->selectFirstPFLP();
        ADD_FAILURE() << "an empty queue must throw";
    } catch (const DBNotFound& e) {
        EXPECT_TRUE(e.message().isEmpty());
    }

    db->insertPFLP({5, 6, 5});
    db->insertPFLP({6}); // still queued from an earlier update
    EXPECT_EQ(db->countPFLP(), 2);
    const int first = db->selectFirstPFLP();
    db->deleteFromPFLP(first);
    EXPECT_EQ(db->countPFLP(), 1);
    EXPECT_NE(db->selectFirstPFLP(), first);

    EXPECT_EQ(errorOf([&] { db->selectPersonPhoto(5); }), QStringLiteral("Person photo not found"));
    db->insertPersonPhoto(5, 1, QByteArray("old\0bytes", 9), QStringLiteral("https://x.invalid/old.jpg"));
    db->insertPersonPhoto(5, 2, QByteArray("new\0bytes", 9), QStringLiteral("https://x.invalid/new.jpg"));
    EXPECT_EQ(db->selectPersonPhoto(5), std::make_pair(2, QByteArray("new\0bytes", 9)));
    EXPECT_EQ(db->selectPersonPhotoDownloadLink(5), QStringLiteral("https://x.invalid/new.jpg"));
    db->deletePersonPhoto(5);
    EXPECT_EQ(errorOf([&] { db->selectPersonPhotoDownloadLink(5); }), QStringLiteral("Person photo not found"));
}

TEST_F(Persons, IntColumnReadsTheLinkListAndRefusesNamesThatAreNotIdentifiers)
{
    link("BookBaseAuthors", "authorId", 10, 1);
    link("BookBaseAuthors", "authorId", 10, 2);
    link("BookBaseAuthors", "authorId", 11, 3);
    std::vector<int> authors = db->selectIntColumn(QStringLiteral("authorId"), QStringLiteral("BookBaseAuthors"),
                                                   QStringLiteral("bookId"), 10);
    std::sort(authors.begin(), authors.end());
    EXPECT_EQ(authors, (std::vector<int>{1, 2}));
    EXPECT_THROW(db->selectIntColumn(QStringLiteral("authorId"), QStringLiteral("BookBaseAuthors; DROP TABLE Persons"),
                                     QStringLiteral("bookId"), 10),
                 Exception);
}
