#pragma once
// The glossary index ("Index3"): one document per glossary word, rebuilt
// whole by the library updater when it installs the glossaries:
//   beginIndexing, deleteAll, addWord (once or more), finishIndexing.
// Nothing is visible to readers before finishIndexing commits; a run that
// fails before it leaves the previous glossary index in place.
//
//   field  value                                         stored  indexed
//   id     word id, decimal                              yes     one term
//   c      category id of each place, in order           yes     analysed; absent without places
//   gls    every glossary id of every place, in order    yes     analysed; absent without places
//   E      the word's strings joined by spaces           no      analysed (English)

#include "core/Glossary.h"
#include "search/index/CachedDocument.h"
#include "search/index/FTFieldName.h"
#include "search/index/SearchIndex.h"

#include <memory>
#include <vector>

namespace tarnolix {

class GlossaryIndex : public SearchIndex
{
    Q_OBJECT

public:
    explicit GlossaryIndex(QObject* parent = nullptr);
    ~GlossaryIndex() override;

    QString indexPath() const override;
    bool isPreparedLibrary() const override;
    bool optimizeError() override;
    void setOptimizeError(bool error) override;

    using SearchIndex::open;
    // Opens read-only; a missing index is created (see openIndexOrCreate).
    void open();

    // Starts a run: a fresh document, the content field "E".
    void beginIndexing();
    // A new empty index in place of the old one, published by finishIndexing.
    void deleteAll();
    // One document per word. Throws Exception "not initialized" outside a
    // run, and the messages of checkIndexWritable.
    void addWord(const std::vector<std::shared_ptr<GlossaryWord>>& words);
    // Ends the run: optimises and commits; errors are logged, not thrown.
    void finishIndexing();

private:
    std::unique_ptr<CachedDocument> m_cachedDocument;
    FTFieldName m_contentField;
};

} // namespace tarnolix
