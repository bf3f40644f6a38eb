#include "core/TranslatorMngr.h"

#include "core/Settings.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace {

const QString kLanguageKey = QStringLiteral("Language");

TarnolixConstants::Language systemLanguage()
{
    switch (QLocale::system().language()) {
    case QLocale::English:
        return TarnolixConstants::English;
    case QLocale::Russian:
        return TarnolixConstants::Russian;
    default:
        qWarning("Unknown system locale");
        return TarnolixConstants::English;
    }
}

bool isInterfaceLanguage(TarnolixConstants::Language language)
{
    return languageList().contains(language);
}

// Loads "<name>_<locale>.qm" from the first folder that has a match.
bool loadFrom(QTranslator* translator, const QLocale& locale, const QString& name, const QStringList& dirs)
{
    for (const QString& dir : dirs) {
        if (translator->load(locale, name, QStringLiteral("_"), dir, QStringLiteral(".qm")))
            return true;
    }
    return false;
}

} // namespace

TranslatorMngr::TranslatorMngr(Settings* settings, QObject* parent)
    : QObject(parent)
    , m_settings(settings)
    , m_qtTranslator(new QTranslator(this))
    , m_translator(new QTranslator(this))
{
    if (m_settings->contains(kLanguageKey))
        m_language = languageFromString(m_settings->getString(kLanguageKey));
    if (m_language == TarnolixConstants::InvalidLanguage)
        m_language = systemLanguage();

    QCoreApplication::installTranslator(m_qtTranslator);
    QCoreApplication::installTranslator(m_translator);
    loadTranslations();
}

void TranslatorMngr::setLanguage(TarnolixConstants::Language language)
{
    if (language == m_language)
        return;
    if (!isInterfaceLanguage(language)) {
        qWarning("TranslatorMngr::setLanguage: Invalid language %d", int(language));
        return;
    }
    m_language = language;
    m_settings->set(kLanguageKey, languageToString(language));
    loadTranslations();
    emit languageChanged();
}

QStringList TranslatorMngr::translationDirs()
{
    const QString appDir = QCoreApplication::applicationDirPath();
    return {appDir + QStringLiteral("/translations"),
            appDir + QStringLiteral("/../share/tarnolix/translations")};
}

void TranslatorMngr::loadTranslations()
{
    const QLocale locale = languageToLocale(m_language);
    QLocale::setDefault(locale);

    const QStringList dirs = translationDirs();
    const QString dirList = dirs.join(QStringLiteral("; "));

    // Qt's own texts ship with Qt on Linux; a copy beside the program wins.
    QStringList qtDirs = dirs;
    qtDirs << QLibraryInfo::location(QLibraryInfo::TranslationsPath);
    if (!loadFrom(m_qtTranslator, locale, QStringLiteral("qt"), qtDirs))
        qWarning("RemoteClient::setLanguage: Qt translations load error. translateDir: %s", qUtf8Printable(dirList));

    const QString name = QStringLiteral("Tarnolix");
    if (!loadFrom(m_translator, locale, name, dirs))
        qWarning("RemoteClient::setLanguage: %s translation load error. translateDir: %s", qUtf8Printable(name),
                 qUtf8Printable(dirList));
}
