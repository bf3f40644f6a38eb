#include "search/index/IndexRuns.h"

#include "search/index/ErrorText.h"
#include "search/index/SearchIndex.h"

#include <QDir>

namespace tarnolix {

bool discardCutCreation(SearchIndex& index)
{
    QDir dir(index.indexPath());
    const QStringList names = dir.entryList(QDir::Files | QDir::Hidden);
    QStringList segments;
    for (const QString& name : names) {
        if (name.startsWith(QLatin1String("segments")))
            segments << name;
        else if (name != QLatin1String("write.lock"))
            return false;
    }
    if (segments.isEmpty())
        return false;
    for (const QString& name : segments) {
        if (!dir.remove(name))
            return false;
    }
    qWarning("%s: an index whose creation was cut off is created again", qUtf8Printable(index.indexPath()));
    return true;
}

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
    } catch (const Lucene::LuceneException&) {
        if (index.isPreparedLibrary() || !discardCutCreation(index))
            throw;
        index.open(true, SearchIndex::Create);
        index.commit();
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
