#pragma once
// The engine's scheme handler with a meta-object of our own, the base of the
// "tarnolix" handler.

#include <QWebEngineUrlSchemeHandler>

class UrlSchemeHandler : public QWebEngineUrlSchemeHandler
{
    Q_OBJECT
public:
    using QWebEngineUrlSchemeHandler::QWebEngineUrlSchemeHandler;
};
