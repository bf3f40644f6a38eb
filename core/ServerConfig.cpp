#include "core/ServerConfig.h"

#include <QSettings>
#include <QtGlobal>

const char* const ServerConfig::kCrashReportSetting = "Servers/crashReport";
const char* const ServerConfig::kCrashReportEnvironment = "TARNOLIX_CRASH_REPORT_URL";

namespace {

QUrl defaultCrashReportOrigin()
{
    QUrl url;
    url.setScheme(QStringLiteral("ftp"));
    url.setHost(QStringLiteral("reports.tarnolix.invalid"));
    url.setPort(21);
    url.setUserName(QStringLiteral("tarnolix"), QUrl::DecodedMode);
    url.setPassword(QStringLiteral("reportbox"), QUrl::DecodedMode);
    return url;
}

// An FTP origin from an override, completed from `fallback`; invalid when
// the text is not an FTP URL with a host and nothing but an origin in it.
QUrl ftpOrigin(const QString& text, const QUrl& fallback)
{
    QUrl url(text.trimmed(), QUrl::StrictMode);
    if (!url.isValid() || url.scheme() != QLatin1String("ftp") || url.host().isEmpty()
        || !(url.path().isEmpty() || url.path() == QLatin1String("/")) || url.hasQuery() || url.hasFragment())
        return QUrl();
    url.setPath(QString());
    if (url.port() == -1)
        url.setPort(fallback.port());
    if (url.userName().isEmpty()) {
        url.setUserName(fallback.userName(QUrl::FullyDecoded), QUrl::DecodedMode);
        if (url.password().isEmpty())
            url.setPassword(fallback.password(QUrl::FullyDecoded), QUrl::DecodedMode);
    }
    return url;
}

// The origin `current` with the override named `source` applied when that is
// usable.
QUrl applyOverride(const QUrl& current, const QString& text, const char* source)
{
    if (text.trimmed().isEmpty())
        return current;
    const QUrl url = ftpOrigin(text, current);
    if (url.isValid())
        return url;
    // The text itself is not logged: it may hold a password.
    qWarning("ServerConfig: ignoring %s: not an ftp origin", source);
    return current;
}

} // namespace

ServerConfig::ServerConfig()
    : m_crashReport(defaultCrashReportOrigin())
{
}

ServerConfig ServerConfig::load(const QSettings* settings)
{
    ServerConfig config;
    if (settings)
        config.m_crashReport = applyOverride(config.m_crashReport,
                                             settings->value(QLatin1String(kCrashReportSetting)).toString(),
                                             kCrashReportSetting);
    config.m_crashReport = applyOverride(config.m_crashReport,
                                         qEnvironmentVariable(kCrashReportEnvironment), kCrashReportEnvironment);
    return config;
}
