#include "core/ItemPath.h"

#include "core/Exception.h"
#include "core/Glossary.h"
#include "core/GlossaryContainer.h"

#include <QSet>
#include <QVariantHash>
#include <QVariantMap>

#include <algorithm>

using C = TarnolixConstants;

namespace {

const QString kTypeKey = QStringLiteral("type");
const QString kIdKey = QStringLiteral("id");

bool hasTextId(C::CatalogItemType type)
{
    return type == C::Section || type == C::FavoriteFolder || type == C::FavoriteItemId;
}

// A null letter is written as nothing, so that it reads back as a null
// letter and no NUL character reaches a URL.
QString letterText(const QVariant& id)
{
    if (id.userType() == QMetaType::QChar) {
        const QChar letter = id.toChar();
        return letter.isNull() ? QString() : QString(letter);
    }
    return id.toString();
}

QChar firstCharOrNull(const QString& text)
{
    return text.isEmpty() ? QChar() : text.at(0);
}

QVariant letterFromVariant(const QVariant& id)
{
    const int userType = id.userType();
    if (userType == QMetaType::QChar)
        return QVariant(id.toChar());
    // Integers convert to a character code; texts (what QML sends) do not.
    if (userType != QMetaType::QString && id.canConvert<QChar>())
        return QVariant(id.toChar());
    return QVariant(firstCharOrNull(id.toString()));
}

} // namespace

std::shared_ptr<ItemPathCached> ItemPathCached::clone() const
{
    auto copy = std::make_shared<ItemPathCached>();
    copy->items = items;
    copy->variantItems = variantItems;
    return copy;
}

HierarchyItems ItemPathCached::hierarchyItems() const
{
    if (items.empty() && !variantItems.isEmpty())
        return hierarchyItemsFromVariant(variantItems);
    return items;
}

const QVariantList& ItemPathCached::variantList()
{
    if (variantItems.isEmpty() && !items.empty())
        variantItems = hierarchyItemsToVariant(items);
    return variantItems;
}

void appendHierarchyItem(ItemPathCached& path, C::CatalogItemType type, const QVariant& id)
{
    if (path.items.empty() && !path.variantItems.isEmpty()) {
        path.variantItems.append(QVariantMap{{kTypeKey, static_cast<int>(type)}, {kIdKey, id}});
        return;
    }
    path.items.emplace_back(type, id);
    path.variantItems.clear();
}

QString parentHierarchyItemsToPath(const HierarchyItems& items, bool asText)
{
    QString path;
    path.reserve(100);
    for (const auto& [type, id] : items) {
        path += QLatin1Char('/');
        path += catalogItemTypeToString(type);
        path += QLatin1Char('-');
        if (type == C::Letter) {
            path += letterText(id);
        } else if (asText || hasTextId(type)) {
            path += id.toString();
        } else {
            if (type == C::InvalidCatalogItemType)
                qCritical("parentHierarchyItemsToPath: Invalid item type");
            path += QString::number(id.toInt());
        }
    }
    return path;
}

HierarchyItems parentHierarchyItemsFromPath(const QString& path, bool asText, bool* ok)
{
    HierarchyItems items;
    if (ok)
        *ok = true;
    const QStringList pieces = path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    items.reserve(static_cast<size_t>(pieces.size()));
    for (const QString& piece : pieces) {
        const int dash = piece.indexOf(QLatin1Char('-'));
        if (dash < 0) {
            qWarning("parentHierarchyItemsFromPath: ERROR 1. path:%s", qUtf8Printable(path));
            items.clear();
            if (ok)
                *ok = false;
            return items;
        }
        const QString key = piece.left(dash);
        const QString idText = piece.mid(dash + 1);
        const C::CatalogItemType type = catalogItemTypeFromString(key);
        if (asText) {
            items.emplace_back(type, idText);
            continue;
        }
        if (type == C::Letter) {
            items.emplace_back(type, QVariant(firstCharOrNull(idText)));
        } else if (hasTextId(type)) {
            items.emplace_back(type, idText);
        } else {
            if (type == C::InvalidCatalogItemType)
                qCritical("parentHierarchyItemsFromPath: Invalid item type: %s", qUtf8Printable(key));
            items.emplace_back(type, idText.toInt(nullptr, 10));
        }
    }
    return items;
}

