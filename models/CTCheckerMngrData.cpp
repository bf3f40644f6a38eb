#include "models/CTCheckerMngrData.h"

#include <QtDebug>

using C = TarnolixConstants;

int CTCheckerMngrData::checkState(int type, const QVariant& id) const
{
    switch (type) {
    case C::Letter: {
        const QString text = id.toString();
        return text.isEmpty() ? int(Qt::Unchecked) : get(m_letters, text.at(0));
    }
    case C::Category:
        return get(m_categories, id.toUInt());
    case C::Author:
        return get(m_authors, id.toUInt());
    case C::Book:
        return get(m_books, id.toUInt());
    case C::Section:
        return get(m_sections, id.toString());
    case C::Glossary:
        return get(m_glossaries, id.toUInt());
    case C::FavoriteFolder:
        return get(m_favoriteFolders, id.toUInt());
    default:
        qWarning("Unknown type(0x61869218): %d", type);
        return Qt::Unchecked;
    }
}

void CTCheckerMngrData::clear()
{
    m_categories.clear();
    m_favoriteFolders.clear();
    m_authors.clear();
    m_glossaries.clear();
    m_letters.clear();
    m_books.clear();
    m_sections.clear();
}

void CTCheckerMngrData::set(QHash<uint32_t, int>& map, uint32_t key, int state)
{
    if (state == Qt::Unchecked)
        map.remove(key);
    else
        map.insert(key, state);
}

void CTCheckerMngrData::set(QHash<QString, int>& map, const QString& key, int state)
{
    if (state == Qt::Unchecked)
        map.remove(key);
    else
        map.insert(key, state);
}
