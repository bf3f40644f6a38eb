#pragma once
// The catalogue around the books: categories (nested sets), persons,
// publishers and archive books, with their readers of the server's reference
// JSON. Readers never throw: unknown keys and codes are logged and skipped.

#include "core/TarnolixConstants.h"

#include <QString>

#include <map>
#include <memory>
#include <set>

class QJsonObject;

// One text per language, ordered by language id.
using LanguageNames = std::map<TarnolixConstants::Language, QString>;

// One node of the category tree. left/right order the tree for Russian,
// leftEn/rightEn for English and Sanskrit.
struct Category
{
    int id = 0;
    int parentId = 0; // 0 at the top
    int depth = 0;
    int left = 0;
    int right = 0;
    int leftEn = 0;
    int rightEn = 0;
    LanguageNames names;
};

// A work whose editions in several languages are separate books.
struct ArchiBook
{
    int id = 0;
    LanguageNames names;
};

// Same shape and reader as an archive book.
using Publisher = ArchiBook;

// Role words, unique, in ascending code-unit order.
using PersonRoles = std::set<QString>;

struct Person
{
    int id = 0;
    int birthdayDay = 0;
    int birthdayMonth = 0;
    int birthdayYear = 0;
    QString slug;
    QString photo;
    LanguageNames name;
    LanguageNames lastName;
    LanguageNames middleName;
    LanguageNames spiritualName;
    LanguageNames description;
    std::shared_ptr<PersonRoles> roles = std::make_shared<PersonRoles>(); // never null
};

void categoryFromJson(Category& category, const QJsonObject& object);
void archiBookFromJson(ArchiBook& archiBook, const QJsonObject& object);
void personFromJson(Person& person, const QJsonObject& object);

// Merges the string entries of {code: text} into `names`; other entries of
// `names` stay.
void languageFromJson(LanguageNames& names, const QJsonObject& object);

// The text for `language`; else the text of the lowest language present;
// else empty.
QString intMapValueOrDefault(const LanguageNames& names, TarnolixConstants::Language language);

std::shared_ptr<Person> personRolesCreate();
