#pragma once
// What the Qt-based fuzz targets share: silence for the log (the readers
// warn on most inputs) and a check that stops the run on a broken promise.

#include <QtGlobal>

#include <cstdlib>

namespace fuzz {

inline void quiet(QtMsgType, const QMessageLogContext&, const QString&) {}

// Call at the start of every input; installs the silent handler once.
inline void silenceLog()
{
    static const bool installed = (qInstallMessageHandler(quiet), true);
    (void)installed;
}

inline void check(bool ok)
{
    if (!ok)
        std::abort();
}

} // namespace fuzz
