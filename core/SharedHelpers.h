#pragma once
// Small helpers that several subsystems share.

#include <QByteArray>
#include <QElapsedTimer>

// Logs its name at debug level when made and, when asked to report, how long
// it lived: "<name> finished. <n> ms. elapsed". For long steps.
class ScopedElapsedLogger
{
public:
    explicit ScopedElapsedLogger(const QByteArray& name, bool report = true);
    explicit ScopedElapsedLogger(const char* name, bool report = true);
    ~ScopedElapsedLogger();

    ScopedElapsedLogger(const ScopedElapsedLogger&) = delete;
    ScopedElapsedLogger& operator=(const ScopedElapsedLogger&) = delete;

private:
    QByteArray m_name;
    QElapsedTimer m_timer;
    bool m_report;
};

// Prepared (pre-packaged) libraries are not supported by this build; the
// guards in front of the operations that would need them call this.
[[noreturn]] void throwPreparedLibraryNotEnabled();
