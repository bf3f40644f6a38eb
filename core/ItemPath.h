#pragma once
// Item paths: where a place sits in a catalogue tab, as the list of
// (type, id) items from the tab's root down to the place. URLs carry the
// path as text ("/Category-3/Book-77/Section-1.2"), QML as a list of
// {"type", "id"} maps. Ids are integers, except a Letter (a character), a
// Section (its code), a folder or favorite (its UUID without braces) and a
// Book that QML handed over as text.

#include "core/TarnolixConstants.h"

#include <QString>
#include <QUuid>
#include <QVariant>
#include <QVariantList>

#include <memory>
#include <utility>
#include <vector>

class GlossaryContainer;
struct Glossary;

using HierarchyItem = std::pair<TarnolixConstants::CatalogItemType, QVariant>;
using HierarchyItems = std::vector<HierarchyItem>;

// A path in its two forms. Either may be the one in use: a path that QML
// handed over may exist only as variantItems.
class ItemPathCached
{
public:
    ItemPathCached() = default;
    virtual ~ItemPathCached() = default;

    std::shared_ptr<ItemPathCached> clone() const;

    // The item list, decoded from variantItems when only that form is held.
    HierarchyItems hierarchyItems() const;
    // The QML list, rebuilt from items when it was cleared.
    const QVariantList& variantList();

    HierarchyItems items;
    QVariantList variantItems;
};

// A path with the ids a tab needs decoded once, refreshed with
// itemPathComponents whenever the tab takes a new URL.
class ItemPathCachedEx : public ItemPathCached
{
public:
    int bookId = 0;
    int authorId = 0;
    QString sectionCode;
    int srItemId = 0;
    QUuid folderUuid;
    QUuid favoriteUuid;
};

// Appends to variantItems when that is the only form held; otherwise to
// items, clearing variantItems so that it is rebuilt when next needed.
void appendHierarchyItem(ItemPathCached& path, TarnolixConstants::CatalogItemType type, const QVariant& id);

// "/Key-id" per item, root first; empty for an empty path. With asText every
// id is written as its text.
QString parentHierarchyItemsToPath(const HierarchyItems& items, bool asText);
// Never throws: a piece without "-" gives an empty list and *ok false; an
// unknown key name is logged and kept as type 0.
HierarchyItems parentHierarchyItemsFromPath(const QString& path, bool asText, bool* ok = nullptr);

QVariantList hierarchyItemsToVariant(const HierarchyItems& items);
HierarchyItems hierarchyItemsFromVariant(const QVariantList& list);

// The path of a glossary in the Glossaries or GlossariesNames tab; the
// categories above the glossary's own come from `container`.
HierarchyItems buildGlossaryItemPath(TarnolixConstants::CatalogTab tab, const std::shared_ptr<Glossary>& glossary,
                                     const GlossaryContainer& container);

// Resets every output given, then fills it from the path: the Author, Book,
// SRItemId and FavoriteItemId nearest the root, the Section and
// FavoriteFolder nearest the end.
void itemPathComponents(int* bookId, int* authorId, QString* sectionCode, int* srItemId, QUuid* folderUuid,
                        QUuid* favoriteUuid, const HierarchyItems& items);
