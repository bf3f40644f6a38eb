#pragma once
// Notes when a signal was emitted, in milliseconds since the clock was made,
// on the animation clock that QML timers run on: under the X server the
// scene graph steps that clock by frames, not by the wall clock.

#include <QObject>
#include <QVariantAnimation>
#include <QVector>

class SignalClock : public QObject
{
    Q_OBJECT

public:
    // `signal` as SIGNAL() gives it.
    SignalClock(QObject* sender, const char* signal)
    {
        m_clock.setDuration(10 * 60 * 1000);
        m_clock.setStartValue(0);
        m_clock.setEndValue(1);
        m_clock.start();
        connect(sender, signal, this, SLOT(mark()));
    }

    QVector<int> times;

public slots:
    void mark() { times.append(m_clock.currentTime()); }

private:
    QVariantAnimation m_clock;
};
