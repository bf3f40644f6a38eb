#pragma once
// The program's resources kept in static libraries: the QML interface with
// its icons (qml/, at the root) and the page resources (web/, under ":/web/").
// Called by the application object's constructor; calling it again is harmless.

void initAppResources();
