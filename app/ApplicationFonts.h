#pragma once
// The interface's own fonts (PT Sans in four faces, from the resources), so
// the interface looks alike where the system lacks them.

#include <QStringList>

// The four resource faces, in the order they are loaded.
QStringList applicationFontPaths();

// Adds each file to the application font database; a file that fails is
// logged critical and the others still load. Returns the family names of
// the fonts that loaded (logged at debug level).
QStringList loadApplicationFonts(const QStringList& paths);

// The resource faces; main calls it once before the QML types are registered.
QStringList loadApplicationFonts();
