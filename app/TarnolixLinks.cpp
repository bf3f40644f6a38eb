// Pages of the maker's web site that the interface opens in the system
// browser: the account pages, the legal texts, the tutorial. Read from the
// server configuration at every call, so its overrides (the stand-in server
// in a demo or a test) apply to every link.
#include "app/Tarnolix.h"
#include "core/ServerConfig.h"

#include <QUrl>

QString Tarnolix::webSiteUrl(const QString& path, const QString& fragment) const
{
    QUrl url = ServerConfig::load(m_settings).webSiteOrigin();
    url.setPath(path.startsWith(QLatin1Char('/')) ? path : QLatin1Char('/') + path);
    if (!fragment.isEmpty())
        url.setFragment(fragment);
    return url.toString(QUrl::FullyEncoded);
}
