#pragma once
// The check states of one catalogue tab's whole tree, kept by the check-state
// worker and read by the tree helper. Only partial (1) and checked (2) states
// are stored: a missing key reads as unchecked.

#include "core/TarnolixConstants.h"

#include <QChar>
#include <QHash>
#include <QString>
#include <QVariant>

#include <cstdint>
#include <map>
#include <mutex>

struct CTCheckerMngrData
{
    // Held by the worker for a whole run and by a collection.
    std::mutex mutex;

    QHash<uint32_t, int> m_categories;      // book or glossary categories
    QHash<uint32_t, int> m_favoriteFolders; // read only; nothing fills it
    QHash<uint32_t, int> m_authors;
    QHash<uint32_t, int> m_glossaries;
    std::map<QChar, int> m_letters;
    QHash<uint32_t, int> m_books;
    QHash<QString, int> m_sections;

    // The state of an item as the catalogue model names it (its "type" and
    // "id" roles).
    int checkState(int type, const QVariant& id) const;

    void clear();

    // Setting 0 removes the key.
    template <typename Map, typename Key>
    static void set(Map& map, const Key& key, int state)
    {
        if (state == Qt::Unchecked)
            map.erase(key);
        else
            map[key] = state;
    }
    template <typename Map, typename Key>
    static int get(const Map& map, const Key& key)
    {
        const auto it = map.find(key);
        return it == map.end() ? int(Qt::Unchecked) : it->second;
    }
    static int get(const QHash<uint32_t, int>& map, uint32_t key) { return map.value(key, Qt::Unchecked); }
    static int get(const QHash<QString, int>& map, const QString& key) { return map.value(key, Qt::Unchecked); }
    static void set(QHash<uint32_t, int>& map, uint32_t key, int state);
    static void set(QHash<QString, int>& map, const QString& key, int state);
};
