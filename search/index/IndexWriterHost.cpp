#include "search/index/IndexWriterHost.h"

#include <atomic>

namespace tarnolix {

namespace {

std::atomic<IndexWriterHost*> g_current{nullptr};

} // namespace

IndexWriterHost::~IndexWriterHost()
{
    IndexWriterHost* self = this;
    g_current.compare_exchange_strong(self, nullptr);
}

IndexWriterHost* IndexWriterHost::current()
{
    return g_current.load();
}

void IndexWriterHost::setCurrent(IndexWriterHost* host)
{
    g_current.store(host);
}

} // namespace tarnolix
