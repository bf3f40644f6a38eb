#include "pages/TarnolixScheme.h"

#include "core/ProgramConstants.h"

#include <QByteArray>
#include <QWebEngineUrlScheme>

QByteArray tarnolixSchemeName()
{
    return QByteArray(UrlWord::scheme.data(), UrlWord::scheme.size());
}

void registerTarnolixScheme()
{
    QWebEngineUrlScheme scheme(tarnolixSchemeName());
    scheme.setSyntax(QWebEngineUrlScheme::Syntax::Host);
    scheme.setDefaultPort(QWebEngineUrlScheme::PortUnspecified);
    scheme.setFlags(QWebEngineUrlScheme::SecureScheme | QWebEngineUrlScheme::LocalScheme
                    | QWebEngineUrlScheme::LocalAccessAllowed | QWebEngineUrlScheme::CorsEnabled);
    QWebEngineUrlScheme::registerScheme(scheme);
}
