#pragma once
// The indexing progress the main window shows: the index writers' states
// summed into one. Each writer is read through its properties "active",
// "progress" and "progressTotal" and followed through its signals
// activeChanged() and progressChanged().

#include <QObject>

#include <vector>

class IndexingProgressInfo : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool indexingActive READ indexingActive NOTIFY indexingActiveChanged)
    Q_PROPERTY(int progress READ progress NOTIFY progressChanged)
    Q_PROPERTY(int progressTotal READ progressTotal NOTIFY progressChanged)
    Q_PROPERTY(int progressInPercent READ progressInPercent NOTIFY progressChanged)

public:
    // The writers must outlive this object. The properties keep their
    // initial values until the first signal of a writer.
    explicit IndexingProgressInfo(const std::vector<QObject*>& indexWriterThreads, QObject* parent = nullptr);

    bool indexingActive() const { return m_indexingActive; }
    int progress() const { return m_progress; }
    int progressTotal() const { return m_progressTotal; }
    int progressInPercent() const { return m_progressInPercent; }

signals:
    void indexingActiveChanged();
    void progressChanged();
    // Declared for QML code that names it; the properties notify through progressChanged.
    void progressToTalChanged();

public slots:
    void indexWriterThreadActiveChanged();
    void indexWriterThreadProgressChanged();

private:
    std::vector<QObject*> m_indexWriterThreads;
    bool m_indexingActive = false;
    int m_progress = 0;
    int m_progressTotal = 0;
    int m_progressInPercent = 0;
};
