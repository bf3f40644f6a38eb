#include "core/UpdaterSavedStatus.h"

#include "core/DataStreamContainers.h"

#include <QDataStream>
#include <QIODevice>

namespace {

constexpr QDataStream::Version kStreamVersion = QDataStream::Qt_5_12;

template <typename Container>
void readCounted(QDataStream& stream, Container& items)
{
    readCountedContainer(stream, items, kMaxStoredElements, qint64(sizeof(qint32)), [](QDataStream& in, Container& c) {
        qint32 value = 0;
        in >> value;
        c.insert(c.end(), value);
    });
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
