#pragma once
// The indexed words that begin with the word being typed, for the
// suggestion box under a search field. A request is the language, search
// type, original-area setting and prefix together; the helper enumerates
// the index terms of the newest request on a worker thread of its own and
// accepts a list only while its request is still the current one.

#include "core/TarnolixConstants.h"
#include "search/index/LuceneClass.h"
#include "search/searchers/SearchSettingsCreator.h"

#include <QObject>
#include <QString>
#include <QVariant>
#include <QVariantList>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace tarnolix {

class AutocompletHelper : public QObject
{
    Q_OBJECT
    Q_PROPERTY(tarnolix::SearchSettingsCreator* searchSettingsCreator READ searchSettingsCreator WRITE
                   setSearchSettingsCreator NOTIFY searchSettingsCreatorChanged)

public:
    // A list holds at most this many suggestions, the first in its order.
    static constexpr int kMaxSuggestions = 100;

    struct Request
    {
        int language = 0;
        int searchType = 0;
        bool searchAreaOriginal = false;
        QString prefix;

        bool empty() const { return language == 0 || searchType == 0 || prefix.isEmpty(); }
        bool operator==(const Request& other) const
        {
            return language == other.language && searchType == other.searchType
                && searchAreaOriginal == other.searchAreaOriginal && prefix == other.prefix;
        }
        bool operator!=(const Request& other) const { return !(*this == other); }
    };

    explicit AutocompletHelper(QObject* parent = nullptr);
    // Stops the worker and waits for it.
    ~AutocompletHelper() override;

    SearchSettingsCreator* searchSettingsCreator() const { return m_searchSettingsCreator; }
    void setSearchSettingsCreator(SearchSettingsCreator* creator);

    // With the creator's language, search type and original-area setting.
    Q_INVOKABLE void setPrefix(const QString& prefix);
    Q_INVOKABLE QVariant getResults() const { return m_results; }
    Q_INVOKABLE void reset();

    void request(const Request& request);

    // The suggestions of `request` on `reader` (the index its search type
    // reads), in their order. `stop` is looked at now and then and ends the
    // walk early.
    static QVariantList suggestions(const Request& request, const Lucene::IndexReaderPtr& reader,
                                    const std::atomic<bool>& stop);

signals:
    void searchSettingsCreatorChanged();
    void finished();

public slots:
    void searchSettingsCreatorDestroyed();

public:
    // A list from the worker (queued to the object's thread): taken only
    // when `request` is still the current request.
    void threadCompleted(const Request& request, const QVariantList& results);

private:
    void startThread();
    void run();

    SearchSettingsCreator* m_searchSettingsCreator = nullptr;
    Request m_request;
    // Counts the stored requests: the worker serves the latest one even when
    // it equals the one it served before (typed again after an empty one).
    quint64 m_requestSerial = 0;
    bool m_threadStarted = false;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_condition;
    QVariantList m_results;
};

} // namespace tarnolix
