#include "search/index/IndexRuns.h"

#include "search/index/ErrorText.h"
#include "search/index/SearchIndex.h"

namespace tarnolix {

void openIndexOrCreate(SearchIndex& index, const char* name)
{
    index.prepareIndexDirectory();
    try {
        index.open(true, SearchIndex::ReadOnly);
        qDebug("%s opened", name);
    } catch (const Lucene::NoSuchDirectoryException&) {
        if (index.isPreparedLibrary())
            throw;
        Lucene::FSDirectory::open(index.indexPath().toStdWString())->createDir();
        index.open(true, SearchIndex::Create);
        index.commit();
        qDebug("%s created with directory", name);
    } catch (const Lucene::FileNotFoundException&) {
        if (index.isPreparedLibrary())
            throw;
        index.open(true, SearchIndex::Create);
        index.commit();
        qDebug("%s created", name);
    }
}

void finishIndexRun(SearchIndex& index, const char* name)
{
    if (!index.isWriterOpen()) {
        qInfo("%s::finishIndexing: Skipped!", name);
        return;
    }
    try {
        index.optimize();
        // A failed optimisation releases the writer: nothing is left to commit.
        index.checkIndexWritable();
        index.commit();
        qInfo("%s::finishIndexing: Ok!", name);
    } catch (const std::exception& error) {
        qCritical("%s::finishIndexing: Indexing completion error: %s", name, qUtf8Printable(errorText(error)));
    }
}

} // namespace tarnolix
