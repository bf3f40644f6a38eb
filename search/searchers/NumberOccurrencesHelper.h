#pragma once
// How often each word of the full-text query being typed occurs in the
// search scope, and the whole query's total, for the suggestion box under
// the search field. The helper follows its settings creator's query and
// counts on a worker thread of its own; only the newest request counts: an
// overtaken count is abandoned at its next check and its answer dropped.
//
// Result: invalid when nothing is counted, else a map
//   "totalFreq"  int, occurrences of the whole query in the scope
//   "terms"      list of {"term": text as indexed, "freq": int}, one per
//                distinct term in order of first appearance

#include "core/Exception.h"
#include "core/SearchSettings.h"
#include "search/index/LuceneClass.h"
#include "search/searchers/SearchSettingsCreator.h"

#include <QObject>
#include <QVariant>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

namespace tarnolix {

class FTSearchSettings;

// Thrown inside the worker when its request is overtaken.
class CancelNumberOccurrences : public Exception
{
public:
    CancelNumberOccurrences() : Exception("") {}
};

// Milliseconds of the three stages of one count.
struct OccurrenceTimes
{
    int64_t search = 0;
    int64_t freq = 0;
    int64_t total = 0;
};

// Counts the query of `settings` on `reader`: only queries of plain terms
// whose distinct texts have three UTF-16 units or more in all; anything else
// gives an invalid QVariant. Only documents inside the settings' scope that
// `library` lets through count (a null filter lets every document through).
// `checkpoint` is called before every batch of postings and before the
// result is returned, and may throw to abandon the count.
QVariant countQueryOccurrences(const FTSearchSettings& settings, const Lucene::IndexReaderPtr& reader,
                               const Lucene::AnalyzerPtr& analyzer, const Lucene::FilterPtr& library,
                               const std::function<void()>& checkpoint, OccurrenceTimes* times = nullptr);

class NumberOccurrencesHelper : public QObject
{
    Q_OBJECT
    Q_PROPERTY(tarnolix::SearchSettingsCreator* searchSettingsCreator READ searchSettingsCreator WRITE
                   setSearchSettingsCreator NOTIFY searchSettingsCreatorChanged)
    Q_PROPERTY(bool active READ active WRITE setActive NOTIFY activeChanged)

public:
    explicit NumberOccurrencesHelper(QObject* parent = nullptr);
    // Stops the worker and waits for it.
    ~NumberOccurrencesHelper() override;

    SearchSettingsCreator* searchSettingsCreator() const { return m_searchSettingsCreator; }
    void setSearchSettingsCreator(SearchSettingsCreator* creator);
    bool active() const { return m_active; }

    Q_INVOKABLE void setActive(bool active);
    Q_INVOKABLE QVariant getResult() const { return m_result; }
    // Drops the current request; the worker answers with an invalid result.
    Q_INVOKABLE void reset();

    // The id of the current request (tests and diagnostics).
    uint32_t requestId() const { return m_requestId.load(); }
    SearchSettingsConstPtr currentSettings() const;

signals:
    void searchSettingsCreatorChanged();
    void activeChanged();
    void finished();

public slots:
    void searchSettingsCreatorDestroyed();
    void onQueryChanged();
    void threadCompleted(SearchSettingsConstPtr searchSettings, int requestId, QVariant result);

private:
    void startThread();
    void run();
    void checkRequest(uint32_t requestId) const;

    SearchSettingsCreator* m_searchSettingsCreator = nullptr;
    SearchSettingsConstPtr m_searchSettings;
    std::atomic<uint32_t> m_requestId{0};
    bool m_threadStarted = false;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
    mutable std::mutex m_mutex;
    std::condition_variable m_condition;
    QVariant m_result;
    bool m_active = false;
};

} // namespace tarnolix
