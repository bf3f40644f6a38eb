#include "core/Settings.h"

#include "tests/support/QtPrinters.h"
#include "tests/support/SettingsSandbox.h"

#include <QMetaProperty>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <memory>

namespace {

class SettingsTest : public ::testing::Test
{
protected:
    // A second view of the same file, to see what was really written.
    std::unique_ptr<QSettings> raw() const { return std::make_unique<QSettings>(); }

    tarnolix::test::SettingsSandbox m_sandbox;
};

// Each property, the key it is kept under ("" for memory only).
struct PropertyKey
{
    const char* property;
    const char* key;
};

const PropertyKey kProperties[] = {
    {"zoomFactor", "zoomFactor"},
    {"colorMode", ""},
    {"showSanskrit", ""},
    {"showDiacritic", ""},
    {"showWordByWord", ""},
    {"showTranslate", ""},
    {"showComment", ""},
    {"advancedSearch", ""},
    {"useOpenGLES", "useOpenGLES"},
    {"enableHighDpiScaling", "enableHighDpiScaling2"},
    {"debugLogsEnabled", "debugLogsEnabled"},
    {"defaultScale", "defaultScale"},
    {"debugSaveBookArchivesDir", "debugSaveBookArchivesDir"},
};

QVariant differentValue(const QVariant& current)
{
    switch (current.userType()) {
    case QMetaType::Double: return current.toDouble() + 0.5;
    case QMetaType::Bool: return !current.toBool();
    case QMetaType::QString: return current.toString() + QStringLiteral("/другая папка");
    default: return int(TarnolixConstants::Light); // the colour mode starts Dark
    }
}

} // namespace

TEST_F(SettingsTest, DefaultsOnAnEmptyStoreInTheUsersIniFile)
{
    const Settings settings;
    EXPECT_EQ(settings.format(), QSettings::NativeFormat);
    EXPECT_EQ(settings.fileName(), m_sandbox.path() + "/Tarnolix/Tarnolix.conf");

    EXPECT_EQ(settings.zoomFactor(), 1.0);
    EXPECT_EQ(settings.colorMode(), TarnolixConstants::Dark);
    EXPECT_TRUE(settings.showSanskrit());
    EXPECT_TRUE(settings.showDiacritic());
    EXPECT_TRUE(settings.showWordByWord());
    EXPECT_TRUE(settings.showTranslate());
    EXPECT_TRUE(settings.showComment());
    EXPECT_FALSE(settings.advancedSearch());
    EXPECT_FALSE(settings.useOpenGLES());
    EXPECT_TRUE(settings.enableHighDpiScaling());
    EXPECT_FALSE(settings.debugLogsEnabled());
    EXPECT_EQ(settings.defaultScale(), 1.0);
    EXPECT_EQ(settings.debugSaveBookArchivesDir(), QString());
    EXPECT_TRUE(settings.allKeys().isEmpty()) << "construction writes nothing";
}

TEST_F(SettingsTest, EveryPropertyNotifiesOnceAndWritesOnlyItsOwnKey)
{
    for (const PropertyKey& entry : kProperties) {
        SCOPED_TRACE(entry.property);
        Settings settings;
        const QMetaObject* meta = settings.metaObject();
        const QMetaProperty property = meta->property(meta->indexOfProperty(entry.property));
        ASSERT_TRUE(property.isValid());
        ASSERT_TRUE(property.hasNotifySignal());
        EXPECT_EQ(QByteArray(property.notifySignal().name()), QByteArray(entry.property) + "Changed");

        QSignalSpy spy(&settings, property.notifySignal());
        const QVariant before = property.read(&settings);
        const QVariant changed = differentValue(before);
        ASSERT_TRUE(property.write(&settings, changed));
        EXPECT_EQ(spy.count(), 1);
        EXPECT_NE(property.read(&settings), before);

        ASSERT_TRUE(property.write(&settings, changed));
        EXPECT_EQ(spy.count(), 1) << "the same value again is no change";

        const QStringList expectedKeys = *entry.key ? QStringList{entry.key} : QStringList{};
        EXPECT_EQ(settings.allKeys(), expectedKeys);

        settings.clear();
    }
}

TEST_F(SettingsTest, StoredPropertiesComeBackInTheNextRunDisplaySwitchesDoNot)
{
    {
        Settings settings;
        settings.setZoomFactor(1.25);
        settings.setDebugLogsEnabled(true);
        settings.setDefaultScale(1.5);
        settings.setDebugSaveBookArchivesDir(QStringLiteral("/tmp/архивы"));
        settings.setUseOpenGLES(true);
        settings.setEnableHighDpiScaling(false);
        settings.setColorMode(TarnolixConstants::Light);
        settings.setShowSanskrit(false);
        settings.setAdvancedSearch(true);
    }
    const Settings next;
    EXPECT_EQ(next.zoomFactor(), 1.25);
    EXPECT_TRUE(next.debugLogsEnabled());
    EXPECT_EQ(next.defaultScale(), 1.5);
    EXPECT_EQ(next.debugSaveBookArchivesDir(), QStringLiteral("/tmp/архивы"));
    EXPECT_TRUE(next.useOpenGLES());
    EXPECT_FALSE(next.enableHighDpiScaling());
    EXPECT_EQ(next.colorMode(), TarnolixConstants::Dark);
    EXPECT_TRUE(next.showSanskrit());
    EXPECT_FALSE(next.advancedSearch());
}

