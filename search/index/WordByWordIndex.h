#pragma once
// The word-by-word index ("Index2"): one document per (original,
// translation) pair of a book edition's word-by-word paragraphs. The book
// saver writes it while books arrive (beginIndexing, index per batch,
// finishIndexing) and deletes the books that leave the library; nothing is
// visible to readers before finishIndexing commits.
//
//   field     value                                   stored  indexed
//   L         the edition's language code             yes     one term
//   bid       book id, decimal                        yes     one term
//   s         section code                            yes     one term
//   c         the book's category ids, spaced         yes     analysed; absent without one
//   wwso      original                                yes     no
//   wwst      translation                             yes     no
//   cts1Awwo  original                                no      analysed
//   cts1Ewwo  "lucenematch <original> lucenematch"    no      analysed (exact match)
//   cts1Awwt  translation                             no      analysed

#include "core/WordByWordDataForIndex.h"
#include "search/index/CachedDocument.h"
#include "search/index/FTFieldName.h"
#include "search/index/SearchIndex.h"

#include <memory>
#include <vector>

namespace tarnolix {

class WordByWordIndex : public SearchIndex
{
    Q_OBJECT

public:
    explicit WordByWordIndex(QObject* parent = nullptr);
    ~WordByWordIndex() override;

    QString indexPath() const override;
    bool isPreparedLibrary() const override;
    bool optimizeError() override;
    void setOptimizeError(bool error) override;

    using SearchIndex::open;
    // Opens read-only; a missing index is created (see openIndexOrCreate).
    void open();

    // Starts a run with a fresh document; the content field names are made
    // by the first call and kept.
    void beginIndexing();
    // Replaces each edition's documents by its pairs, from the calling
    // thread. Throws Exception
    // "Prepared library indexes are read-only", "not initialized" outside a
    // run, "unknown field", and the messages of checkIndexWritable.
    void index(const std::vector<std::shared_ptr<WordByWordDataForIndex>>& data);
    // Deletes every document of the books (uncommitted until the run ends).
    // A failure closes the index (its uncommitted changes are discarded)
    // and is passed on.
    void deleteBooks(const std::vector<int>& bookIds);
    // Ends the run: optimises and commits; errors are logged, not thrown.
    void finishIndexing();

    const std::vector<FTFieldName>& contentFields() const { return m_contentFields; }

private:
    void indexEdition(const WordByWordDataForIndex& edition, CachedDocument& cached,
                      const Lucene::AnalyzerPtr& analyzer, const Lucene::IndexWriterPtr& writer) const;

    std::unique_ptr<CachedDocument> m_cachedDocument;
    std::vector<FTFieldName> m_contentFields;
};

} // namespace tarnolix