QVariantList hierarchyItemsToVariant(const HierarchyItems& items)
{
    QVariantList list;
    list.reserve(static_cast<int>(items.size()));
    for (const auto& [type, id] : items)
        list.append(QVariantMap{{kTypeKey, static_cast<int>(type)}, {kIdKey, id}});
    return list;
}

HierarchyItems hierarchyItemsFromVariant(const QVariantList& list)
{
    HierarchyItems items;
    items.reserve(static_cast<size_t>(list.size()));
    for (const QVariant& element : list) {
        QVariant typeValue;
        QVariant id;
        if (element.userType() == QMetaType::QVariantHash) {
            const QVariantHash hash = element.toHash();
            typeValue = hash.value(kTypeKey);
            id = hash.value(kIdKey);
        } else {
            const QVariantMap map = element.toMap();
            typeValue = map.value(kTypeKey);
            id = map.value(kIdKey);
        }
        const auto type = static_cast<C::CatalogItemType>(typeValue.toInt());
        if (type == C::Letter)
            items.emplace_back(type, letterFromVariant(id));
        else if (type == C::Book && id.userType() == QMetaType::QString)
            items.emplace_back(type, id);
        else if (hasTextId(type))
            items.emplace_back(type, id.toString());
        else
            items.emplace_back(type, id.toInt());
    }
    return items;
}

HierarchyItems buildGlossaryItemPath(C::CatalogTab tab, const std::shared_ptr<Glossary>& glossary,
                                     const GlossaryContainer& container)
{
    HierarchyItems items;
    items.reserve(10);
    items.emplace_back(C::Glossary, glossary->id);
    if (tab == C::Glossaries) {
        if (const auto parent = glossary->parent.lock())
            items.emplace_back(C::Category, parent->id);
    } else if (tab == C::GlossariesNames) {
        items.emplace_back(C::Letter, QVariant(firstCharOrNull(glossary->searchName).toUpper()));
    } else {
        throw Exception("Unknown error 0x87761235");
    }

    if (items.back().first == C::Category) {
        QSet<int> visited{items.back().second.toInt()};
        const auto category = container.category(items.back().second.toInt());
        for (auto parent = category ? category->parent.lock() : nullptr; parent; parent = parent->parent.lock()) {
            // Parent links that loop would otherwise be walked forever.
            if (visited.contains(parent->id)) {
                qCritical("buildGlossaryItemPath: glossary category %d is its own ancestor", parent->id);
                break;
            }
            visited.insert(parent->id);
            items.emplace_back(C::Category, parent->id);
        }
    }
    std::reverse(items.begin(), items.end());
    return items;
}

void itemPathComponents(int* bookId, int* authorId, QString* sectionCode, int* srItemId, QUuid* folderUuid,
                        QUuid* favoriteUuid, const HierarchyItems& items)
{
    if (bookId)
        *bookId = 0;
    if (authorId)
        *authorId = 0;
    if (sectionCode)
        sectionCode->clear();
    if (srItemId)
        *srItemId = 0;
    if (folderUuid)
        *folderUuid = QUuid();
    if (favoriteUuid)
        *favoriteUuid = QUuid();

    for (auto it = items.rbegin(); it != items.rend(); ++it) {
        const QVariant& id = it->second;
        switch (it->first) {
        case C::Author:
            if (authorId)
                *authorId = id.toInt();
            break;
        case C::Book:
            if (bookId)
                *bookId = id.toInt();
            break;
        case C::SRItemId:
            if (srItemId)
                *srItemId = id.toInt();
            break;
        case C::FavoriteItemId:
            if (favoriteUuid)
                *favoriteUuid = QUuid::fromString(id.toString());
            break;
        case C::Section:
            if (sectionCode && sectionCode->isEmpty())
                *sectionCode = id.toString();
            break;
        case C::FavoriteFolder:
            if (folderUuid && folderUuid->isNull())
                *folderUuid = QUuid::fromString(id.toString());
            break;
        default:
            break;
        }
    }
}
