#include "core/TarnolixConstants.h"

#include "tests/core/LogCapture.h"

#include <QCoreApplication>
#include <QMetaProperty>
#include <QProcess>

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <thread>

using C = TarnolixConstants;

TEST(TarnolixConstants, EnumKeyTexts)
{
    EXPECT_EQ(catalogItemTypeToString(C::Letter), QStringLiteral("Letter"));
    EXPECT_EQ(catalogItemTypeToString(C::FavoriteItemId), QStringLiteral("FavoriteItemId"));
    EXPECT_EQ(catalogItemTypeToString(C::InvalidCatalogItemType), QString());
    EXPECT_EQ(catalogItemTypeFromString(QStringLiteral("SRItemId")), C::SRItemId);
    EXPECT_EQ(catalogItemTypeFromString(QStringLiteral("book")), C::InvalidCatalogItemType);

    EXPECT_EQ(catalogTabToString(C::Categories), QStringLiteral("Categories"));
    EXPECT_EQ(catalogTabToString(C::FavoritesByBooks), QStringLiteral("FavoritesByBooks"));
    EXPECT_EQ(catalogTabToString(C::InvalidCatalogTab), QString());
    EXPECT_EQ(catalogTabToString(C::CatalogTab(8)), QString());
    EXPECT_EQ(catalogTabFromString(QStringLiteral("Nothing")), C::InvalidCatalogTab);
    EXPECT_EQ(catalogTabFromString(QStringLiteral("Categories")), C::Categories);

    EXPECT_EQ(originalChoiseToString(C::WordStartsWith), QStringLiteral("wordstartswith"));
    EXPECT_EQ(originalChoiseFromString(QStringLiteral("Exact")), C::InvalidOriginalChoise);
    EXPECT_EQ(originalChoiseFromString(QStringLiteral("exact")), C::Exact);

    EXPECT_EQ(searchSortToString(C::ByMatch), QStringLiteral("ByMatch"));
    EXPECT_EQ(searchSortFromString(QString()), C::ByRelevance);
    EXPECT_EQ(searchSortFromString(QStringLiteral("ByCatalog")), C::ByCatalog);

    EXPECT_EQ(searchTypeToString(C::GlossarySearch), QStringLiteral("glossarysearch"));
    EXPECT_EQ(searchTypeToString(C::InvalidSearchType), QString());
    EXPECT_EQ(searchTypeToString(C::SearchType(5)), QString());

    C constants;
    EXPECT_EQ(constants.convertColorModeToString(C::InvalidColorMode), QString());
    EXPECT_EQ(constants.convertColorModeToString(C::Dark), QStringLiteral("dark"));
    EXPECT_EQ(colorModeToString(C::Mixed), QStringLiteral("mixed"));
}

TEST(TarnolixConstants, EnumKeyTextsArePerThreadAndAgree)
{
    // Each thread builds its own maps; they must give the same texts.
    QString fromOther;
    C::CatalogTab backFromOther = C::InvalidCatalogTab;
    std::thread worker([&] {
        fromOther = catalogTabToString(C::Glossaries);
        backFromOther = catalogTabFromString(fromOther);
    });
    worker.join();
    EXPECT_EQ(fromOther, QStringLiteral("Glossaries"));
    EXPECT_EQ(backFromOther, C::Glossaries);
}

