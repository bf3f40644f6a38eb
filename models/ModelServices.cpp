#include "models/ModelServices.h"

#include <atomic>

namespace {

std::atomic<ModelServices*> g_current{nullptr};

} // namespace

FavoritesFilter::~FavoritesFilter() = default;

ModelServices::~ModelServices()
{
    ModelServices* self = this;
    g_current.compare_exchange_strong(self, nullptr);
}

ModelServices* ModelServices::current()
{
    return g_current.load();
}

void ModelServices::setCurrent(ModelServices* services)
{
    g_current.store(services);
}
