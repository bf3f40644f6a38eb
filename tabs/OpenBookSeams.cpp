#include "tabs/OpenBookSeams.h"

namespace {

OpenBookFavorites::Factory& favoritesFactory()
{
    static OpenBookFavorites::Factory factory;
    return factory;
}

openbookseams::HighlightedSectionBuilder& builder()
{
    static openbookseams::HighlightedSectionBuilder b;
    return b;
}

openbookseams::UpdaterBusyProvider& updaterBusy()
{
    static openbookseams::UpdaterBusyProvider provider;
    return provider;
}

} // namespace

void OpenBookFavorites::setFactory(Factory factory)
{
    favoritesFactory() = std::move(factory);
}

std::unique_ptr<OpenBookFavorites> OpenBookFavorites::create(TabStatus* tab, OpenBookStatus* page)
{
    if (const Factory& factory = favoritesFactory()) {
        if (auto favorites = factory(tab, page))
            return favorites;
    }
    return std::make_unique<NoOpenBookFavorites>();
}

namespace openbookseams {

void setHighlightedSectionBuilder(HighlightedSectionBuilder b)
{
    builder() = std::move(b);
}

const HighlightedSectionBuilder& highlightedSectionBuilder()
{
    return builder();
}

void setUpdaterBusyProvider(UpdaterBusyProvider provider)
{
    updaterBusy() = std::move(provider);
}

bool isLibraryUpdating()
{
    const UpdaterBusyProvider& provider = updaterBusy();
    return provider && provider();
}

} // namespace openbookseams
