#include "core/SectionsCatalogPositions.h"

#include <QIODevice>

namespace {

// Counts from this on are corrupt data, not a table.
constexpr quint32 kMaxEntries = 0x20000000;

} // namespace

bool SectionsCatalogPositions::insert(const QString& key, int position)
{
    if (m_positions.contains(key))
        return false;
    m_positions.insert(key, position);
    return true;
}

int SectionsCatalogPositions::position(const QString& key) const
{
    return m_positions.value(key, kUnknownPosition);
}

void writeSectionsCatalogPositions(QDataStream& stream, const SectionsCatalogPositions& positions)
{
    stream << static_cast<qint32>(positions.size());
    for (auto it = positions.positions().cbegin(); it != positions.positions().cend(); ++it)
        stream << it.key() << static_cast<qint32>(it.value());
}

void readSectionsCatalogPositions(QDataStream& stream, SectionsCatalogPositions& positions)
{
    const QDataStream::Status previous = stream.status();
    if (!stream.device() || !stream.device()->isTransactionStarted())
        stream.resetStatus();

    QHash<QString, int>& map = positions.m_positions;
    map.clear();
    quint32 count = 0;
    stream >> count;
    if (count >= kMaxEntries) {
        qWarning("Invalid elements count");
        stream.setStatus(QDataStream::ReadCorruptData);
    } else {
        // No reservation from the count: a corrupt count must not allocate,
        // and entries that are really there grow the table as they come.
        for (quint32 i = 0; i < count && stream.status() == QDataStream::Ok; ++i) {
            QString key;
            stream >> key;
            qint32& value = map[key];
            stream >> value;
            if (stream.status() != QDataStream::Ok)
                map.clear();
        }
    }

    if (previous != QDataStream::Ok) {
        stream.resetStatus();
        stream.setStatus(previous);
    }
}
