#include "search/searchers/SearchIndexLookup.h"

#include "core/Exception.h"
#include "search/index/IndexWriterThread.h"
#include "search/index/SearchIndex.h"

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

SharedIndexLookup& installedSharedLookup()
{
    static SharedIndexLookup lookup;
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

Lucene::IndexReaderPtr bookIndexReader(unsigned languageId)
{
    if (languageId < 1 || languageId > 3)
        throw std::out_of_range("indexWriterThread: no index writer for this language");
    std::lock_guard<std::mutex> lock(lookupMutex());
    const IndexWriterThreadLookup& lookup = installedLookup();
    IndexWriterThread* thread = lookup ? lookup(languageId) : nullptr;
    if (!thread)
        throw Exception("Index writer thread is closed");
    return thread->getReader();
}

void setSharedIndexLookup(SharedIndexLookup lookup)
{
    std::lock_guard<std::mutex> lock(lookupMutex());
    installedSharedLookup() = std::move(lookup);
}

Lucene::IndexReaderPtr sharedIndexReader(SharedIndex index)
{
    std::lock_guard<std::mutex> lock(lookupMutex());
    const SharedIndexLookup& lookup = installedSharedLookup();
    SearchIndex* searchIndex = lookup ? lookup(index) : nullptr;
    if (!searchIndex)
        throw Exception("Index is closed");
    return searchIndex->getReader();
}

} // namespace tarnolix
