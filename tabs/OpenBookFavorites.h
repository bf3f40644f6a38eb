#pragma once
// The open-book page's side of the reader's favorites. The store of the
// open book's favorites is made by the favorites module, which the tabs do
// not link: the page gets it through TabServices. The store, in turn, asks
// the page to re-render the sections whose marks changed.

#include "pages/SectionFavorites.h"

#include <QtGlobal>

#include <utility>
#include <vector>

class BookMngr;
class QObject;

// (first, last) section indexes, both inclusive.
using SectionRanges = std::vector<std::pair<quint64, quint64>>;

class OpenBookFavorites : public SectionFavorites
{
public:
    // The store as a QObject: the page's child, shown to QML.
    virtual QObject* object() = 0;
    // Loads the favorites of the book `book` has open in its language; a
    // no-op for the book already loaded. Failures are shown, not thrown.
    virtual void loadFavorite(BookMngr& book) = 0;
    // Drops the loaded favorites.
    virtual void clear() = 0;
    virtual bool isExistsFovorites() const = 0;
};

// Implemented by the open-book page status.
class SectionsReloadTarget
{
public:
    virtual ~SectionsReloadTarget() = default;
    // Re-renders every section of `ranges` in the page.
    virtual void requestSectionsReload(const SectionRanges& ranges) = 0;
};
