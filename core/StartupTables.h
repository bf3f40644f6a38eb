#pragma once
// Lookup tables that exist before main and are never changed afterwards, so
// every thread reads them without locks. Each table is built on first use
// (safe against the order of static initialisation across files) and build()
// forces all of them, including those that libraries above core register:
// core does not see their types (the query parser's token images need
// Lucene++), so they hand in a builder instead.

#include "core/TarnolixConstants.h"

#include <QString>
#include <QStringList>
#include <QVector>

#include <map>
#include <optional>

class StartupTables
{
public:
    using Builder = void (*)();

    // Builds every table once; runs from a static initialiser of this file,
    // and may be called again at any time (it then does nothing new).
    static void build();
    // Adds a table of another library under a name; it is built with the
    // others, or at once when they are already built. Returns true so that
    // it can initialise a static flag.
    static bool registerBuilder(const char* name, Builder builder);
    // Names of the registered tables already built, in build order.
    static QStringList builtTables();

    // Paragraph kinds of a book section: kind name -> code, sorted by name.
    static const std::map<QString, quint8>& paragraphKinds();
    // The code of a kind name; nothing for a name outside the table.
    static std::optional<quint8> paragraphKind(const QString& name);

    struct LanguageNames
    {
        QString name; // "English"
        QString code; // "en"
    };
    static const std::map<QString, TarnolixConstants::Language>& languageIdsByCode();
    static const std::map<TarnolixConstants::Language, LanguageNames>& languageNamesById();
    // Russian, English, Sanskrit.
    static const QVector<TarnolixConstants::Language>& languageOrder();

    static const QString& emptyString();
};
