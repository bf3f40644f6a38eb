#include "models/SearchPageAccess.h"

#include <utility>

namespace {

// GUI thread only, as the models that ask.
SearchPageAccess::Resolver& resolver()
{
    static SearchPageAccess::Resolver installed;
    return installed;
}

} // namespace

SearchPageAccess::~SearchPageAccess() = default;

std::unique_ptr<SearchPageAccess> SearchPageAccess::of(QObject* object)
{
    if (!object || !resolver())
        return nullptr;
    return resolver()(object);
}

void SearchPageAccess::setResolver(Resolver installed)
{
    resolver() = std::move(installed);
}
