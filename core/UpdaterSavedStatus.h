#pragma once
// The library updater's saved status: what an interrupted library update has
// done and what is left, kept as the library's "DatabaseUpdateStatus" setting
// so that the next run continues where this one stopped. The update engine
// owns the meaning of the fields; this is their stored form.

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <set>
#include <vector>

class QDataStream;

struct UpdaterSavedStatus
{
    bool categoriesLoaded = false;
    bool personsLoaded = false;
    bool publishersLoaded = false;
    bool archiBooksLoaded = false;
    bool availableIdsProcessed = false;
    bool changedIdsProcessed = false;
    bool completed = false;
    std::set<qint32> booksToLoad;
    std::vector<qint32> newBookIds;
    qint64 idsTime = 0;
    QByteArray glossariesMd5;
    QString subscriptionLevel;

    bool operator==(const UpdaterSavedStatus& other) const;
    bool operator!=(const UpdaterSavedStatus& other) const { return !(*this == other); }
};

// Element counts from this bound up are refused as corrupt.
inline constexpr quint32 kMaxStoredElements = 0x20000000;

// Stream version 18 (Qt 5.12), big-endian: the seven flags as one byte each,
// booksToLoad (count, ascending ids), newBookIds (count, ids in order),
// idsTime, glossariesMd5, subscriptionLevel.
QByteArray serializeUpdaterStatus(const UpdaterSavedStatus& status);

// The record of a stored value; an empty or corrupt value gives the default
// record.
UpdaterSavedStatus deserializeUpdaterStatus(const QByteArray& data);

// Counted lists of 32-bit integers. A count of kMaxStoredElements or more
// logs "Invalid elements count" and marks the stream corrupt; a stream that
// fails midway leaves the container empty. Neither hides an earlier failure
// of the stream.
QDataStream& operator>>(QDataStream& stream, std::vector<qint32>& list);
QDataStream& operator>>(QDataStream& stream, std::set<qint32>& set);
