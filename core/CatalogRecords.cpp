#include "core/CatalogRecords.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>

namespace {

void unknownKey(const QString& key)
{
    qWarning("fromJson: Unknown key: %s", key.toUtf8().constData());
}

} // namespace

void languageFromJson(LanguageNames& names, const QJsonObject& object)
{
    for (auto it = object.begin(); it != object.end(); ++it) {
        if (!it.value().isString())
            continue;
        const TarnolixConstants::Language language = languageFromString(it.key());
        if (language == TarnolixConstants::InvalidLanguage) {
            qWarning("fromJson: Unknown language: %s", it.key().toUtf8().constData());
            continue;
        }
        names[language] = it.value().toString();
    }
}

QString intMapValueOrDefault(const LanguageNames& names, TarnolixConstants::Language language)
{
    const auto it = names.find(language);
    if (it != names.end())
        return it->second;
    return names.empty() ? QString() : names.begin()->second;
}

std::shared_ptr<Person> personRolesCreate()
{
    return std::make_shared<Person>();
}

void categoryFromJson(Category& category, const QJsonObject& object)
{
    for (auto it = object.begin(); it != object.end(); ++it) {
        const QString key = it.key();
        const QJsonValue value = it.value();
        if (key == QLatin1String("id"))
            category.id = value.toInt();
        else if (key == QLatin1String("parent_id"))
            category.parentId = value.toInt();
        else if (key == QLatin1String("depth"))
            category.depth = value.toInt();
        else if (key == QLatin1String("left"))
            category.left = value.toInt();
        else if (key == QLatin1String("right"))
            category.right = value.toInt();
        else if (key == QLatin1String("left_en"))
            category.leftEn = value.toInt();
        else if (key == QLatin1String("right_en"))
            category.rightEn = value.toInt();
        else if (key == QLatin1String("name"))
            languageFromJson(category.names, value.toObject());
        else
            unknownKey(key);
    }
}

void archiBookFromJson(ArchiBook& archiBook, const QJsonObject& object)
{
    for (auto it = object.begin(); it != object.end(); ++it) {
        const QString key = it.key();
        if (key == QLatin1String("id"))
            archiBook.id = it.value().toInt();
        else if (key == QLatin1String("name"))
            languageFromJson(archiBook.names, it.value().toObject());
        else
            unknownKey(key);
    }
}

void personFromJson(Person& person, const QJsonObject& object)
{
    if (!person.roles)
        person.roles = std::make_shared<PersonRoles>();
    for (auto it = object.begin(); it != object.end(); ++it) {
        const QString key = it.key();
        const QJsonValue value = it.value();
        if (key == QLatin1String("id"))
            person.id = value.toInt();
        else if (key == QLatin1String("birthday_day"))
            person.birthdayDay = value.toInt();
        else if (key == QLatin1String("birthday_month"))
            person.birthdayMonth = value.toInt();
        else if (key == QLatin1String("birthday_year"))
            person.birthdayYear = value.toInt();
        else if (key == QLatin1String("slug"))
            person.slug = value.toString();
        else if (key == QLatin1String("photo"))
            person.photo = value.toString();
        else if (key == QLatin1String("name"))
            languageFromJson(person.name, value.toObject());
        else if (key == QLatin1String("last_name"))
            languageFromJson(person.lastName, value.toObject());
        else if (key == QLatin1String("middle_name"))
            languageFromJson(person.middleName, value.toObject());
        else if (key == QLatin1String("spiritual_name"))
            languageFromJson(person.spiritualName, value.toObject());
        else if (key == QLatin1String("description"))
            languageFromJson(person.description, value.toObject());
        else if (key == QLatin1String("roles")) {
            const QJsonArray roles = value.toArray();
            for (const QJsonValue& role : roles) {
                if (role.isString())
                    person.roles->insert(role.toString());
                else
                    qWarning("fromJson: Is not string");
            }
        } else
            unknownKey(key);
    }
}
