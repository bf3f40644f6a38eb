#include "core/StartupTables.h"

#include <mutex>
#include <utility>
#include <vector>

namespace {

struct Registry
{
    std::mutex mutex;
    std::vector<std::pair<const char*, StartupTables::Builder>> pending;
    QStringList built;
    bool coreBuilt = false;
};

// A function-local static: registrations from other files' static
// initialisers may run before this file's.
Registry& registry()
{
    static Registry r;
    return r;
}

void buildCoreTables()
{
    StartupTables::paragraphKinds();
    StartupTables::languageIdsByCode();
    StartupTables::languageNamesById();
    StartupTables::languageOrder();
    StartupTables::emptyString();
}

// Built before main whenever the tables are linked in.
[[maybe_unused]] const bool s_builtBeforeMain = (StartupTables::build(), true);

} // namespace

void StartupTables::build()
{
    Registry& r = registry();
    std::vector<std::pair<const char*, Builder>> pending;
    {
        std::lock_guard<std::mutex> lock(r.mutex);
        if (!r.coreBuilt) {
            buildCoreTables();
            r.coreBuilt = true;
        }
        pending.swap(r.pending);
    }
    // Builders run outside the lock: one may itself read core tables.
    for (const auto& [name, builder] : pending) {
        builder();
        std::lock_guard<std::mutex> lock(r.mutex);
        r.built.append(QString::fromUtf8(name));
    }
}

bool StartupTables::registerBuilder(const char* name, Builder builder)
{
    Registry& r = registry();
    bool buildNow = false;
    {
        std::lock_guard<std::mutex> lock(r.mutex);
        if (r.coreBuilt)
            buildNow = true;
        else
            r.pending.emplace_back(name, builder);
    }
    if (buildNow) {
        builder();
        std::lock_guard<std::mutex> lock(r.mutex);
        r.built.append(QString::fromUtf8(name));
    }
    return true;
}

QStringList StartupTables::builtTables()
{
    Registry& r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    return r.built;
}

const std::map<QString, quint8>& StartupTables::paragraphKinds()
{
    static const std::map<QString, quint8> kinds{
        {QStringLiteral("unallocated"), 1},
        {QStringLiteral("sanskrit"), 2},
        {QStringLiteral("diacritic"), 3},
        {QStringLiteral("word-by-word"), 4},
        {QStringLiteral("literary"), 5},
        {QStringLiteral("comment"), 6},
        {QStringLiteral("comment-plus"), 7},
        {QStringLiteral("text"), 8},
        {QStringLiteral("quote-sanskrit"), 9},
        {QStringLiteral("quote-sanskrit-translate"), 10},
    };
    return kinds;
}

std::optional<quint8> StartupTables::paragraphKind(const QString& name)
{
    const auto& kinds = paragraphKinds();
    const auto it = kinds.find(name);
    if (it == kinds.end())
        return std::nullopt;
    return it->second;
}

const std::map<QString, TarnolixConstants::Language>& StartupTables::languageIdsByCode()
{
    static const std::map<QString, TarnolixConstants::Language> ids{
        {QStringLiteral("en"), TarnolixConstants::English},
        {QStringLiteral("ru"), TarnolixConstants::Russian},
        {QStringLiteral("st"), TarnolixConstants::Sanskrit},
    };
    return ids;
}

const std::map<TarnolixConstants::Language, StartupTables::LanguageNames>& StartupTables::languageNamesById()
{
    static const std::map<TarnolixConstants::Language, LanguageNames> names{
        {TarnolixConstants::English, {QStringLiteral("English"), QStringLiteral("en")}},
        {TarnolixConstants::Russian, {QStringLiteral("Russian"), QStringLiteral("ru")}},
        {TarnolixConstants::Sanskrit, {QStringLiteral("Sanskrit"), QStringLiteral("st")}},
    };
    return names;
}

const QVector<TarnolixConstants::Language>& StartupTables::languageOrder()
{
    static const QVector<TarnolixConstants::Language> order{
        TarnolixConstants::Russian, TarnolixConstants::English, TarnolixConstants::Sanskrit};
    return order;
}

const QString& StartupTables::emptyString()
{
    static const QString empty;
    return empty;
}
