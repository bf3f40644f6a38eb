#pragma once
// The language of the user interface. The interface's source texts are
// Russian; other languages come from translation files ("Tarnolix_<lang>.qm"
// for the program, "qt_<lang>.qm" for Qt's own texts). QML reads and writes
// `language`; the QML engine is re-translated on languageChanged.

#include "core/TarnolixConstants.h"

#include <QObject>
#include <QStringList>

class QTranslator;
class Settings;

class TranslatorMngr : public QObject
{
    Q_OBJECT
    Q_PROPERTY(TarnolixConstants::Language language READ language WRITE setLanguage NOTIFY languageChanged)

public:
    // Takes the stored "Language", else the system's (English unless the
    // system is Russian), and installs both translators on the application.
    TranslatorMngr(Settings* settings, QObject* parent = nullptr);

    TarnolixConstants::Language language() const { return m_language; }
    // Stores the choice and loads its translations; a value that is not an
    // interface language is refused with a warning.
    void setLanguage(TarnolixConstants::Language language);

    // Folders searched for translation files, in order: "translations" beside
    // the executable, then the install's share folder.
    static QStringList translationDirs();

signals:
    void languageChanged();

private:
    void loadTranslations();

    Settings* m_settings;
    QTranslator* m_qtTranslator;
    QTranslator* m_translator;
    TarnolixConstants::Language m_language = TarnolixConstants::InvalidLanguage;
};
