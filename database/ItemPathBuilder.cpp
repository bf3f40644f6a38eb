#include "database/ItemPathBuilder.h"

#include "core/Exception.h"
#include "database/TarnolixDB.h"

#include <QSet>

#include <algorithm>

using C = TarnolixConstants;

namespace {

const char kBookCategoryNotFound[] = "Book category not found!";

int chooseCategory(const std::vector<int>& categories, const std::unordered_set<int>* excluded,
                   bool* severalCategories)
{
    int chosen = 0;
    bool found = false;
    for (int id : categories) {
        if (excluded && excluded->count(id))
            continue;
        if (found) {
            if (severalCategories)
                *severalCategories = true;
            break;
        }
        chosen = id;
        found = true;
    }
    if (!found)
        throw DBNotFound(QString::fromLatin1(kBookCategoryNotFound));
    return chosen;
}

// Appends (type, parent) for each parent that parentOf gives until it
// gives `none`; a parent met again is logged and ends the walk.
template <typename Key, typename ParentOf, typename ToId>
void appendParents(HierarchyItems& items, C::CatalogItemType type, Key key, const Key& none, ParentOf parentOf,
                   ToId toId)
{
    QSet<Key> walked{key};
    for (key = parentOf(key); key != none; key = parentOf(key)) {
        if (walked.contains(key)) {
            qCritical("buildItemPath: %s %s is its own ancestor", qUtf8Printable(catalogItemTypeToString(type)),
                      qUtf8Printable(QVariant(toId(key)).toString()));
            return;
        }
        walked.insert(key);
        items.emplace_back(type, toId(key));
    }
}

template <typename T>
T same(const T& value)
{
    return value;
}

QString uuidText(const QUuid& uuid)
{
    return TarnolixDB::uuidToString(uuid);
}

} // namespace

HierarchyItems buildItemPath(TarnolixDB& db, C::Language language, C::CatalogTab tab, C::CatalogItemType type,
                             const QVariant& id, const std::unordered_set<int>* excludedCategoryIds,
                             bool* severalCategories)
{
    if (type == C::Glossary)
        throw Exception("ERROR 0x58465451");
    if (severalCategories)
        *severalCategories = false;

    HierarchyItems items;
    items.reserve(10);
    items.emplace_back(type, id);

    if (type == C::Section) {
        const QString code = id.toString();
        appendParents(
            items, C::Section, code, QString(),
            [&](const QString& child) { return db.selectParentSection(child, language); }, same<QString>);
        items.emplace_back(C::Book, db.selectSectionBookId(items.back().second.toString(), language));
    }

    if (items.back().first == C::Book) {
        const int bookId = items.back().second.toInt();
        switch (tab) {
        case C::InvalidCatalogTab:
            break;
        case C::Categories:
        case C::FavoritesByBooks:
            items.emplace_back(C::Category, chooseCategory(db.selectBookCategoryIds(bookId, language),
                                                           excludedCategoryIds, severalCategories));
            break;
        case C::Authors: {
            const std::vector<int> authors = db.selectBookAuthorIds(bookId, language);
            if (authors.empty())
                throw DBNotFound(QStringLiteral("Book authors not found!"));
            items.emplace_back(C::Author, authors.back());
            break;
        }
        case C::Names:
            items.emplace_back(C::Letter, QVariant(db.selectBookFirstLetter(bookId, language)));
            break;
        default:
            throw Exception("Unknown error 0x87962234");
        }
    }

    const C::CatalogItemType last = items.back().first;
    if ((tab == C::Categories || tab == C::FavoritesByBooks) && last == C::Category) {
        appendParents(
            items, C::Category, items.back().second.toInt(), 0,
            [&](int child) { return db.selectCategoryParentId(child); }, same<int>);
    } else if (tab == C::Authors && last == C::Author) {
        // The authors tree lists its letters in upper case.
        items.emplace_back(C::Letter,
                           QVariant(db.selectPersonFirstLetter(language, items.back().second.toInt()).toUpper()));
    } else if (tab == C::AllFavorites && last == C::FavoriteFolder) {
        appendParents(
            items, C::FavoriteFolder, QUuid::fromString(items.back().second.toString()), QUuid(),
            [&](const QUuid& child) { return db.selectFavoriteFolderParent(child); }, uuidText);
    }

    std::reverse(items.begin(), items.end());
    return items;
}

QString toReadablePath(TarnolixDB& db, C::Language language, const HierarchyItems& items)
{
    QString path;
    path.reserve(50 * static_cast<int>(items.size()));
    const QString separator = QStringLiteral(" \u2022 ");
    bool first = true;
    for (const auto& [type, id] : items) {
        QString text;
        switch (type) {
        case C::Letter:
            text = id.toString().toUpper();
            break;
        case C::Category: {
            const auto names = db.selectCategory(id.toInt(), language)->names;
            const auto it = names.find(language);
            text = it == names.end() ? QString() : it->second;
            break;
        }
        case C::Author: {
            const auto names = db.selectPersonName(language, id.toInt())->spiritualName;
            const auto it = names.find(language);
            text = it == names.end() ? QString() : it->second;
            break;
        }
        case C::Book:
            text = db.selectBookInfo(id.toInt(), language)->shortName;
            break;
        case C::Section:
            text = db.selectBookSection(id.toString(), language).first->title;
            break;
        case C::SRItemId:
        case C::FavoriteItemId:
            continue;
        default:
            throw Exception("toReadablePath: Invalid type");
        }
        if (!first)
            path += separator;
        first = false;
        path += text;
    }
    return path;
}
