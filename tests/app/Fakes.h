#pragma once
// Small stand-ins with the properties and signals the application object
// reads of objects that later subsystems bring: an index writer.

#include <QList>
#include <QObject>
#include <QUrl>

class FakeIndexWriter : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool active READ active NOTIFY activeChanged)
    Q_PROPERTY(int progress READ progress NOTIFY progressChanged)
    Q_PROPERTY(int progressTotal READ progressTotal NOTIFY progressChanged)

public:
    bool active() const { return m_active; }
    int progress() const { return m_progress; }
    int progressTotal() const { return m_total; }

    void setActive(bool active)
    {
        m_active = active;
        emit activeChanged();
    }
    void setProgress(int progress, int total)
    {
        m_progress = progress;
        m_total = total;
        emit progressChanged();
    }

signals:
    void activeChanged();
    void progressChanged();

private:
    bool m_active = false;
    int m_progress = 0;
    int m_total = 0;
};

// Takes the URLs the program hands to the system browser
// (QDesktopServices::setUrlHandler(scheme, catcher, "open")).
class UrlCatcher : public QObject
{
    Q_OBJECT

public:
    QList<QUrl> urls;

public slots:
    void open(const QUrl& url) { urls.append(url); }
};
