#include "core/FavoriteRecords.h"

#include "tests/core/ExceptionText.h"
#include "tests/core/LogCapture.h"

#include <QDebug>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <limits>

TEST(FavoriteRecords, SelectedPositionDebugTextEndsWithTheStreamSeparator)
{
    SelectedPosition position;
    position.setSectionCode(QStringLiteral("1.2"));
    position.setOffset(5);
    QString text;
    QDebug(&text) << position;
    EXPECT_EQ(text, QStringLiteral("SelectedPosition(sectionCode=\"1.2\", sectionIndex=null, offset=5) "));

    position.setSectionIndex(quint64(1) << 40);
    text.clear();
    QDebug(&text) << position << "next";
    EXPECT_EQ(text, QStringLiteral("SelectedPosition(sectionCode=\"1.2\", sectionIndex=1099511627776, offset=5) "
                                   "next "));
}

TEST(FavoriteRecords, AbsentAndEmptyOptionalTextsDiffer)
{
    Favorite favorite;
    EXPECT_FALSE(favorite.title().has_value());
    favorite.setTitle(QStringLiteral("Title"));
    favorite.setTitle(std::nullopt);
    EXPECT_FALSE(favorite.title().has_value());
    favorite.setTitle(QString());
    ASSERT_TRUE(favorite.title().has_value());
    EXPECT_TRUE(favorite.title()->isEmpty());

    SelectedPosition position;
    position.setSectionIndex(7);
    position.setSectionIndex(std::nullopt);
    EXPECT_FALSE(position.sectionIndex().has_value());
}

TEST(FavoriteRecords, JournalActionsReadBackOnlyFromZeroToTwo)
{
    EXPECT_EQ(intFromVariantMax2(QVariant(0)), 0);
    EXPECT_EQ(intFromVariantMax2(QVariant(1)), 1);
    EXPECT_EQ(intFromVariantMax2(QVariant(qint64(2))), 2);
    EXPECT_EQ(intFromVariantMax2(QVariant(QStringLiteral("2"))), 2);
    EXPECT_EQ(intFromVariantMax2(QVariant(2u)), 2);
    EXPECT_EQ(intFromVariantMax2(QVariant(1.0)), 1);

    const struct
    {
        QVariant value;
        const char* error;
    } refused[] = {
        {QVariant(3), "ERROR 0xF4716749"},
        {QVariant(-1), "ERROR 0xF4716749"},
        // Wider values that an int conversion would wrap into range.
        {QVariant(qlonglong(4294967297)), "ERROR 0xF4716749"},
        {QVariant(qlonglong(-4294967295)), "ERROR 0xF4716749"},
        {QVariant(qulonglong(4294967298)), "ERROR 0xF4716749"},
        {QVariant(qulonglong(18446744073709551615u)), "ERROR 0xF4716749"},
        {QVariant(QStringLiteral("4294967297")), "ERROR 0xF4716749"},
        {QVariant(QStringLiteral("18446744073709551617")), "ERROR 0xF4716749"},
        {QVariant(4294967297.0), "ERROR 0xF4716749"},
        {QVariant(std::numeric_limits<double>::infinity()), "ERROR 0xF4716749"},
        {QVariant(std::numeric_limits<double>::quiet_NaN()), "ERROR 0xF4716748"},
        {QVariant(QStringLiteral("two")), "ERROR 0xF4716748"},
        {QVariant(), "ERROR 0xF4716748"},
    };
    for (const auto& c : refused)
        EXPECT_EQ(errorOf([&] { intFromVariantMax2(c.value); }), QLatin1String(c.error))
            << c.value.toString().toStdString();

    EXPECT_EQ(FavoritesSyncItem(QUuid::createUuid(), FavoritesSyncItem::Deleted).actionVariant(), QVariant(2));
}

TEST(FavoriteRecords, UserFromJsonReadsKnownKeysAndWarnsOnOthers)
{
    LogCapture log;
    User user;
    userFromJson(user, QJsonDocument::fromJson(R"({"id": 3, "ai_access": true, "avatar": "x"})").object());
    EXPECT_EQ(user.id(), 3);
    EXPECT_TRUE(user.aiAccess());
    EXPECT_TRUE(user.name().isEmpty());
    EXPECT_TRUE(user.email().isEmpty());
    EXPECT_EQ(log.warnings(), QStringList{QStringLiteral("fromJson: Unknown key: avatar")});

    User full;
    userFromJson(full, QJsonDocument::fromJson(R"({"name": "Ivan", "last_name": "Petrov", "spiritual_name": "Dasa",
                                                   "email": "i@p.invalid", "subscribe_level": 4,
                                                   "ai_access": "yes"})")
                           .object());
    EXPECT_EQ(full.lastName(), QStringLiteral("Petrov"));
    EXPECT_EQ(full.spiritualName(), QStringLiteral("Dasa"));
    EXPECT_EQ(full.email(), QStringLiteral("i@p.invalid"));
    EXPECT_TRUE(full.subscribeLevel().isEmpty()); // a number is not a text
    EXPECT_FALSE(full.aiAccess());                // nor a text a boolean
}

TEST(FavoriteRecords, UsersDifferingInOneFieldAreNotEqual)
{
    User a;
    a.setId(1);
    a.setEmail(QStringLiteral("a@b.invalid"));
    User b = a;
    EXPECT_EQ(a, b);
    b.setSubscribeLevel(QStringLiteral("gold"));
    EXPECT_NE(a, b);
    b = a;
    b.setAiAccess(true);
    EXPECT_NE(a, b);
}
