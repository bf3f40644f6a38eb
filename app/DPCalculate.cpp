#include "app/DPCalculate.h"

#include "core/Settings.h"

#include <QGuiApplication>

#include <algorithm>
#include <cmath>

namespace {

constexpr double kBaseDpi = 96.0;

// `going` is a screen being destroyed: it is never the answer.
QScreen* findScreen(const QString& name, const QObject* going = nullptr)
{
    const QList<QScreen*> screens = QGuiApplication::screens();
    const auto found = std::find_if(screens.begin(), screens.end(),
                                    [&](QScreen* s) { return s != going && s->name() == name; });
    return found == screens.end() ? nullptr : *found;
}

} // namespace

DPCalculate::DPCalculate(QObject* parent, Settings* settings)
    : QObject(parent)
    , m_settings(settings ? settings : Settings::current())
{
    if (m_settings) {
        connect(m_settings, &Settings::enableHighDpiScalingChanged, this, &DPCalculate::enableHighDpiScalingChanged);
        connect(m_settings, &Settings::defaultScaleChanged, this, &DPCalculate::defaultScaleChanged);
        m_highDpiScaling = m_settings->enableHighDpiScaling();
        m_defaultScale = m_settings->defaultScale();
    }
    qDebug("High dpi scaling %s", m_highDpiScaling ? "enabled" : "disabled");
    qDebug("defaultScale %f", m_defaultScale);
}

bool DPCalculate::fuzzyEqual(double a, double b)
{
    return std::fabs(a - b) * 1e12 <= std::min(std::fabs(a), std::fabs(b));
}

void DPCalculate::setScreenName(const QString& screenName)
{
    if (screenName == m_screenName)
        return;
    m_screenName = screenName;
    emit screenNameChanged();
    trackScreen();
    updateDp();
}

void DPCalculate::trackScreen(const QObject* going)
{
    disconnect(m_screenDestroyed);
    disconnect(m_screenDpiChanged);
    m_screen = findScreen(m_screenName, going);
    if (!m_screen)
        return;
    m_screenDestroyed = connect(m_screen, &QObject::destroyed, this, &DPCalculate::screenDestroyed);
    m_screenDpiChanged = connect(m_screen, &QScreen::logicalDotsPerInchChanged, this, &DPCalculate::updateDp);
}

void DPCalculate::screenDestroyed()
{
    trackScreen(sender());
    updateDp();
}

void DPCalculate::enableHighDpiScalingChanged()
{
    if (m_settings)
        m_highDpiScaling = m_settings->enableHighDpiScaling();
    qDebug("High dpi scaling %s", m_highDpiScaling ? "enabled" : "disabled");
    updateDp();
}

void DPCalculate::defaultScaleChanged()
{
    if (m_settings)
        m_defaultScale = m_settings->defaultScale();
    qDebug("defaultScale %f", m_defaultScale);
    updateDp();
}

void DPCalculate::updateDp()
{
    double base = 1.0;
    if (!m_highDpiScaling) {
        // The reader's default scale alone.
    } else if (!m_screen) {
        qWarning("Screen=%s SCREEN NOT FOUND dp=%f", qUtf8Printable(m_screenName), base);
    } else {
        base = m_screen->logicalDotsPerInch() / kBaseDpi;
        qDebug("Screen=%s logicalDotsPerInch=%f dp=%f", qUtf8Printable(m_screenName),
               m_screen->logicalDotsPerInch(), base);
    }
    if (!fuzzyEqual(m_defaultDp, base)) {
        m_defaultDp = base;
        emit defaultDpChanged();
    }
    const double dp = base * m_defaultScale;
    if (!fuzzyEqual(m_dp, dp)) {
        m_dp = dp;
        emit dpChanged();
    }
}
