#include "core/DataStreamContainers.h"

#include <QIODevice>

#include <algorithm>

DataStreamStatusGuard::DataStreamStatusGuard(QDataStream& stream)
    : m_stream(stream), m_previous(stream.status())
{
    QIODevice* device = stream.device();
    if (!device || !device->isTransactionStarted())
        stream.resetStatus();
}

DataStreamStatusGuard::~DataStreamStatusGuard()
{
    if (m_previous != QDataStream::Ok) {
        m_stream.resetStatus();
        m_stream.setStatus(m_previous);
    }
}

qint64 dataStreamBytesLeft(const QDataStream& stream)
{
    const QIODevice* device = stream.device();
    if (!device)
        return -1;
    if (device->isSequential())
        return device->bytesAvailable();
    return std::max<qint64>(0, device->size() - device->pos());
}

int dataStreamReservation(const QDataStream& stream, quint32 count, qint64 minElementBytes)
{
    const qint64 left = dataStreamBytesLeft(stream);
    if (left <= 0 || minElementBytes <= 0)
        return 0;
    return static_cast<int>(std::min<qint64>(count, left / minElementBytes));
}
