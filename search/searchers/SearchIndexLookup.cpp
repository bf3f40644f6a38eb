#include "search/searchers/SearchIndexLookup.h"

#include "core/Exception.h"

#include <mutex>
#include <stdexcept>

namespace tarnolix {

namespace {

std::mutex& lookupMutex()
{
    static std::mutex mutex;
    return mutex;
}

IndexWriterThreadLookup& installedLookup()
{
    static IndexWriterThreadLookup lookup;
    return lookup;
}

} // namespace

void setIndexWriterThreadLookup(IndexWriterThreadLookup lookup)
{
    std::lock_guard<std::mutex> lock(lookupMutex());
    installedLookup() = std::move(lookup);
}

IndexWriterThread* indexWriterThreadFor(unsigned languageId)
{
    if (languageId < 1 || languageId > 3)
        throw std::out_of_range("indexWriterThread: no index writer for this language");
    IndexWriterThreadLookup lookup;
    {
        std::lock_guard<std::mutex> lock(lookupMutex());
        lookup = installedLookup();
    }
    IndexWriterThread* thread = lookup ? lookup(languageId) : nullptr;
    if (!thread)
        throw Exception("Index writer thread is closed");
    return thread;
}

} // namespace tarnolix
