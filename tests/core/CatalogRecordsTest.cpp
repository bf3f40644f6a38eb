#include "core/CatalogRecords.h"

#include "tests/core/LogCapture.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

namespace {

QJsonObject json(const char* text)
{
    return QJsonDocument::fromJson(QByteArray(text)).object();
}

} // namespace

TEST(CatalogRecords, NamesKeepStringsOfKnownLanguagesAndWarnOnlyForUnknownCodes)
{
    LogCapture log;
    LanguageNames names{{TarnolixConstants::Sanskrit, QStringLiteral("kept")}};
    languageFromJson(names, json(R"({"ru": "Имя", "xx": "other", "en": 5})"));
    EXPECT_EQ(names, (LanguageNames{{TarnolixConstants::Russian, QStringLiteral("Имя")},
                                    {TarnolixConstants::Sanskrit, QStringLiteral("kept")}}));
    // The code lookup logs its own line too; the reader adds exactly one.
    EXPECT_EQ(log.warnings().filter(QStringLiteral("fromJson")),
              QStringList{QStringLiteral("fromJson: Unknown language: xx")});
}

TEST(CatalogRecords, CategoryFromJsonFillsFieldsAndSkipsUnknownKeys)
{
    LogCapture log;
    Category category;
    categoryFromJson(category, json(R"({"id": 7, "parent_id": 3, "depth": 2, "left": 10, "right": 11,
                                        "right_en": 21, "name": {"en": "Poetry", "ru": "Поэзия"},
                                        "colour": "red", "left": "not a number"})"));
    EXPECT_EQ(category.id, 7);
    EXPECT_EQ(category.parentId, 3);
    EXPECT_EQ(category.depth, 2);
    // The later "left" is not a number: 0.
    EXPECT_EQ(category.left, 0);
    EXPECT_EQ(category.right, 11);
    EXPECT_EQ(category.leftEn, 0);
    EXPECT_EQ(category.rightEn, 21);
    EXPECT_EQ(category.names.at(TarnolixConstants::English), QStringLiteral("Poetry"));
    EXPECT_EQ(log.warnings(), QStringList{QStringLiteral("fromJson: Unknown key: colour")});
}

TEST(CatalogRecords, ArchiBookAndPublisherShareTheReader)
{
    Publisher publisher;
    archiBookFromJson(publisher, json(R"({"id": 4, "name": "plain text"})"));
    EXPECT_EQ(publisher.id, 4);
    EXPECT_TRUE(publisher.names.empty());
}

TEST(CatalogRecords, PersonRolesAreUniqueStringsAndOtherTypesWarn)
{
    LogCapture log;
    std::shared_ptr<Person> person = personRolesCreate();
    ASSERT_TRUE(person->roles);
    EXPECT_TRUE(person->roles->empty());
    personFromJson(*person, json(R"({"id": 9, "birthday_year": 1896, "slug": "a-b", "photo": 3,
                                     "spiritual_name": {"en": "Name"}, "last_name": {"ru": "Фам"},
                                     "roles": ["author", 1, "author", "translator"]})"));
    EXPECT_EQ(person->id, 9);
    EXPECT_EQ(person->birthdayYear, 1896);
    EXPECT_EQ(person->slug, QStringLiteral("a-b"));
    EXPECT_TRUE(person->photo.isEmpty());
    EXPECT_EQ(person->spiritualName.at(TarnolixConstants::English), QStringLiteral("Name"));
    EXPECT_EQ(person->lastName.at(TarnolixConstants::Russian), QStringLiteral("Фам"));
    EXPECT_EQ(*person->roles, (PersonRoles{QStringLiteral("author"), QStringLiteral("translator")}));
    EXPECT_EQ(log.warnings(), QStringList{QStringLiteral("fromJson: Is not string")});

    Person other;
    personFromJson(other, json(R"({"roles": "author"})"));
    EXPECT_TRUE(other.roles->empty());
}

TEST(CatalogRecords, ValueOrDefaultFallsBackToTheLowestLanguage)
{
    const LanguageNames names{{TarnolixConstants::Russian, QStringLiteral("R")},
                              {TarnolixConstants::Sanskrit, QStringLiteral("S")}};
    EXPECT_EQ(intMapValueOrDefault(names, TarnolixConstants::English), QStringLiteral("R"));
    EXPECT_EQ(intMapValueOrDefault(names, TarnolixConstants::Sanskrit), QStringLiteral("S"));
    EXPECT_TRUE(intMapValueOrDefault({}, TarnolixConstants::Russian).isEmpty());
}
