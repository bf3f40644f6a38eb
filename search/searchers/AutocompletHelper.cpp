#include "search/searchers/AutocompletHelper.h"

#include "core/Exception.h"
#include "core/ProgramConstants.h"
#include "search/index/FTFieldName.h"
#include "search/searchers/SearchIndexLookup.h"
#include "search/searchers/SearchSettingsCreator.h"

#include <LuceneHeaders.h>
#include <PrefixTermEnum.h>

#include <QtDebug>

#include <functional>
#include <iterator>
#include <map>
#include <set>
#include <string>

namespace tarnolix {

namespace {

// Terms walked between two looks at the stop flag.
constexpr int kStopCheckEvery = 1024;

struct LocaleAwareLess
{
    bool operator()(const QString& a, const QString& b) const { return QString::localeAwareCompare(a, b) < 0; }
};

// The term's text in `out`, whose buffer is reused from term to term: the
// walk allocates only for the terms it keeps.
void toQString(const Lucene::String& text, QString& out)
{
    out.resize(0);
    for (const wchar_t c : text) {
        const auto code = char32_t(c);
        if (code > 0x10FFFF) {
            out.append(QChar(QChar::ReplacementCharacter));
        } else if (QChar::requiresSurrogates(code)) {
            out.append(QChar(QChar::highSurrogate(code)));
            out.append(QChar(QChar::lowSurrogate(code)));
        } else {
            out.append(QChar(char16_t(code)));
        }
    }
}

} // namespace

AutocompletHelper::AutocompletHelper(QObject* parent)
    : QObject(parent)
{
}

AutocompletHelper::~AutocompletHelper()
{
    if (m_threadStarted) {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_stop = true;
        }
        m_condition.notify_all();
        m_thread.join();
    }
    m_results.clear();
    m_request.prefix.clear();
}

void AutocompletHelper::setSearchSettingsCreator(SearchSettingsCreator* creator)
{
    if (creator == m_searchSettingsCreator)
        return;
    if (m_searchSettingsCreator)
        disconnect(m_searchSettingsCreator, &QObject::destroyed, this, &AutocompletHelper::searchSettingsCreatorDestroyed);
    m_searchSettingsCreator = creator;
    if (creator)
        connect(creator, &QObject::destroyed, this, &AutocompletHelper::searchSettingsCreatorDestroyed);
    emit searchSettingsCreatorChanged();
}

void AutocompletHelper::searchSettingsCreatorDestroyed()
{
    if (sender() != m_searchSettingsCreator || !m_searchSettingsCreator)
        return;
    m_searchSettingsCreator = nullptr;
    emit searchSettingsCreatorChanged();
}

void AutocompletHelper::setPrefix(const QString& prefix)
{
    if (!m_searchSettingsCreator) {
        qWarning("AutocompletHelper::setPrefix: no search settings creator");
        return;
    }
    request({int(m_searchSettingsCreator->catalogModelLanguage()), int(m_searchSettingsCreator->searchType()),
             m_searchSettingsCreator->searchAreaOriginal(), prefix});
}

void AutocompletHelper::reset()
{
    request(Request());
}

void AutocompletHelper::request(const Request& request)
{
    bool emptied = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (request == m_request)
            return;
        startThread();
        m_request = request;
        ++m_requestSerial;
        if (request.empty()) {
            m_results.clear();
            emptied = true;
        }
    }
    m_condition.notify_all();
    // Outside the lock: a receiver may ask for the next request at once.
    if (emptied)
        emit finished();
}

void AutocompletHelper::threadCompleted(const Request& request, const QVariantList& results)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (request != m_request)
            return;
    }
    if (results == m_results)
        return;
    m_results = results;
    emit finished();
}

void AutocompletHelper::startThread()
{
    if (m_threadStarted)
        return;
    m_thread = std::thread([this] { run(); });
    m_threadStarted = true;
}

