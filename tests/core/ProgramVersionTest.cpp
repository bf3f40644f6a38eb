#include "core/ProgramVersion.h"

#include "core/Exception.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

TEST(ProgramVersion, ParseAndFormat)
{
    const ProgramVersion v = programVersionFromString(QStringLiteral("2.1.27"));
    EXPECT_EQ(v.major, 2);
    EXPECT_EQ(v.minor, 1);
    EXPECT_EQ(v.patch, 27);
    EXPECT_EQ(programVersionToString(v), QStringLiteral("2.1.27"));
    EXPECT_EQ(programVersionToString(programVersionFromString(QStringLiteral("0.0.65535"))), QStringLiteral("0.0.65535"));

    const std::pair<const char*, const char*> bad[] = {
        {"2.1", "Invalid version format: 2.1"},
        {"2.1.27.0", "Invalid version format: 2.1.27.0"},
        {"", "Invalid version format: "},
        {"2..27", "Parse version error. Version: 2..27"},
        {"2.1.70000", "Parse version error. Version: 2.1.70000"},
        {"2.1.-0", "Parse version error. Version: 2.1.-0"},
        {"2.x.1", "Parse version error. Version: 2.x.1"},
        {"2.1.0x1", "Parse version error. Version: 2.1.0x1"},
    };
    for (const auto& [text, message] : bad) {
        try {
            programVersionFromString(QString::fromLatin1(text));
            ADD_FAILURE() << "accepted " << text;
        } catch (const Exception& e) {
            EXPECT_EQ(e.message(), QString::fromLatin1(message));
        }
    }
}

TEST(ProgramVersion, Compare)
{
    const auto v = [](const char* text) { return programVersionFromString(QString::fromLatin1(text)); };
    EXPECT_TRUE(programVersionGreater(v("2.1.27"), v("2.1.9")));
    EXPECT_FALSE(programVersionGreater(v("2.1.27"), v("2.1.27")));
    EXPECT_FALSE(programVersionGreater(v("2.1.9"), v("2.1.27")));
    EXPECT_TRUE(programVersionGreater(v("3.0.0"), v("2.9.9")));
    EXPECT_FALSE(programVersionGreater(v("2.0.9"), v("2.1.0")));
    EXPECT_TRUE(programVersionEquals(v("2.1.27"), v("2.1.27")));
    EXPECT_FALSE(programVersionEquals(v("2.1.27"), v("2.1.28")));
    EXPECT_FALSE(programVersionIsValid(programVersionInit()));
    EXPECT_TRUE(programVersionIsValid(v("0.0.1")));
}
