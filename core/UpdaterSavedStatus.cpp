#include "core/UpdaterSavedStatus.h"

#include <QDataStream>
#include <QIODevice>

#include <algorithm>
#include <type_traits>

namespace {

constexpr QDataStream::Version kStreamVersion = QDataStream::Qt_5_12;

// Keeps an earlier failure of the stream: the read runs on a clean status
// (unless the device's transaction owns the status), and an old failure is
// put back afterwards.
class StreamStatusKeeper
{
public:
    explicit StreamStatusKeeper(QDataStream& stream)
        : m_stream(stream)
        , m_saved(stream.status())
    {
        if (!stream.device() || !stream.device()->isTransactionStarted())
            stream.resetStatus();
    }
    ~StreamStatusKeeper()
    {
        if (m_saved != QDataStream::Ok) {
            m_stream.resetStatus();
            m_stream.setStatus(m_saved);
        }
    }

private:
    QDataStream& m_stream;
    QDataStream::Status m_saved;
};

// Reads a count and that many qint32 values into `items`, which stays empty
// when the count is refused or the stream fails.
template <typename Container>
void readCounted(QDataStream& stream, Container& items)
{
    StreamStatusKeeper keeper(stream);
    items.clear();
    quint32 count = 0;
    stream >> count;
    if (stream.status() != QDataStream::Ok)
        return;
    if (count >= kMaxStoredElements) {
        qWarning("Invalid elements count");
        stream.setStatus(QDataStream::ReadCorruptData);
        return;
    }
    if constexpr (std::is_same_v<Container, std::vector<qint32>>) {
        // Room only for what the device still holds: a forged count must not
        // allocate gigabytes before the data runs out.
        const qint64 available = stream.device() ? stream.device()->bytesAvailable() / qint64(sizeof(qint32)) : 0;
        items.reserve(std::size_t(std::clamp<qint64>(available, 0, count)));
    }
    for (quint32 i = 0; i < count; ++i) {
        qint32 value = 0;
        stream >> value;
        if (stream.status() != QDataStream::Ok) {
            items.clear();
            return;
        }
        items.insert(items.end(), value);
    }
}

} // namespace

bool UpdaterSavedStatus::operator==(const UpdaterSavedStatus& other) const
{
    return categoriesLoaded == other.categoriesLoaded && personsLoaded == other.personsLoaded
        && publishersLoaded == other.publishersLoaded && archiBooksLoaded == other.archiBooksLoaded
        && availableIdsProcessed == other.availableIdsProcessed && changedIdsProcessed == other.changedIdsProcessed
        && completed == other.completed && booksToLoad == other.booksToLoad && newBookIds == other.newBookIds
        && idsTime == other.idsTime && glossariesMd5 == other.glossariesMd5
        && subscriptionLevel == other.subscriptionLevel;
}

QByteArray serializeUpdaterStatus(const UpdaterSavedStatus& status)
{
    QByteArray data;
    QDataStream stream(&data, QIODevice::WriteOnly);
    stream.setVersion(kStreamVersion);
    stream << status.categoriesLoaded << status.personsLoaded << status.publishersLoaded << status.archiBooksLoaded
           << status.availableIdsProcessed << status.changedIdsProcessed << status.completed;
    stream << quint32(status.booksToLoad.size());
    for (qint32 id : status.booksToLoad)
        stream << id;
    stream << quint32(status.newBookIds.size());
    for (qint32 id : status.newBookIds)
        stream << id;
    stream << status.idsTime << status.glossariesMd5 << status.subscriptionLevel;
    return data;
}

UpdaterSavedStatus deserializeUpdaterStatus(const QByteArray& data)
{
    UpdaterSavedStatus status;
    if (data.isEmpty())
        return status;
    QDataStream stream(data);
    stream.setVersion(kStreamVersion);
    stream >> status.categoriesLoaded >> status.personsLoaded >> status.publishersLoaded >> status.archiBooksLoaded
        >> status.availableIdsProcessed >> status.changedIdsProcessed >> status.completed;
    stream >> status.booksToLoad >> status.newBookIds;
    stream >> status.idsTime >> status.glossariesMd5 >> status.subscriptionLevel;
    if (stream.status() != QDataStream::Ok)
        return UpdaterSavedStatus();
    return status;
}

QDataStream& operator>>(QDataStream& stream, std::vector<qint32>& list)
{
    readCounted(stream, list);
    return stream;
}

QDataStream& operator>>(QDataStream& stream, std::set<qint32>& set)
{
    readCounted(stream, set);
    return stream;
}