QVariantList AutocompletHelper::suggestions(const Request& request, const Lucene::IndexReaderPtr& reader,
                                            const std::atomic<bool>& stop)
{
    const bool wordByWordOriginal = request.searchType == TarnolixConstants::WordByWord && request.searchAreaOriginal;
    const FTFieldName field = wordByWordOriginal ? FTFieldName(true, false, false, IndexField::wwo)
                                                 : FTFieldName(true, false, false);
    const std::wstring prefix = request.prefix.toStdWString();
    const auto terms =
        Lucene::newLucene<Lucene::PrefixTermEnum>(reader, Lucene::newLucene<Lucene::Term>(field.toString(), prefix));
    const bool alphabetical = request.searchType == TarnolixConstants::GlossarySearch;

    // Each keeps only its first kMaxSuggestions: what falls off the end
    // could never come back into them. Once a list is full, a term that
    // would fall off at once is turned away before anything is inserted:
    // short prefixes walk many terms, and most of them never enter.
    std::map<int32_t, std::wstring, std::greater<int32_t>> byFrequency;
    std::set<QString, LocaleAwareLess> byText;
    const LocaleAwareLess less{};
    QString text;
    int walked = 0;
    try {
        do {
            if (++walked % kStopCheckEvery == 0 && stop.load())
                break;
            const Lucene::TermPtr term = terms->term();
            if (!term)
                continue;
            const Lucene::String termText = term->text();
            if (termText.empty())
                continue;
            // Every document of the original side holds the marker.
            if (wordByWordOriginal && termText == IndexField::lucenematch)
                continue;
            if (alphabetical) {
                toQString(termText, text);
                const bool full = byText.size() >= std::size_t(kMaxSuggestions);
                if (full && !less(text, *std::prev(byText.end())))
                    continue;
                if (byText.insert(text).second && full)
                    byText.erase(std::prev(byText.end()));
            } else {
                const int32_t freq = terms->docFreq();
                // An equal frequency keeps the term already taken.
                if (byFrequency.size() >= std::size_t(kMaxSuggestions) && freq <= std::prev(byFrequency.end())->first)
                    continue;
                if (byFrequency.try_emplace(freq, termText).second
                    && byFrequency.size() > std::size_t(kMaxSuggestions))
                    byFrequency.erase(std::prev(byFrequency.end()));
            }
        } while (terms->next());
    } catch (...) {
        terms->close();
        throw;
    }
    terms->close();

    QVariantList list;
    if (alphabetical) {
        for (const QString& text : byText)
            list.append(text);
    } else {
        for (const auto& [freq, text] : byFrequency)
            list.append(QString::fromStdWString(text));
    }
    return list;
}

void AutocompletHelper::run()
{
    Request taken;
    quint64 takenSerial = 0;
    for (;;) {
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_condition.wait(lock, [&] { return m_stop.load() || m_requestSerial != takenSerial; });
            if (m_stop.load())
                return;
            taken = m_request;
            takenSerial = m_requestSerial;
        }
        qInfo("Autocomplet for: %s", qUtf8Printable(taken.prefix));
        if (taken.empty())
            continue;
        try {
            Lucene::IndexReaderPtr reader;
            switch (taken.searchType) {
            case TarnolixConstants::FullText:
            case TarnolixConstants::FavoritesSearch:
                reader = bookIndexReader(unsigned(taken.language));
                break;
            case TarnolixConstants::WordByWord:
                reader = taken.searchAreaOriginal ? sharedIndexReader(SharedIndex::WordByWord)
                                                  : bookIndexReader(unsigned(taken.language));
                break;
            case TarnolixConstants::GlossarySearch:
                reader = sharedIndexReader(SharedIndex::Glossary);
                break;
            default:
                throw Exception("Invalid search type!");
            }
            const QVariantList list = suggestions(taken, reader, m_stop);
            QMetaObject::invokeMethod(
                this, [this, taken, list] { threadCompleted(taken, list); }, Qt::QueuedConnection);
        } catch (const Lucene::LuceneException& e) {
            qWarning("AutocompletHelper::thread: Error: %s", qUtf8Printable(QString::fromStdWString(e.getError())));
        } catch (const std::exception& e) {
            qWarning("AutocompletHelper::thread: Error: %s", e.what());
        }
    }
}

} // namespace tarnolix