TEST(TarnolixConstants, LanguageFunctions)
{
    LogCapture log;
    const auto take = [&log] { const QStringList w = log.warnings(); log.clear(); return w; };
    EXPECT_EQ(languageToString(C::Sanskrit), QStringLiteral("st"));
    EXPECT_EQ(languageToString(C::Russian), QStringLiteral("ru"));
    EXPECT_EQ(languageToName(C::English), QStringLiteral("English"));
    EXPECT_EQ(languageFromString(QStringLiteral("ru")), C::Russian);
    EXPECT_EQ(languageToLocale(C::Russian).language(), QLocale::Russian);
    EXPECT_EQ(languageToStringTr(C::Sanskrit), QStringLiteral("Санскрит"));
    C constants;
    EXPECT_EQ(constants.convertLanguageToString(C::Russian), QStringLiteral("Russian"));
    EXPECT_TRUE(take().isEmpty());

    EXPECT_EQ(languageToString(C::InvalidLanguage), QString());
    EXPECT_EQ(languageToName(C::Language(4)), QString());
    EXPECT_EQ(take(), QStringList({QStringLiteral("languageToString: Invalid language"), QStringLiteral("languageToString: Invalid language")}));

    EXPECT_EQ(languageFromString(QStringLiteral("EN")), C::InvalidLanguage);
    EXPECT_EQ(take(), QStringList{QStringLiteral("languageFromString: Not found")});

    languageToLocale(C::Sanskrit);
    EXPECT_EQ(take(), QStringList{QStringLiteral("languageToLocale: Invalid language")});

    EXPECT_EQ(languageToStringTr(C::InvalidLanguage), QString());
    EXPECT_EQ(take(), QStringList{QStringLiteral("languageToStringTr: Invalid language")});
}

TEST(TarnolixConstants, PropertiesAsQmlReadsThem)
{
    C constants;
    const auto read = [&](const char* name) { return constants.property(name); };
    EXPECT_EQ(read("colorStatic").value<QColor>(), read("lightGray").value<QColor>());
    EXPECT_EQ(read("lightGold").value<QColor>(), QColor(QStringLiteral("#C99C66")));
    EXPECT_EQ(read("orange").value<QColor>().alpha(), 255);
    EXPECT_FALSE(read("isWindows").toBool());
    EXPECT_FALSE(read("isMacOS").toBool());
    EXPECT_EQ(read("glossaryLanguage").toInt(), int(C::English));

    // Declared in the documented order, all constant.
    const QMetaObject* meta = constants.metaObject();
    const int first = meta->propertyOffset();
    EXPECT_STREQ(meta->property(first).name(), "lightGold");
    EXPECT_STREQ(meta->property(first + 16).name(), "isDebug");
    EXPECT_STREQ(meta->property(meta->propertyCount() - 1).name(), "glossaryLanguage");
    for (int i = first; i < meta->propertyCount(); ++i)
        EXPECT_TRUE(meta->property(i).isConstant()) << meta->property(i).name();
}

// Runs in a child process with TARNOLIX_DEBUG set: isDebug is read once per run.
TEST(TarnolixConstants, IsDebugChild)
{
    const QByteArray expected = qgetenv("TARNOLIX_EXPECT_DEBUG");
    if (expected.isEmpty())
        GTEST_SKIP() << "run by IsDebugReadsExactlyOne";
    EXPECT_EQ(C::isDebug(), expected == "true");
    qputenv("TARNOLIX_DEBUG", expected == "true" ? "0" : "1");
    EXPECT_EQ(C::isDebug(), expected == "true") << "the first reading is kept";
}

TEST(TarnolixConstants, IsDebugReadsExactlyOne)
{
    const std::pair<const char*, bool> cases[] = {{"1", true}, {"1 ", false}, {"true", false}, {"", false}, {"0", false}};
    for (const auto& [value, expected] : cases) {
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("TARNOLIX_DEBUG"), QString::fromLatin1(value));
        env.insert(QStringLiteral("TARNOLIX_EXPECT_DEBUG"), expected ? QStringLiteral("true") : QStringLiteral("false"));
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--gtest_filter=TarnolixConstants.IsDebugChild")});
        ASSERT_TRUE(child.waitForFinished(30000));
        const QByteArray output = child.readAllStandardOutput();
        EXPECT_EQ(child.exitCode(), 0) << "TARNOLIX_DEBUG=\"" << value << "\"\n" << output.toStdString();
        EXPECT_TRUE(output.contains("[  PASSED  ] 1 test.") && !output.contains("SKIPPED"))
            << output.toStdString();
    }
}