TEST_F(SettingsTest, ScalesIgnoreChangesBelowTheFuzzyThreshold)
{
    struct Case
    {
        double value;
        bool changes;
    };
    const Case cases[] = {{1.0, false}, {1.0000000000001, false}, {0.9999999999999, false},
                          {1.00000001, true},  {2.0, true},            {0.0, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        Settings settings;
        QSignalSpy zoomSpy(&settings, &Settings::zoomFactorChanged);
        QSignalSpy scaleSpy(&settings, &Settings::defaultScaleChanged);
        settings.setZoomFactor(c.value);
        settings.setDefaultScale(c.value);
        EXPECT_EQ(zoomSpy.count(), c.changes ? 1 : 0);
        EXPECT_EQ(scaleSpy.count(), c.changes ? 1 : 0);
        EXPECT_EQ(settings.contains("zoomFactor"), c.changes);
        EXPECT_EQ(settings.contains("defaultScale"), c.changes);
        EXPECT_EQ(settings.zoomFactor(), c.changes ? c.value : 1.0);
        settings.clear();
    }
}

TEST_F(SettingsTest, ColorModeLivesInMemoryOnly)
{
    Settings settings;
    QSignalSpy spy(&settings, &Settings::colorModeChanged);
    settings.setColorMode(TarnolixConstants::Dark);
    EXPECT_EQ(spy.count(), 0);
    settings.setColorMode(TarnolixConstants::Light);
    EXPECT_EQ(spy.count(), 1);
    EXPECT_EQ(settings.colorMode(), TarnolixConstants::Light);
    EXPECT_TRUE(settings.allKeys().isEmpty());
}

TEST_F(SettingsTest, StoreOnlySwitchesReadTheStoreEveryTime)
{
    Settings settings;
    raw()->setValue("enableHighDpiScaling", false);
    EXPECT_TRUE(settings.enableHighDpiScaling()) << "the old key is ignored";

    settings.set("enableHighDpiScaling2", false);
    settings.set("useOpenGLES", true);
    EXPECT_FALSE(settings.enableHighDpiScaling());
    EXPECT_TRUE(settings.useOpenGLES());

    // Already stored: setting the same value again is no change.
    QSignalSpy spy(&settings, &Settings::useOpenGLESChanged);
    settings.setUseOpenGLES(true);
    EXPECT_EQ(spy.count(), 0);
}

TEST_F(SettingsTest, GenericAccessorsAndTheirDefaults)
{
    Settings settings;
    EXPECT_EQ(settings.getInt("missing"), 0);
    EXPECT_EQ(settings.getInt("missing", 5), 5);
    EXPECT_EQ(settings.getString("missing"), QString());
    EXPECT_EQ(settings.getString("missing", "x"), QStringLiteral("x"));
    EXPECT_FALSE(settings.get("missing").isValid());
    EXPECT_EQ(settings.get("missing", 7), QVariant(7));

    settings.set("Window/width", 1280);
    settings.set("Login/LastLoginEmail", QStringLiteral("reader@tarnolix.invalid"));
    settings.set("notANumber", QStringLiteral("abc"));
    EXPECT_EQ(settings.getInt("Window/width", 5), 1280);
    EXPECT_EQ(settings.getInt("notANumber", 5), 0) << "present but not a number";
    EXPECT_EQ(settings.getString("Login/LastLoginEmail"), QStringLiteral("reader@tarnolix.invalid"));
    EXPECT_EQ(settings.getString("Window/width"), QStringLiteral("1280"));

    // Another view of the file sees the values once they are written out.
    settings.sync();
    EXPECT_EQ(raw()->value("Window/width").toInt(), 1280);
}

TEST_F(SettingsTest, GenericWriteOfAStoredKeyLeavesTheLoadedProperty)
{
    Settings settings;
    settings.set("zoomFactor", 2.0);
    EXPECT_EQ(settings.zoomFactor(), 1.0);
    EXPECT_EQ(settings.get("zoomFactor").toDouble(), 2.0);
    settings.sync();
    EXPECT_EQ(Settings().zoomFactor(), 2.0) << "the next run loads it";
}

TEST_F(SettingsTest, CurrentObjectIsHandedOutUntilItIsGone)
{
    EXPECT_EQ(Settings::current(), nullptr);
    {
        Settings settings;
        Settings::setCurrent(&settings);
        EXPECT_EQ(Settings::current(), &settings);
        { Settings other; } // another object going away leaves the current one
        EXPECT_EQ(Settings::current(), &settings);
    }
    EXPECT_EQ(Settings::current(), nullptr);
}
