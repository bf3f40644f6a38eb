#include "core/StartupTables.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

TEST(StartupTables, ParagraphKinds)
{
    EXPECT_EQ(StartupTables::paragraphKind(QStringLiteral("quote-sanskrit-translate")), 10);
    EXPECT_EQ(StartupTables::paragraphKind(QStringLiteral("comment-plus")), 7);
    EXPECT_EQ(StartupTables::paragraphKind(QStringLiteral("unallocated")), 1);
    EXPECT_EQ(StartupTables::paragraphKind(QStringLiteral("text")), 8);
    EXPECT_FALSE(StartupTables::paragraphKind(QStringLiteral("Text")).has_value());
    EXPECT_FALSE(StartupTables::paragraphKind(QString()).has_value());
    EXPECT_EQ(StartupTables::paragraphKinds().size(), 10u);
}

TEST(StartupTables, LanguageTables)
{
    EXPECT_EQ(StartupTables::languageIdsByCode().at(QStringLiteral("st")), TarnolixConstants::Sanskrit);
    const auto& sanskrit = StartupTables::languageNamesById().at(TarnolixConstants::Sanskrit);
    EXPECT_EQ(sanskrit.code, QStringLiteral("st"));
    EXPECT_EQ(sanskrit.name, QStringLiteral("Sanskrit"));
    const QVector<TarnolixConstants::Language> order{
        TarnolixConstants::Russian, TarnolixConstants::English, TarnolixConstants::Sanskrit};
    EXPECT_EQ(StartupTables::languageOrder(), order);
}

TEST(StartupTables, LateRegistrationIsBuiltAtOnce)
{
    static int runs = 0;
    StartupTables::registerBuilder("test table", [] { ++runs; });
    EXPECT_EQ(runs, 1);
    StartupTables::build();
    EXPECT_EQ(runs, 1) << "a table is built once";
    EXPECT_TRUE(StartupTables::builtTables().contains(QStringLiteral("test table")));
}
