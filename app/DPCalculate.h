#pragma once
// The scale of one window: how many pixels one device-independent unit is
// on the screen the window is on. Qt's own high-DPI scaling is off, so the
// interface scales itself by `dp`: the screen's logical DPI over 96 (when
// the high-DPI switch of the settings is on) times the reader's default
// scale. Each window makes one and binds `screenName` to its screen's name.

#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <QScreen>
#include <QString>

class Settings;

class DPCalculate : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString screenName READ screenName WRITE setScreenName NOTIFY screenNameChanged)
    // The screen's scale alone, without the reader's default scale.
    Q_PROPERTY(double defaultDp READ defaultDp NOTIFY defaultDpChanged)
    Q_PROPERTY(double dp READ dp NOTIFY dpChanged)

public:
    // Reads and follows `settings`, or Settings::current() when null.
    explicit DPCalculate(QObject* parent = nullptr, Settings* settings = nullptr);

    QString screenName() const { return m_screenName; }
    void setScreenName(const QString& screenName);
    double defaultDp() const { return m_defaultDp; }
    double dp() const { return m_dp; }

    // Relative equality: |a - b| * 1e12 <= min(|a|, |b|).
    static bool fuzzyEqual(double a, double b);

signals:
    void screenNameChanged();
    void defaultDpChanged();
    void dpChanged();

public slots:
    void screenDestroyed();
    void enableHighDpiScalingChanged();
    void defaultScaleChanged();
    void updateDp();

private:
    // Looks the screen up by name; `going` (a screen being destroyed) is skipped.
    void trackScreen(const QObject* going = nullptr);

    QPointer<Settings> m_settings;
    QString m_screenName;
    QPointer<QScreen> m_screen;
    QMetaObject::Connection m_screenDestroyed;
    QMetaObject::Connection m_screenDpiChanged;
    bool m_highDpiScaling = true;
    double m_defaultScale = 1.0;
    double m_defaultDp = 1.0;
    double m_dp = 1.0;
};
