#pragma once
// The catalogue order of the sections of one language: the catalogue's text
// id of a section item mapped to its position. Search results are sorted by
// it; a section that is not in the table sorts after every known one.

#include <QDataStream>
#include <QHash>
#include <QString>

class SectionsCatalogPositions
{
public:
    static constexpr int kUnknownPosition = 2147483647;

    // Keeps the first position of a key: returns false when it is present.
    bool insert(const QString& key, int position);
    int position(const QString& key) const;

    int size() const { return m_positions.size(); }
    bool isEmpty() const { return m_positions.isEmpty(); }
    void clear() { m_positions.clear(); }
    const QHash<QString, int>& positions() const { return m_positions; }

    bool operator==(const SectionsCatalogPositions& other) const { return m_positions == other.m_positions; }
    bool operator!=(const SectionsCatalogPositions& other) const { return !(*this == other); }

private:
    friend void readSectionsCatalogPositions(QDataStream& stream, SectionsCatalogPositions& positions);

    QHash<QString, int> m_positions;
};

// A signed 32-bit count, then each key and its position. The caller sets the
// stream version.
void writeSectionsCatalogPositions(QDataStream& stream, const SectionsCatalogPositions& positions);
// Never throws: a damaged stream leaves the table empty and the stream status
// not Ok; an earlier failure of the stream is kept.
void readSectionsCatalogPositions(QDataStream& stream, SectionsCatalogPositions& positions);
