#include "app/IndexingProgressInfo.h"

#include <QVariant>

IndexingProgressInfo::IndexingProgressInfo(const std::vector<QObject*>& indexWriterThreads, QObject* parent)
    : QObject(parent)
    , m_indexWriterThreads(indexWriterThreads)
{
    for (QObject* writer : m_indexWriterThreads) {
        connect(writer, SIGNAL(activeChanged()), this, SLOT(indexWriterThreadActiveChanged()));
        connect(writer, SIGNAL(progressChanged()), this, SLOT(indexWriterThreadProgressChanged()));
    }
}

void IndexingProgressInfo::indexWriterThreadActiveChanged()
{
    bool active = false;
    for (const QObject* writer : m_indexWriterThreads)
        active = active || writer->property("active").toBool();
    if (active == m_indexingActive)
        return;
    m_indexingActive = active;
    emit indexingActiveChanged();
}

void IndexingProgressInfo::indexWriterThreadProgressChanged()
{
    qint64 progress = 0;
    qint64 total = 0;
    for (const QObject* writer : m_indexWriterThreads) {
        progress += writer->property("progress").toInt();
        total += writer->property("progressTotal").toInt();
    }
    if (progress == m_progress && total == m_progressTotal)
        return;
    m_progress = int(progress);
    m_progressTotal = int(total);
    // Whole numbers: progress / total * 100 in floating point truncates
    // 29 of 100 to 28.
    m_progressInPercent = total == 0 ? 0 : int(progress * 100 / total);
    emit progressChanged();
}
