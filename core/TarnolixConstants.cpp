#include "core/TarnolixConstants.h"

#include "core/StartupTables.h"

#include <QCoreApplication>
#include <QMetaEnum>

#include <map>

TarnolixConstants::TarnolixConstants(QObject* parent)
    : QObject(parent)
{
}

bool TarnolixConstants::isDebug()
{
    static const bool debug = qgetenv("TARNOLIX_DEBUG") == "1";
    return debug;
}

QString TarnolixConstants::convertLanguageToString(TarnolixConstants::Language language) const
{
    return languageToName(language);
}

QString TarnolixConstants::convertColorModeToString(TarnolixConstants::ColorMode colorMode) const
{
    return colorModeToString(colorMode);
}

namespace {

const StartupTables::LanguageNames* languageNames(TarnolixConstants::Language language)
{
    const auto& names = StartupTables::languageNamesById();
    const auto it = names.find(language);
    return it == names.end() ? nullptr : &it->second;
}

} // namespace

QString languageToString(TarnolixConstants::Language language)
{
    if (const auto* names = languageNames(language))
        return names->code;
    qWarning("languageToString: Invalid language");
    return QString();
}

QString languageToName(TarnolixConstants::Language language)
{
    if (const auto* names = languageNames(language))
        return names->name;
    qWarning("languageToString: Invalid language");
    return QString();
}

TarnolixConstants::Language languageFromString(const QString& code)
{
    const auto& ids = StartupTables::languageIdsByCode();
    const auto it = ids.find(code);
    if (it != ids.end())
        return it->second;
    qWarning("languageFromString: Not found");
    return TarnolixConstants::InvalidLanguage;
}

QLocale languageToLocale(TarnolixConstants::Language language)
{
    switch (language) {
    case TarnolixConstants::English:
        return QLocale(QLocale::English);
    case TarnolixConstants::Russian:
        return QLocale(QLocale::Russian);
    default:
        qWarning("languageToLocale: Invalid language");
        return QLocale(QLocale::AnyLanguage, QLocale::AnyCountry);
    }
}

QString languageToStringTr(TarnolixConstants::Language language)
{
    switch (language) {
    case TarnolixConstants::English:
        return QCoreApplication::translate("QCoreApplication", "Английский");
    case TarnolixConstants::Russian:
        return QCoreApplication::translate("QCoreApplication", "Русский");
    case TarnolixConstants::Sanskrit:
        return QCoreApplication::translate("QCoreApplication", "Санскрит");
    default:
        qWarning("languageToStringTr: Invalid language");
        return QString();
    }
}

const QVector<TarnolixConstants::Language>& languageList()
{
    return StartupTables::languageOrder();
}

namespace {

// Key texts of the consecutive run of values of E from `first`, read from
// the meta-object. Per thread, so no lock is needed.
template <typename E>
const std::map<int, QString>& keyTexts(int first, bool lowerCase)
{
    thread_local const std::map<int, QString> texts = [&] {
        std::map<int, QString> map;
        const QMetaEnum meta = QMetaEnum::fromType<E>();
        for (int value = first;; ++value) {
            const char* key = meta.valueToKey(value);
            if (!key)
                break;
            const QString text = QString::fromLatin1(key);
            map.emplace(value, lowerCase ? text.toLower() : text);
        }
        return map;
    }();
    return texts;
}

template <typename E>
QString enumToText(E value, int first, bool lowerCase)
{
    const auto& texts = keyTexts<E>(first, lowerCase);
    const auto it = texts.find(int(value));
    return it == texts.end() ? QString() : it->second;
}

template <typename E>
E enumFromText(const QString& text, int first, bool lowerCase, E notFound)
{
    thread_local const std::map<QString, int> values = [&] {
        std::map<QString, int> map;
        for (const auto& [value, key] : keyTexts<E>(first, lowerCase))
            map.emplace(key, value);
        return map;
    }();
    const auto it = values.find(text);
    return it == values.end() ? notFound : E(it->second);
}

} // namespace

QString catalogItemTypeToString(TarnolixConstants::CatalogItemType type)
{
    return enumToText(type, 1, false);
}

TarnolixConstants::CatalogItemType catalogItemTypeFromString(const QString& text)
{
    return enumFromText(text, 1, false, TarnolixConstants::InvalidCatalogItemType);
}

QString catalogTabToString(TarnolixConstants::CatalogTab tab)
{
    return enumToText(tab, 0, false);
}

TarnolixConstants::CatalogTab catalogTabFromString(const QString& text)
{
    return enumFromText(text, 0, false, TarnolixConstants::InvalidCatalogTab);
}

QString colorModeToString(TarnolixConstants::ColorMode mode)
{
    return enumToText(mode, 1, true);
}

QString originalChoiseToString(TarnolixConstants::OriginalChoise choise)
{
    return enumToText(choise, 1, true);
}

TarnolixConstants::OriginalChoise originalChoiseFromString(const QString& text)
{
    return enumFromText(text, 1, true, TarnolixConstants::InvalidOriginalChoise);
}

QString searchSortToString(TarnolixConstants::SearchSort sort)
{
    return enumToText(sort, 0, false);
}

TarnolixConstants::SearchSort searchSortFromString(const QString& text)
{
    return enumFromText(text, 0, false, TarnolixConstants::ByRelevance);
}

QString searchTypeToString(TarnolixConstants::SearchType type)
{
    return enumToText(type, 1, true);
}
