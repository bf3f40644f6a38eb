#pragma once
// What the open-book page kind takes from services that are built apart
// from it: the page's favorites, the highlighted rendering of a section with
// search hits, and whether a library update is running. Each is installed
// process-wide by the code that provides it (the application, or a test);
// until then the page kind uses the stand-in below: no favorites, the plain
// section, no update running. GUI thread only.

#include "core/SearchSettings.h"
#include "pages/BookSectionItem.h"
#include "pages/SectionFavorites.h"

#include <QString>

#include <functional>
#include <memory>

struct BookInfo;
class BookMngr;
class FindTextHelper;
class OpenBookStatus;
class PageSearchData;
struct HTMLCreatorSRSettings;
class TabStatus;

// The favorites of the book an open-book page shows.
class OpenBookFavorites : public SectionFavorites
{
public:
    // Loads the favorites of the book `book` holds, replacing any held.
    virtual void loadFavorites(const BookMngr& book) = 0;
    virtual void clearFavorites() = 0;
    // Favorites are loaded and there is at least one.
    virtual bool hasFavorites() const = 0;

    // Makes the favorites of one page; the page owns the result. A QObject
    // result is also what the page's "favoriteLogic" property gives QML.
    using Factory = std::function<std::unique_ptr<OpenBookFavorites>(TabStatus* tab, OpenBookStatus* page)>;
    // An empty factory restores the stand-in.
    static void setFactory(Factory factory);
    static std::unique_ptr<OpenBookFavorites> create(TabStatus* tab, OpenBookStatus* page);
};

// Favorites that are never there: what a page has while no favorites
// service is installed.
class NoOpenBookFavorites final : public OpenBookFavorites
{
public:
    void loadFavorites(const BookMngr&) override {}
    void clearFavorites() override {}
    bool hasFavorites() const override { return false; }
    FavoriteConstArray sectionFavorites(quint64) override { return {}; }
    int sectionCoverage(const Favorite&, quint64) const override { return 0; }
    void resetRenderedCount() override {}
    int renderedCount() const override { return 0; }
};

// One section to render with the hits of a search marked.
struct HighlightedSectionRequest
{
    std::shared_ptr<const BookInfo> bookInfo;
    BookSectionItem item;
    SectionFavorites* favorites = nullptr;
    // The search whose hits are marked: its settings (with the query) and
    // the page's search data holding the results.
    SearchSettingsConstPtr settings;
    PageSearchData* searchData = nullptr;
    // The highlighting the search made for its results; null: the search
    // data's own.
    std::shared_ptr<HTMLCreatorSRSettings> highlightSettings;
    // The open book's hit index, whose mark counts the rendering fills.
    std::shared_ptr<FindTextHelper> findTextHelper;
};

namespace openbookseams {

// The section HTML (unescaped) with the hits marked.
using HighlightedSectionBuilder = std::function<QString(const HighlightedSectionRequest& request)>;
// Empty: sections are rendered plain even while a search is shown.
void setHighlightedSectionBuilder(HighlightedSectionBuilder builder);
const HighlightedSectionBuilder& highlightedSectionBuilder();

// Whether a library update is running now; empty: never.
using UpdaterBusyProvider = std::function<bool()>;
void setUpdaterBusyProvider(UpdaterBusyProvider provider);
bool isLibraryUpdating();

} // namespace openbookseams
