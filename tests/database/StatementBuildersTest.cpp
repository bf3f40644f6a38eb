#include "core/Exception.h"
#include "tests/database/LibraryFixture.h"

#include <QSqlError>

namespace {

using Builders = LibraryFixture;

QStringList list(std::initializer_list<const char*> items)
{
    QStringList result;
    for (const char* item : items)
        result << QString::fromLatin1(item);
    return result;
}

} // namespace

TEST_F(Builders, StatementTexts)
{
    struct Case
    {
        QString actual;
        const char* expected;
    };
    const Case cases[] = {
        {db->insertStatement("GlossaryWords", list({"id", "data"})),
         "INSERT INTO GlossaryWords(id, data) VALUES(:id, :data)"},
        {db->insertStatement("T", {}, list({"x"})), "INSERT INTO T(x_ru, x_en, x_st) VALUES(:x_ru, :x_en, :x_st)"},
        {db->insertStatement("Publishers", list({"id"}), list({"name"})),
         "INSERT INTO Publishers(id, name_ru, name_en, name_st) VALUES(:id, :name_ru, :name_en, :name_st)"},
        {db->updateStatement("Categories", {}, list({"booksExists"})),
         "UPDATE Categories SET booksExists_ru=:booksExists_ru, booksExists_en=:booksExists_en, "
         "booksExists_st=:booksExists_st"},
        {db->updateStatement("BookBase", list({"slug", "name"})), "UPDATE BookBase SET slug=:slug, name=:name"},
        {db->upsertStatement("BooksCovers", "bookId", list({"format", "data"})),
         "INSERT INTO BooksCovers(format, data, bookId) VALUES(:format, :data, :bookId) ON CONFLICT(bookId) DO "
         "UPDATE SET format=:format, data=:data"},
        {db->upsertStatement("BFLC", "id", {}), "INSERT INTO BFLC(id) VALUES(:id) ON CONFLICT(id) DO NOTHING"},
        {db->upsertStatement("ArchiBooks", "id", {}, list({"name"})),
         "INSERT INTO ArchiBooks(id, name_ru, name_en, name_st) VALUES(:id, :name_ru, :name_en, :name_st) ON "
         "CONFLICT(id) DO UPDATE SET name_ru=:name_ru, name_en=:name_en, name_st=:name_st"},
        {TarnolixDB::joinColumns(list({"a", "b"}), "[", "]", "|"), "[a]|[b]"},
        {TarnolixDB::joinColumns({}, "[", "]", "|"), ""},
        {TarnolixDB::assignmentList({}), ""},
        {db->perLanguageDefinitions(list({"name", "nameLC"}), "TEXT"),
         "name_ru TEXT, name_en TEXT, name_st TEXT, nameLC_ru TEXT, nameLC_en TEXT, nameLC_st TEXT"},
        {db->perLanguageNames(list({"a", "b"})), "a_ru, a_en, a_st, b_ru, b_en, b_st"},
        {db->perLanguagePlaceholders(list({"a"})), ":a_ru, :a_en, :a_st"},
        {db->perLanguageNames({}), ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.actual, QString::fromLatin1(c.expected));

    const TarnolixDB::LanguageColumns& name = db->columnsForLanguages("name");
    EXPECT_EQ(name.names, list({"name_ru", "name_en", "name_st"}));
    EXPECT_EQ(name.byLanguage.at(TarnolixConstants::English), "name_en");
    EXPECT_EQ(name.byLanguage.at(TarnolixConstants::Russian), "name_ru");
    EXPECT_EQ(name.byLanguage.at(TarnolixConstants::Sanskrit), "name_st");
    EXPECT_EQ(&db->columnsForLanguages("name"), &name) << "one cache entry per logical column";
}

TEST_F(Builders, BuiltUpsertsRunWithRepeatedPlaceholders)
{
    // The DO UPDATE part names the same placeholders as VALUES: each is bound once.
    QSqlQuery q = db->query(db->upsertStatement("BooksCovers", "bookId", list({"format", "data"})));
    for (const auto& [format, data] : {std::pair{1, QByteArray("png")}, std::pair{2, QByteArray("jpg")}}) {
        q.bindValue(":bookId", 7);
        q.bindValue(":format", format);
        q.bindValue(":data", data);
        db->exec(q);
    }
    QSqlQuery row = db->execSql("SELECT count(*), format, data FROM BooksCovers WHERE bookId=7");
    ASSERT_TRUE(row.next());
    EXPECT_EQ(row.value(0).toInt(), 1);
    EXPECT_EQ(row.value(1).toInt(), 2);
    EXPECT_EQ(row.value(2).toByteArray(), QByteArray("jpg"));

    QSqlQuery nothing = db->query(db->upsertStatement("BFLC", "id", {}));
    for (int i = 0; i < 2; ++i) {
        nothing.bindValue(":id", 5);
        db->exec(nothing);
    }
    EXPECT_EQ(count("SELECT count(*) FROM BFLC"), 1);
}

TEST_F(Builders, LinkRows)
{
    db->insertLinkRows("BookBaseAuthors", "bookId", "authorId", 17, {4, 9, 4});
    db->insertLinkRows("BookBaseAuthors", "bookId", "authorId", 18, {});
    QSqlQuery q = db->execSql("SELECT bookId, authorId FROM BookBaseAuthors ORDER BY rowid");
    QStringList rows;
    while (q.next())
        rows << q.value(0).toString() + ":" + q.value(1).toString();
    EXPECT_EQ(rows, list({"17:4", "17:9", "17:4"}));

    try {
        db->insertLinkRows("NoSuchTable", "bookId", "authorId", 1, {1});
        FAIL() << "a missing table must throw";
    } catch (const DBException& e) {
        EXPECT_TRUE(e.message().contains("INSERT INTO NoSuchTable (bookId, authorId) VALUES (1, :authorId)"))
            << e.what();
    }
}

TEST_F(Builders, InListsOfIdsAreDecimal)
{
    struct Case
    {
        std::vector<int> ids;
        const char* text;
    };
    for (const Case& c : {Case{{7}, "7"}, Case{{1, 2, 3}, "1,2,3"}, Case{{-4, 0, 2147483647}, "-4,0,2147483647"}}) {
        QString sql = "IN(";
        TarnolixDB::appendIdList(sql, c.ids);
        EXPECT_EQ(sql, QString("IN(") + c.text);
    }
    QString fromSet;
    TarnolixDB::appendIdList(fromSet, std::unordered_set<int>{5, 6});
    EXPECT_TRUE(fromSet == "5,6" || fromSet == "6,5") << fromSet.toStdString();

    struct Empty
    {
        std::function<void(QString&)> append;
        const char* message;
    };
    QVariantList values;
    const Empty empties[] = {
        {[](QString& s) { TarnolixDB::appendIdList(s, std::vector<int>{}); }, "ids is empty"},
        {[](QString& s) { TarnolixDB::appendIdList(s, std::unordered_set<int>{}); }, "ids is empty"},
        {[&](QString& s) { TarnolixDB::appendQuotedStringList(s, {}, values); }, "ids is empty(2)"},
        {[&](QString& s) { TarnolixDB::appendUuidList(s, {}, values); }, "ids is empty(4)"},
    };
    for (const Empty& e : empties) {
        QString sql = "SELECT 1 WHERE x IN(";
        try {
            e.append(sql);
            ADD_FAILURE() << "an empty list must throw " << e.message;
        } catch (const Exception& ex) {
            EXPECT_STREQ(ex.what(), e.message);
        }
        EXPECT_EQ(sql, "SELECT 1 WHERE x IN(") << "nothing appended";
        EXPECT_TRUE(values.isEmpty());
    }
}

TEST_F(Builders, InListsOfTextsAndUuidsAreBound)
{
    db->execSql("INSERT INTO BookParts2(sectionCode, title) VALUES('a.1', 'one'), ('b''2', 'two'), ('c', 'three')");

    QString sql = "SELECT title FROM BookParts2 WHERE sectionCode IN(";
    QVariantList values;
    // The quote and the injection attempt are values, not statement text.
    TarnolixDB::appendQuotedStringList(sql, {"a.1", "b'2", "x') OR ('1'='1"}, values);
    sql += ") ORDER BY title";
    EXPECT_EQ(sql, "SELECT title FROM BookParts2 WHERE sectionCode IN(?,?,?) ORDER BY title");
    QSqlQuery q = db->execSql(sql, values);
    QStringList titles;
    while (q.next())
        titles << q.value(0).toString();
    EXPECT_EQ(titles, list({"one", "two"}));

    const QUuid first = QUuid::createUuid();
    const QUuid second = QUuid::createUuid();
    db->execSql("INSERT INTO FavoritesToSync(itemUuid, action) VALUES(?, 1), (?, 2), (?, 1)",
                QVariantList{TarnolixDB::uuidToString(first), TarnolixDB::uuidToString(second),
                             TarnolixDB::uuidToString(QUuid::createUuid())});
    QString uuidSql = "SELECT count(*) FROM FavoritesToSync WHERE itemUuid IN(";
    QVariantList uuidValues{};
    TarnolixDB::appendUuidList(uuidSql, {first, second}, uuidValues);
    uuidSql += ")";
    EXPECT_EQ(uuidSql, "SELECT count(*) FROM FavoritesToSync WHERE itemUuid IN(?,?)");
    EXPECT_EQ(uuidValues, (QVariantList{first.toString(QUuid::WithoutBraces), second.toString(QUuid::WithoutBraces)}));
    EXPECT_EQ(count(uuidSql, uuidValues), 2);
}

TEST_F(Builders, UuidColumnValues)
{
    const QUuid uuid("{0f8fad5b-d9cb-469f-a165-70867728950e}");
    EXPECT_EQ(TarnolixDB::uuidToString(uuid), "0f8fad5b-d9cb-469f-a165-70867728950e");
    EXPECT_EQ(TarnolixDB::uuidToVariant(uuid).toString(), "0f8fad5b-d9cb-469f-a165-70867728950e");
    EXPECT_EQ(TarnolixDB::uuidFromString("0f8fad5b-d9cb-469f-a165-70867728950e"), uuid);
    EXPECT_EQ(TarnolixDB::uuidFromString("{0F8FAD5B-D9CB-469F-A165-70867728950E}"), uuid);

    for (const char* bad : {"", "not a uuid", "00000000-0000-0000-0000-000000000000"}) {
        try {
            TarnolixDB::uuidFromString(bad);
            ADD_FAILURE() << "must refuse " << bad;
        } catch (const Exception& e) {
            EXPECT_STREQ(e.what(), "ERROR 0xFA472465");
        }
    }

    // A null UUID is stored as NULL and read back as null.
    QSqlQuery insert = db->query("INSERT INTO FavoritesCatalog(uuid, parentUuid, name) VALUES(:uuid, :parent, 'x')");
    insert.bindValue(":uuid", TarnolixDB::uuidToVariant(uuid));
    insert.bindValue(":parent", TarnolixDB::uuidToVariant(QUuid()));
    db->exec(insert);
    QSqlQuery q = db->execSql("SELECT uuid, parentUuid, parentUuid IS NULL FROM FavoritesCatalog");
    ASSERT_TRUE(q.next());
    EXPECT_EQ(TarnolixDB::uuidFromColumn(q, 0), uuid);
    EXPECT_TRUE(TarnolixDB::uuidFromColumn(q, 1).isNull());
    EXPECT_EQ(q.value(2).toInt(), 1);
}

TEST_F(Builders, ListColumnValues)
{
    using Languages = std::vector<TarnolixConstants::Language>;
    EXPECT_EQ(TarnolixDB::languagesFromString(";;ru;xx;en"),
              (Languages{TarnolixConstants::Russian, TarnolixConstants::English}));
    EXPECT_EQ(TarnolixDB::languagesFromString("st;RU"), Languages{TarnolixConstants::Sanskrit})
        << "codes are case-sensitive";
    EXPECT_TRUE(TarnolixDB::languagesFromString("").empty());
    EXPECT_EQ(TarnolixDB::stringSetFromString("b;a;b;;"), (std::set<QString>{"a", "b"}));
    EXPECT_TRUE(TarnolixDB::stringSetFromString(";").empty());
}

TEST_F(Builders, LibraryEmptiness)
{
    EXPECT_TRUE(db->isLibraryEmpty());
    db->execSql("INSERT INTO BookBase(id) VALUES(1)");
    EXPECT_FALSE(db->isLibraryEmpty()) << "the last table counts too";
    db->execSql("DELETE FROM BookBase");

    // A category answers at once: the later tables are never read.
    db->execSql("INSERT INTO Categories(id) VALUES(1)");
    db->execSql("DROP TABLE Publishers");
    EXPECT_FALSE(db->isLibraryEmpty());
    db->execSql("DELETE FROM Categories");
    EXPECT_THROW(db->isLibraryEmpty(), DBException);
}

TEST_F(Builders, PerLanguageTextsAndTheirSearchKeys)
{
    QSqlQuery q = db->query(db->insertStatement("Categories", list({"id"}), list({"name", "nameLC"})));
    const std::map<TarnolixConstants::Language, QString> names{
        {TarnolixConstants::Russian, QString::fromUtf8("«Нитья-шастра»")},
        {TarnolixConstants::English, QString::fromUtf8("  Śānti  Ṛṣi-kathā!")},
    };
    q.bindValue(":id", 1);
    db->bindPerLanguage(q, "name", names, false);
    db->bindPerLanguage(q, "nameLC", names, true);
    db->exec(q);

    QSqlQuery row = db->execSql("SELECT name_ru, name_en, name_st IS NULL, nameLC_ru, nameLC_en, nameLC_st IS NULL "
                                "FROM Categories WHERE id=1");
    ASSERT_TRUE(row.next());
    EXPECT_EQ(row.value(0).toString(), names.at(TarnolixConstants::Russian));
    EXPECT_EQ(row.value(1).toString(), names.at(TarnolixConstants::English));
    EXPECT_EQ(row.value(2).toInt(), 1) << "a language without a text binds NULL";
    EXPECT_EQ(row.value(3).toString(), QString::fromUtf8("нитья шастра"));
    EXPECT_EQ(row.value(4).toString(), "santi rsi katha");
    EXPECT_EQ(row.value(5).toInt(), 1);
}

TEST_F(Builders, NormalizedColumnIsRewrittenOnlyWhereItDiffers)
{
    db->execSql("INSERT INTO Persons(id, spiritalName_en, spiritalNameLC_en) VALUES"
                "(1, 'Śrīla Ṛṣi', NULL), (2, 'Ānanda', 'stale'), (3, 'Gopāla', 'gopala'), (4, NULL, 'kept')");
    auto changes = [this] { return count("SELECT total_changes()"); };

    const int before = changes();
    db->updateNormalizedColumn(TarnolixConstants::English, "Persons", "id", "spiritalName_en", "spiritalNameLC_en");
    EXPECT_EQ(changes() - before, 2) << "rows 1 and 2 only";

    QSqlQuery q = db->execSql("SELECT spiritalNameLC_en FROM Persons ORDER BY id");
    QStringList keys;
    while (q.next())
        keys << q.value(0).toString();
    EXPECT_EQ(keys, list({"srila rsi", "ananda", "gopala", "kept"}));

    const int after = changes();
    db->updateNormalizedColumn(TarnolixConstants::English, "Persons", "id", "spiritalName_en", "spiritalNameLC_en");
    EXPECT_EQ(changes(), after) << "up to date: no UPDATE runs";

    EXPECT_THROW(db->updateNormalizedColumn(TarnolixConstants::English, "Persons; DROP TABLE Persons", "id",
                                            "spiritalName_en", "spiritalNameLC_en"),
                 Exception);
}
