#include "core/Settings.h"
#include "core/TranslatorMngr.h"

#include "tests/core/LogCapture.h"
#include "tests/support/QtPrinters.h"
#include "tests/support/SettingsSandbox.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace {

bool hasWarning(const LogCapture& log, const QString& prefix)
{
    const QStringList warnings = log.warnings();
    return std::any_of(warnings.begin(), warnings.end(), [&](const QString& w) { return w.startsWith(prefix); });
}

// The language names are interface texts: they show which file is loaded.
QString russianName()
{
    return languageToStringTr(TarnolixConstants::Russian);
}

QString sample()
{
    return QCoreApplication::translate("TranslatorMngrTest", "Образец");
}

class TranslatorMngrTest : public ::testing::Test
{
protected:
    std::unique_ptr<TranslatorMngr> make() { return std::make_unique<TranslatorMngr>(m_settings.get()); }

    tarnolix::test::SettingsSandbox m_sandbox;
    std::unique_ptr<Settings> m_settings = std::make_unique<Settings>();
};

using GermanSystem = TranslatorMngrTest;
using RussianSystem = TranslatorMngrTest;

} // namespace

TEST(TranslationDirs, BesideTheProgramThenTheSharedFolder)
{
    const QStringList dirs = TranslatorMngr::translationDirs();
    ASSERT_EQ(dirs.size(), 2);
    const QString appDir = QCoreApplication::applicationDirPath();
    EXPECT_EQ(dirs[0], appDir + "/translations");
    EXPECT_EQ(QFileInfo(dirs[1]).absoluteFilePath(),
              QFileInfo(appDir + "/../share/tarnolix/translations").absoluteFilePath());
}

TEST_F(GermanSystem, FirstStartFallsBackToEnglishWithoutStoringIt)
{
    ASSERT_EQ(QLocale::system().language(), QLocale::German) << "run with LC_ALL=de_DE.UTF-8";
    LogCapture recorder;
    const auto manager = make();
    EXPECT_EQ(manager->language(), TarnolixConstants::English);
    EXPECT_EQ(recorder.warnings().count("Unknown system locale"), 1);
    EXPECT_FALSE(m_settings->contains("Language"));

    EXPECT_EQ(QLocale().language(), QLocale::English);
    EXPECT_EQ(russianName(), QStringLiteral("Russian")) << "the program's file beside the executable";
    EXPECT_EQ(sample(), QStringLiteral("Sample from the share folder")) << "Qt's file from the share folder";
    EXPECT_FALSE(hasWarning(recorder, "RemoteClient::setLanguage"));
}

TEST_F(GermanSystem, UnknownStoredCodeLetsTheSystemDecide)
{
    m_settings->set("Language", "xx");
    LogCapture recorder;
    const auto manager = make();
    EXPECT_EQ(manager->language(), TarnolixConstants::English);
    EXPECT_EQ(recorder.warnings().mid(0, 2),
              QStringList({"languageFromString: Not found", "Unknown system locale"}));
    EXPECT_EQ(m_settings->getString("Language"), QStringLiteral("xx")) << "left as it was";
}

TEST_F(GermanSystem, StoredSanskritHasNoTranslationFiles)
{
    // The any-language locale is whatever the default was: start from the system's.
    QLocale::setDefault(QLocale::system());
    m_settings->set("Language", "st");
    LogCapture recorder;
    const auto manager = make();
    EXPECT_EQ(manager->language(), TarnolixConstants::Sanskrit);
    EXPECT_TRUE(hasWarning(recorder, "languageToLocale: Invalid language"));
    EXPECT_EQ(QLocale(), QLocale(QLocale::AnyLanguage, QLocale::AnyCountry));
    EXPECT_EQ(QLocale().language(), QLocale::German);
    EXPECT_FALSE(hasWarning(recorder, "Unknown system locale"));
    EXPECT_TRUE(hasWarning(recorder, "RemoteClient::setLanguage: Tarnolix translation load error. translateDir: "
                                  + TranslatorMngr::translationDirs().join("; ")));
    EXPECT_EQ(russianName(), QStringLiteral("Русский")) << "source texts stay";
}

