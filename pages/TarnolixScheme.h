#pragma once
// The "tarnolix" URL scheme of the generated pages. The web engine must know
// the scheme before it starts: registerTarnolixScheme() runs once in main,
// before the application object and QtWebEngine::initialize().

class QByteArray;

// "tarnolix" as the web engine's scheme name (Latin-1 bytes).
QByteArray tarnolixSchemeName();

// Host syntax, no default port; secure, local, local access allowed, CORS
// enabled (so pages may load each other's resources and fetch from scripts).
void registerTarnolixScheme();
