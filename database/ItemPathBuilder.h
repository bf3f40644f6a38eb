#pragma once
// Item paths from the library: the path of a book, section, category, author
// or favorites folder in a catalogue tab, and the readable form of a path.

#include "core/ItemPath.h"
#include "core/TarnolixConstants.h"

#include <QString>
#include <QVariant>

#include <unordered_set>

class TarnolixDB;

// The path, root first, of the item (type, id) in `tab`. A book in the
// Categories or FavoritesByBooks tab goes under its first category in
// catalogue order that is not excluded; *severalCategories (when given)
// tells whether another one was left. Throws for a glossary (see
// buildGlossaryItemPath), for a tab a book cannot be shown in, and when the
// library lacks a row the path needs. A loop of parents in the data is
// logged and ends the walk.
HierarchyItems buildItemPath(TarnolixDB& db, TarnolixConstants::Language language, TarnolixConstants::CatalogTab tab,
                             TarnolixConstants::CatalogItemType type, const QVariant& id,
                             const std::unordered_set<int>* excludedCategoryIds = nullptr,
                             bool* severalCategories = nullptr);

// The names along the path joined by " • "; search-result and favorite
// items add nothing. Throws for glossaries, folders and invalid items.
QString toReadablePath(TarnolixDB& db, TarnolixConstants::Language language, const HierarchyItems& items);
