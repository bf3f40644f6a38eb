#pragma once
// The program's configuration store and the display switches QML binds to.
// Stored switches live in the user's native settings file; the display
// switches live in memory for the run. Generic accessors serve every other key.

#include "core/TarnolixConstants.h"

#include <QSettings>
#include <QString>
#include <QVariant>

class Settings : public QSettings
{
    Q_OBJECT
    Q_PROPERTY(double zoomFactor READ zoomFactor WRITE setZoomFactor NOTIFY zoomFactorChanged)
    Q_PROPERTY(TarnolixConstants::ColorMode colorMode READ colorMode WRITE setColorMode NOTIFY colorModeChanged)
    Q_PROPERTY(bool showSanskrit READ showSanskrit WRITE setShowSanskrit NOTIFY showSanskritChanged)
    Q_PROPERTY(bool showDiacritic READ showDiacritic WRITE setShowDiacritic NOTIFY showDiacriticChanged)
    Q_PROPERTY(bool showWordByWord READ showWordByWord WRITE setShowWordByWord NOTIFY showWordByWordChanged)
    Q_PROPERTY(bool showTranslate READ showTranslate WRITE setShowTranslate NOTIFY showTranslateChanged)
    Q_PROPERTY(bool showComment READ showComment WRITE setShowComment NOTIFY showCommentChanged)
    Q_PROPERTY(bool advancedSearch READ advancedSearch WRITE setAdvancedSearch NOTIFY advancedSearchChanged)
    Q_PROPERTY(bool useOpenGLES READ useOpenGLES WRITE setUseOpenGLES NOTIFY useOpenGLESChanged)
    Q_PROPERTY(bool enableHighDpiScaling READ enableHighDpiScaling WRITE setEnableHighDpiScaling
                   NOTIFY enableHighDpiScalingChanged)
    Q_PROPERTY(bool debugLogsEnabled READ debugLogsEnabled WRITE setDebugLogsEnabled
                   NOTIFY debugLogsEnabledChanged FINAL)
    Q_PROPERTY(double defaultScale READ defaultScale WRITE setDefaultScale NOTIFY defaultScaleChanged FINAL)
    Q_PROPERTY(QString debugSaveBookArchivesDir READ debugSaveBookArchivesDir
                   WRITE setDebugSaveBookArchivesDir NOTIFY debugSaveBookArchivesDirChanged FINAL)

public:
    // Uses the application-wide organisation and application names, so they
    // must be set before the object is made.
    explicit Settings(QObject* parent = nullptr);
    ~Settings() override;

    // The object that code without a handed-in Settings uses; main sets it,
    // tests set their own. Null when unset or once that object is gone.
    static Settings* current();
    static void setCurrent(Settings* settings);

    Q_INVOKABLE QVariant get(const QString& key, const QVariant& defaultValue = QVariant()) const;
    Q_INVOKABLE void set(const QString& key, const QVariant& value);
    Q_INVOKABLE int getInt(const QString& key, int defaultValue = 0) const;
    Q_INVOKABLE QString getString(const QString& key, const QString& defaultValue = QString()) const;

    double zoomFactor() const { return m_zoomFactor; }
    TarnolixConstants::ColorMode colorMode() const { return m_colorMode; }
    bool showSanskrit() const { return m_showSanskrit; }
    bool showDiacritic() const { return m_showDiacritic; }
    bool showWordByWord() const { return m_showWordByWord; }
    bool showTranslate() const { return m_showTranslate; }
    bool showComment() const { return m_showComment; }
    bool advancedSearch() const { return m_advancedSearch; }
    bool useOpenGLES() const;
    bool enableHighDpiScaling() const;
    bool debugLogsEnabled() const { return m_debugLogsEnabled; }
    double defaultScale() const { return m_defaultScale; }
    QString debugSaveBookArchivesDir() const { return m_debugSaveBookArchivesDir; }

    void setZoomFactor(double zoomFactor);
    void setColorMode(TarnolixConstants::ColorMode colorMode);
    void setShowSanskrit(bool show);
    void setShowDiacritic(bool show);
    void setShowWordByWord(bool show);
    void setShowTranslate(bool show);
    void setShowComment(bool show);
    void setAdvancedSearch(bool advanced);
    void setUseOpenGLES(bool use);
    void setEnableHighDpiScaling(bool enable);
    void setDebugLogsEnabled(bool enabled);
    void setDefaultScale(double scale);
    void setDebugSaveBookArchivesDir(const QString& dir);

signals:
    void zoomFactorChanged();
    void colorModeChanged();
    void showSanskritChanged();
    void showDiacriticChanged();
    void showWordByWordChanged();
    void showTranslateChanged();
    void showCommentChanged();
    void advancedSearchChanged();
    void useOpenGLESChanged();
    void enableHighDpiScalingChanged();
    void debugLogsEnabledChanged();
    void defaultScaleChanged();
    void debugSaveBookArchivesDirChanged();

private:
    double m_zoomFactor = 1.0;
    TarnolixConstants::ColorMode m_colorMode = TarnolixConstants::Dark;
    bool m_showSanskrit = true;
    bool m_showDiacritic = true;
    bool m_showWordByWord = true;
    bool m_showTranslate = true;
    bool m_showComment = true;
    bool m_advancedSearch = false;
    bool m_debugLogsEnabled = false;
    double m_defaultScale = 1.0;
    QString m_debugSaveBookArchivesDir;
};
