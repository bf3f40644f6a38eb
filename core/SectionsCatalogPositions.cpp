#include "core/SectionsCatalogPositions.h"

#include "core/DataStreamContainers.h"

namespace {

// Counts from this on are corrupt data, not a table.
constexpr quint32 kMaxEntries = 0x20000000;
// A key's length word and a position.
constexpr qint64 kMinEntryBytes = 8;

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
    // A later duplicate key overwrites the position read before it.
    readCountedContainer(stream, positions.m_positions, kMaxEntries, kMinEntryBytes,
                         [](QDataStream& in, QHash<QString, int>& map) {
                             QString key;
                             in >> key;
                             qint32& position = map[key];
                             in >> position;
                         });
}
