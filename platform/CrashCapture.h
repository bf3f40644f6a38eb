#pragma once
// Crash capture for POSIX systems. Fatal signals (SIGSEGV, SIGBUS, SIGILL,
// SIGFPE, SIGABRT) are caught on an alternate stack; the handler writes a
// dump of our own text format (signal, address, backtrace) and starts the
// program again as the crash-report sender, which packs and uploads the dump.
// Then the signal takes its default course, so the process still dies of it.
//
// The handler only makes async-signal-safe calls: it takes no lock (the log
// handler's lock included), allocates nothing and formats numbers by hand.
// This library stands below core and uses nothing but the C library.

#include <string>
#include <vector>

namespace CrashCapture {

struct Config
{
    // Folder of the dump "Crash_<dd-MM-yyyy_hh.mm.zzz>.DMP"; must exist.
    std::string dumpDirectory;
    // Started after a complete dump: executable, then senderArguments, then
    // the dump's path. An empty executable starts nothing.
    std::string executable;
    std::vector<std::string> senderArguments;
};

// First and last line of every dump; a file without the last line is not a
// complete dump.
inline constexpr char kDumpHeader[] = "Tarnolix crash dump 1\n";
inline constexpr char kDumpEnd[] = "end of dump\n";

// Message the handler writes to standard error when it could not write the
// dump (then no sender is started).
inline constexpr char kDumpFailedMessage[] = "Tarnolix: the crash dump could not be written\n";
// ... and when the sender process was started.
inline constexpr char kSenderStartedMessage[] = "Tarnolix: crash report sender started\n";

// Installs the handlers for the process and an alternate signal stack for the
// calling thread (other threads' crashes are caught on their own stacks). A
// later call replaces the configuration. Returns false when a handler could
// not be installed.
bool install(const Config& config);

// True once install() succeeded in this process.
bool isInstalled();

} // namespace CrashCapture
