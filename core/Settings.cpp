#include "core/Settings.h"

#include <QtGlobal>

#include <atomic>

namespace {

const QString kZoomFactor = QStringLiteral("zoomFactor");
const QString kUseOpenGLES = QStringLiteral("useOpenGLES");
// The high-DPI switch moved to a new key when its default changed; the old
// "enableHighDpiScaling" entry is deliberately ignored.
const QString kEnableHighDpiScaling = QStringLiteral("enableHighDpiScaling2");
const QString kDebugLogsEnabled = QStringLiteral("debugLogsEnabled");
const QString kDefaultScale = QStringLiteral("defaultScale");
const QString kDebugSaveBookArchivesDir = QStringLiteral("debugSaveBookArchivesDir");

std::atomic<Settings*> g_current{nullptr};

constexpr bool kUseOpenGLESDefault = false;
constexpr bool kEnableHighDpiScalingDefault = true;

// Stores a memory-only switch and notifies only on a real change.
template <typename T>
void assignAndNotify(Settings* self, T& member, const T& value, void (Settings::*changed)())
{
    if (member == value)
        return;
    member = value;
    emit (self->*changed)();
}

} // namespace

Settings::Settings(QObject* parent)
    : QSettings(parent)
{
    m_zoomFactor = value(kZoomFactor, 1.0).toDouble();
    m_debugLogsEnabled = value(kDebugLogsEnabled, false).toBool();
    m_defaultScale = value(kDefaultScale, 1.0).toDouble();
    m_debugSaveBookArchivesDir = value(kDebugSaveBookArchivesDir, QString()).toString();
}

Settings::~Settings()
{
    Settings* self = this;
    g_current.compare_exchange_strong(self, nullptr);
}

Settings* Settings::current()
{
    return g_current.load();
}

void Settings::setCurrent(Settings* settings)
{
    g_current.store(settings);
}

QVariant Settings::get(const QString& key, const QVariant& defaultValue) const
{
    return value(key, defaultValue);
}

void Settings::set(const QString& key, const QVariant& value)
{
    setValue(key, value);
}

int Settings::getInt(const QString& key, int defaultValue) const
{
    return contains(key) ? value(key).toInt() : defaultValue;
}

QString Settings::getString(const QString& key, const QString& defaultValue) const
{
    return contains(key) ? value(key).toString() : defaultValue;
}

bool Settings::useOpenGLES() const
{
    return value(kUseOpenGLES, kUseOpenGLESDefault).toBool();
}

bool Settings::enableHighDpiScaling() const
{
    return value(kEnableHighDpiScaling, kEnableHighDpiScalingDefault).toBool();
}

void Settings::setZoomFactor(double zoomFactor)
{
    if (qFuzzyCompare(m_zoomFactor, zoomFactor))
        return;
    m_zoomFactor = zoomFactor;
    setValue(kZoomFactor, zoomFactor);
    emit zoomFactorChanged();
}

void Settings::setColorMode(TarnolixConstants::ColorMode colorMode)
{
    assignAndNotify(this, m_colorMode, colorMode, &Settings::colorModeChanged);
}

void Settings::setShowSanskrit(bool show)
{
    assignAndNotify(this, m_showSanskrit, show, &Settings::showSanskritChanged);
}

void Settings::setShowDiacritic(bool show)
{
    assignAndNotify(this, m_showDiacritic, show, &Settings::showDiacriticChanged);
}

void Settings::setShowWordByWord(bool show)
{
    assignAndNotify(this, m_showWordByWord, show, &Settings::showWordByWordChanged);
}

void Settings::setShowTranslate(bool show)
{
    assignAndNotify(this, m_showTranslate, show, &Settings::showTranslateChanged);
}

void Settings::setShowComment(bool show)
{
    assignAndNotify(this, m_showComment, show, &Settings::showCommentChanged);
}

void Settings::setAdvancedSearch(bool advanced)
{
    assignAndNotify(this, m_advancedSearch, advanced, &Settings::advancedSearchChanged);
}

void Settings::setUseOpenGLES(bool use)
{
    if (useOpenGLES() == use)
        return;
    setValue(kUseOpenGLES, use);
    emit useOpenGLESChanged();
}

void Settings::setEnableHighDpiScaling(bool enable)
{
    if (enableHighDpiScaling() == enable)
        return;
    setValue(kEnableHighDpiScaling, enable);
    emit enableHighDpiScalingChanged();
}

void Settings::setDebugLogsEnabled(bool enabled)
{
    if (m_debugLogsEnabled == enabled)
        return;
    m_debugLogsEnabled = enabled;
    setValue(kDebugLogsEnabled, enabled);
    emit debugLogsEnabledChanged();
}

void Settings::setDefaultScale(double scale)
{
    if (qFuzzyCompare(m_defaultScale, scale))
        return;
    m_defaultScale = scale;
    setValue(kDefaultScale, scale);
    emit defaultScaleChanged();
}

void Settings::setDebugSaveBookArchivesDir(const QString& dir)
{
    if (m_debugSaveBookArchivesDir == dir)
        return;
    m_debugSaveBookArchivesDir = dir;
    setValue(kDebugSaveBookArchivesDir, dir);
    emit debugSaveBookArchivesDirChanged();
}
