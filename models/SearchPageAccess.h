#pragma once
// What the search result models read of a search page kind, which QML hands
// them as a plain QObject: the page's current results and its set of hidden
// hits. The application object installs the resolver that answers for the
// tabs' search page kinds; without one every result tree stays empty (tests
// install their own).

#include <QtGlobal>

#include <functional>
#include <memory>

class QObject;

namespace tarnolix {
class SearchResults2;
}

class SearchPageAccess
{
public:
    virtual ~SearchPageAccess();

    // The page's current results; null when it has none.
    virtual std::shared_ptr<tarnolix::SearchResults2> searchResults() = 0;
    // Whether the page keeps a set of hidden hits at all.
    virtual bool hasHiddenSet() = 0;
    // Whether no hit is hidden.
    virtual bool noneHidden() = 0;
    virtual bool isHidden(quint32 hitNumber) = 0;

    // The access to `object` as a search page kind; null when it is none
    // (or no resolver is installed).
    static std::unique_ptr<SearchPageAccess> of(QObject* object);

    using Resolver = std::function<std::unique_ptr<SearchPageAccess>(QObject*)>;
    // Installed on the GUI thread; an empty resolver removes it.
    static void setResolver(Resolver resolver);
};
