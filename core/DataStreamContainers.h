#pragma once
// Reading counted containers from a QDataStream so that damaged input ends in
// an empty container and a failed stream status, never in a half-filled
// container or in a reservation sized by a corrupt count.

#include <QDataStream>
#include <QtGlobal>

#include <type_traits>
#include <utility>

// Resets the stream's status for one read (unless the device runs a read
// transaction) and, at the end, puts back a failure that was there before,
// so a later success never hides an earlier failure.
class DataStreamStatusGuard
{
public:
    explicit DataStreamStatusGuard(QDataStream& stream);
    ~DataStreamStatusGuard();

    DataStreamStatusGuard(const DataStreamStatusGuard&) = delete;
    DataStreamStatusGuard& operator=(const DataStreamStatusGuard&) = delete;

private:
    QDataStream& m_stream;
    QDataStream::Status m_previous;
};

// Bytes still to be read from the stream's device; -1 when it cannot tell.
qint64 dataStreamBytesLeft(const QDataStream& stream);

// How many of `count` elements to reserve room for: no more than the bytes
// left in the input can hold at `minElementBytes` bytes each.
int dataStreamReservation(const QDataStream& stream, quint32 count, qint64 minElementBytes);

namespace detail {
template <typename C, typename = void>
struct HasReserve : std::false_type {};
template <typename C>
struct HasReserve<C, std::void_t<decltype(std::declval<C&>().reserve(1))>> : std::true_type {};
} // namespace detail

// Reads an unsigned 32-bit count, then the elements with
// readElement(stream, container). A count of `bound` or more logs "Invalid
// elements count" and sets ReadCorruptData; any element read that leaves the
// stream not Ok empties the container and stops. minElementBytes is the
// smallest stored size of one element (it caps the reservation).
template <typename Container, typename ReadElement>
void readCountedContainer(QDataStream& stream, Container& container, quint32 bound, qint64 minElementBytes,
                          ReadElement&& readElement)
{
    DataStreamStatusGuard guard(stream);
    container.clear();
    quint32 count = 0;
    stream >> count;
    if (stream.status() != QDataStream::Ok)
        return;
    if (count >= bound) {
        qWarning("Invalid elements count");
        stream.setStatus(QDataStream::ReadCorruptData);
        return;
    }
    if constexpr (detail::HasReserve<Container>::value)
        container.reserve(dataStreamReservation(stream, count, minElementBytes));
    for (quint32 i = 0; i < count; ++i) {
        readElement(stream, container);
        if (stream.status() != QDataStream::Ok) {
            container.clear();
            return;
        }
    }
}
