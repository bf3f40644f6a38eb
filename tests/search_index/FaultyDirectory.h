#pragma once
// A directory that passes everything to a real one but can fail to create
// files, the way a full disk does: an optimisation, a flush or a commit then
// fails inside Lucene++ while reading and deleting go on working.

#include "search/index/LuceneClass.h"

#include <atomic>
#include <memory>
#include <string>

namespace tarnolix::test {

struct DirectoryFaults
{
    // createOutput fails while this is not 0; a positive count is used up
    // one failure at a time, a negative one never.
    std::atomic<int> failingWrites{0};
    std::atomic<int> failures{0};
    // When set, only files whose names begin with it fail ("segments_":
    // every commit fails, while documents are still written).
    std::wstring onlyNamesStartingWith;
};

class FaultyDirectory : public Lucene::Directory
{
public:
    FaultyDirectory(Lucene::DirectoryPtr inner, std::shared_ptr<DirectoryFaults> faults)
        : m_inner(std::move(inner))
        , m_faults(std::move(faults))
    {
    }
    TARNOLIX_LUCENE_CLASS(FaultyDirectory);

    Lucene::HashSet<Lucene::String> listAll() override { return m_inner->listAll(); }
    bool fileExists(const Lucene::String& name) override { return m_inner->fileExists(name); }
    uint64_t fileModified(const Lucene::String& name) override { return m_inner->fileModified(name); }
    void touchFile(const Lucene::String& name) override { m_inner->touchFile(name); }
    void deleteFile(const Lucene::String& name) override { m_inner->deleteFile(name); }
    int64_t fileLength(const Lucene::String& name) override { return m_inner->fileLength(name); }
    Lucene::IndexOutputPtr createOutput(const Lucene::String& name) override
    {
        const std::wstring& only = m_faults->onlyNamesStartingWith;
        int left = only.empty() || name.compare(0, only.size(), only) == 0 ? m_faults->failingWrites.load() : 0;
        while (left != 0) {
            if (left < 0 || m_faults->failingWrites.compare_exchange_weak(left, left - 1)) {
                ++m_faults->failures;
                boost::throw_exception(Lucene::IOException(L"No space left on device: " + name));
            }
        }
        return m_inner->createOutput(name);
    }
    Lucene::IndexInputPtr openInput(const Lucene::String& name) override { return m_inner->openInput(name); }
    Lucene::IndexInputPtr openInput(const Lucene::String& name, int32_t bufferSize) override
    {
        return m_inner->openInput(name, bufferSize);
    }
    void close() override { m_inner->close(); }
    void sync(const Lucene::String& name) override { m_inner->sync(name); }
    Lucene::LockPtr makeLock(const Lucene::String& name) override { return m_inner->makeLock(name); }
    Lucene::String getLockID() override { return m_inner->getLockID(); }
    Lucene::String toString() override { return L"FaultyDirectory(" + m_inner->toString() + L")"; }

private:
    const Lucene::DirectoryPtr m_inner;
    const std::shared_ptr<DirectoryFaults> m_faults;
};

} // namespace tarnolix::test