TEST_F(GermanSystem, SwitchingLanguagesLoadsBeforeNotifyingAndStoresTheCode)
{
    m_settings->set("Language", "ru");
    const auto manager = make();
    ASSERT_EQ(manager->language(), TarnolixConstants::Russian);
    EXPECT_EQ(QLocale().language(), QLocale::Russian);
    EXPECT_EQ(russianName(), QStringLiteral("Русский"));

    QSignalSpy spy(manager.get(), &TranslatorMngr::languageChanged);
    manager->setLanguage(TarnolixConstants::Russian);
    EXPECT_EQ(spy.count(), 0);

    QString nameWhenNotified;
    QObject::connect(manager.get(), &TranslatorMngr::languageChanged, [&] { nameWhenNotified = russianName(); });
    manager->setLanguage(TarnolixConstants::English);
    EXPECT_EQ(spy.count(), 1);
    EXPECT_EQ(nameWhenNotified, QStringLiteral("Russian"));
    EXPECT_EQ(m_settings->getString("Language"), QStringLiteral("en"));
    EXPECT_EQ(QLocale().language(), QLocale::English);

    // Back to the source language: the English file is unloaded again.
    manager->setLanguage(TarnolixConstants::Russian);
    EXPECT_EQ(spy.count(), 2);
    EXPECT_EQ(russianName(), QStringLiteral("Русский"));
    EXPECT_EQ(m_settings->getString("Language"), QStringLiteral("ru"));
    EXPECT_EQ(TranslatorMngr(m_settings.get()).language(), TarnolixConstants::Russian) << "the next run";
}

TEST_F(GermanSystem, LanguageIsAPropertyForQml)
{
    m_settings->set("Language", "ru");
    const auto manager = make();
    QSignalSpy spy(manager.get(), &TranslatorMngr::languageChanged);
    EXPECT_TRUE(manager->setProperty("language", int(TarnolixConstants::English)));
    EXPECT_EQ(manager->property("language").toInt(), int(TarnolixConstants::English));
    EXPECT_EQ(spy.count(), 1);
}

TEST_F(GermanSystem, ValuesThatAreNoInterfaceLanguageAreRefused)
{
    m_settings->set("Language", "en");
    const auto manager = make();
    QSignalSpy spy(manager.get(), &TranslatorMngr::languageChanged);
    for (const int value : {0, 4, -1}) {
        LogCapture recorder;
        manager->setLanguage(TarnolixConstants::Language(value));
        EXPECT_TRUE(hasWarning(recorder, "TranslatorMngr::setLanguage: Invalid language")) << value;
    }
    EXPECT_EQ(spy.count(), 0);
    EXPECT_EQ(manager->language(), TarnolixConstants::English);
    EXPECT_EQ(m_settings->getString("Language"), QStringLiteral("en"));
    EXPECT_EQ(russianName(), QStringLiteral("Russian"));
}

TEST_F(RussianSystem, FirstStartFollowsARussianSystem)
{
    ASSERT_EQ(QLocale::system().language(), QLocale::Russian) << "run with LC_ALL=ru_RU.UTF-8";
    LogCapture recorder;
    const auto manager = make();
    EXPECT_EQ(manager->language(), TarnolixConstants::Russian);
    EXPECT_FALSE(hasWarning(recorder, "Unknown system locale"));
    EXPECT_FALSE(m_settings->contains("Language"));
    EXPECT_TRUE(hasWarning(recorder, "RemoteClient::setLanguage: Tarnolix translation load error."))
        << "there is no Tarnolix_ru.qm: Russian is the source language";
    if (!QFileInfo::exists(QLibraryInfo::location(QLibraryInfo::TranslationsPath) + "/qt_ru.qm")) {
        EXPECT_TRUE(hasWarning(recorder, "RemoteClient::setLanguage: Qt translations load error. translateDir: "));
    }
}
