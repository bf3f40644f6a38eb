#include "platform/CrashCapture.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include <execinfo.h>
#include <fcntl.h>
#include <sys/syscall.h>
#include <unistd.h>

extern char** environ;

namespace CrashCapture {
namespace {

constexpr int kFatalSignals[] = {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT};
constexpr int kMaxFrames = 64;
constexpr std::size_t kMaxSenderArguments = 8;
constexpr std::size_t kAltStackSize = 256 * 1024;

// What the handler reads, prepared when the capture is installed. Never
// freed: a handler may read it at any moment, also after a later install.
struct Prepared
{
    std::string dumpDirectory;
    std::string executable;
    std::vector<std::string> arguments;
    // Local time's offset from UTC when the capture was installed: the
    // handler cannot consult the time zone (that takes a lock).
    long utcOffsetSeconds = 0;
};

std::atomic<const Prepared*> g_prepared{nullptr};
std::atomic<bool> g_installed{false};
std::atomic<bool> g_handling{false};

// Text collected in place, without allocation; too long a text marks the
// buffer as overflowed instead of being cut silently.
class Buffer
{
public:
    void add(const char* text, std::size_t length)
    {
        if (length > sizeof(m_data) - 1 - m_size) {
            m_overflow = true;
            return;
        }
        std::memcpy(m_data + m_size, text, length);
        m_size += length;
        m_data[m_size] = '\0';
    }
    void add(const char* text) { add(text, std::strlen(text)); }
    void add(const std::string& text) { add(text.data(), text.size()); }

    void addDecimal(unsigned long long value, int width = 1)
    {
        char digits[24];
        int count = 0;
        do {
            digits[count++] = char('0' + value % 10);
            value /= 10;
        } while (value != 0);
        while (count < width)
            digits[count++] = '0';
        while (count > 0)
            add(&digits[--count], 1);
    }

    void addSigned(long long value)
    {
        if (value < 0) {
            add("-", 1);
            addDecimal(0ULL - static_cast<unsigned long long>(value));
        } else {
            addDecimal(static_cast<unsigned long long>(value));
        }
    }

    void addHex(std::uintptr_t value)
    {
        static const char kDigits[] = "0123456789abcdef";
        char digits[2 * sizeof(value)];
        int count = 0;
        do {
            digits[count++] = kDigits[value & 0xF];
            value >>= 4;
        } while (value != 0);
        add("0x", 2);
        while (count > 0)
            add(&digits[--count], 1);
    }

    const char* data() const { return m_data; }
    std::size_t size() const { return m_size; }
    bool overflow() const { return m_overflow; }
    void clear()
    {
        m_size = 0;
        m_data[0] = '\0';
    }

private:
    char m_data[PATH_MAX + 256] = {};
    std::size_t m_size = 0;
    bool m_overflow = false;
};

bool writeAll(int fd, const char* data, std::size_t length)
{
    while (length > 0) {
        const ssize_t written = ::write(fd, data, length);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += written;
        length -= std::size_t(written);
    }
    return true;
}

bool writeAll(int fd, const Buffer& buffer)
{
    return !buffer.overflow() && writeAll(fd, buffer.data(), buffer.size());
}

const char* signalName(int signal)
{
    switch (signal) {
    case SIGSEGV: return "SIGSEGV";
    case SIGBUS: return "SIGBUS";
    case SIGILL: return "SIGILL";
    case SIGFPE: return "SIGFPE";
    case SIGABRT: return "SIGABRT";
    }
    return "?";
}

// Appends "dd-MM-yyyy_hh.mm.zzz" of the given local time.
void addDumpTime(Buffer& out, long long localSeconds, int milliseconds)
{
    long long days = localSeconds / 86400;
    long long secondOfDay = localSeconds % 86400;
    if (secondOfDay < 0) {
        secondOfDay += 86400;
        --days;
    }
    // Civil date from days since 1970-01-01 (proleptic Gregorian calendar).
    const long long z = days + 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const long long dayOfEra = z - era * 146097;
    const long long yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const long long dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const long long mp = (5 * dayOfYear + 2) / 153;
    const long long day = dayOfYear - (153 * mp + 2) / 5 + 1;
    const long long month = mp < 10 ? mp + 3 : mp - 9;
    const long long year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);

    out.addDecimal(static_cast<unsigned long long>(day), 2);
    out.add("-");
    out.addDecimal(static_cast<unsigned long long>(month), 2);
    out.add("-");
    out.addDecimal(static_cast<unsigned long long>(year), 4);
    out.add("_");
    out.addDecimal(static_cast<unsigned long long>(secondOfDay / 3600), 2);
    out.add(".");
    out.addDecimal(static_cast<unsigned long long>(secondOfDay / 60 % 60), 2);
    out.add(".");
    out.addDecimal(static_cast<unsigned long long>(milliseconds), 3);
}

// Writes the dump to `path`; a dump that could not be written completely is
// removed, so no reader takes a partial one for a crash record.
bool writeDump(const Prepared& prepared, int signal, const siginfo_t* info, const timespec& now,
               const Buffer& path)
{
    if (path.overflow())
        return false;
    const int fd = ::open(path.data(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return false;

    Buffer line;
    bool ok = writeAll(fd, kDumpHeader, sizeof(kDumpHeader) - 1);
    line.add("signal: ");
    line.addDecimal(static_cast<unsigned long long>(signal));
    line.add(" ");
    line.add(signalName(signal));
    line.add("\ncode: ");
    line.addSigned(info ? info->si_code : 0);
    line.add("\naddress: ");
    line.addHex(info ? reinterpret_cast<std::uintptr_t>(info->si_addr) : 0);
    line.add("\npid: ");
    line.addDecimal(static_cast<unsigned long long>(::getpid()));
    line.add("\nthread: ");
    line.addDecimal(static_cast<unsigned long long>(::syscall(SYS_gettid)));
    line.add("\ntime: ");
    line.addDecimal(static_cast<unsigned long long>(now.tv_sec) * 1000ULL
                    + static_cast<unsigned long long>(now.tv_nsec / 1000000));
    line.add("\nutc offset: ");
    line.addSigned(prepared.utcOffsetSeconds);
    line.add("\nbacktrace:\n");
    ok = ok && writeAll(fd, line);

    void* frames[kMaxFrames];
    const int count = ::backtrace(frames, kMaxFrames);
    if (ok && count > 0)
        ::backtrace_symbols_fd(frames, count, fd);

    ok = ok && writeAll(fd, kDumpEnd, sizeof(kDumpEnd) - 1);
    ok = (::close(fd) == 0) && ok;
    if (!ok)
        ::unlink(path.data());
    return ok;
}

pid_t rawFork()
{
    // The C library's fork runs the at-fork handlers, which take locks the
    // crashed thread may hold; the bare system call does not.
#ifdef SYS_fork
    return pid_t(::syscall(SYS_fork));
#else
    return pid_t(::syscall(SYS_clone, SIGCHLD, 0, 0, 0, 0));
#endif
}

void closeDescriptorsFrom(int first)
{
#ifdef SYS_close_range
    if (::syscall(SYS_close_range, first, ~0U, 0) == 0)
        return;
#endif
    for (int fd = first; fd < 1024; ++fd)
        ::close(fd);
}

// Starts the sender detached, in a session of its own, so it outlives the
// crashed process and any signal sent to that process's group.
bool startSender(const Prepared& prepared, const char* dumpPath)
{
    if (prepared.executable.empty())
        return false;
    const char* argv[kMaxSenderArguments + 3];
    std::size_t argc = 0;
    argv[argc++] = prepared.executable.c_str();
    for (const std::string& argument : prepared.arguments)
        argv[argc++] = argument.c_str();
    argv[argc++] = dumpPath;
    argv[argc] = nullptr;

    const pid_t pid = rawFork();
    if (pid == 0) {
        ::setsid();
        // The handler runs with the fatal signals blocked; the mask survives exec.
        sigset_t none;
        sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
        const int devNull = ::open("/dev/null", O_RDONLY);
        if (devNull > 0) {
            ::dup2(devNull, 0);
            ::close(devNull);
        }
        closeDescriptorsFrom(3);
        ::execve(prepared.executable.c_str(), const_cast<char* const*>(argv), environ);
        ::_exit(127);
    }
    return pid > 0;
}

void onFatalSignal(int signal, siginfo_t* info, void*)
{
    // One dump per process: a second thread that faults meanwhile waits here
    // until the first one's signal ends the process.
    if (g_handling.exchange(true)) {
        for (;;)
            ::pause();
    }

    const Prepared* prepared = g_prepared.load(std::memory_order_acquire);
    if (prepared) {
        timespec now{};
        ::clock_gettime(CLOCK_REALTIME, &now);
        Buffer path;
        path.add(prepared->dumpDirectory);
        path.add("/Crash_");
        addDumpTime(path, static_cast<long long>(now.tv_sec) + prepared->utcOffsetSeconds,
                    int(now.tv_nsec / 1000000));
        path.add(".DMP");

        if (writeDump(*prepared, signal, info, now, path)) {
            Buffer message;
            message.add("Tarnolix: crash dump written to ");
            message.add(path.data(), path.size());
            message.add("\n");
            writeAll(2, message);
            if (startSender(*prepared, path.data()))
                writeAll(2, kSenderStartedMessage, sizeof(kSenderStartedMessage) - 1);
        } else {
            writeAll(2, kDumpFailedMessage, sizeof(kDumpFailedMessage) - 1);
        }
    }

    // SA_RESETHAND restored the default action; the signal raised again is
    // delivered once the handler returns and ends the process as it would have.
    ::raise(signal);
}

bool prepareAltStack()
{
    static bool ready = false;
    if (ready)
        return true;
    stack_t stack{};
    stack.ss_sp = std::malloc(kAltStackSize);
    if (!stack.ss_sp)
        return false;
    stack.ss_size = kAltStackSize;
    if (::sigaltstack(&stack, nullptr) != 0) {
        std::free(stack.ss_sp);
        return false;
    }
    ready = true;
    return true;
}

} // namespace

bool install(const Config& config)
{
    if (config.dumpDirectory.empty() || config.dumpDirectory.size() > PATH_MAX - 64
        || config.executable.size() >= PATH_MAX || config.senderArguments.size() > kMaxSenderArguments)
        return false;

    auto* prepared = new Prepared;
    prepared->dumpDirectory = config.dumpDirectory;
    prepared->executable = config.executable;
    prepared->arguments = config.senderArguments;
    const time_t now = ::time(nullptr);
    struct tm local{};
    if (::localtime_r(&now, &local))
        prepared->utcOffsetSeconds = local.tm_gmtoff;
    g_prepared.store(prepared, std::memory_order_release);

    // The first backtrace loads the unwinder library and allocates: do it now,
    // not in the handler.
    void* frame[1];
    ::backtrace(frame, 1);

    bool ok = prepareAltStack();
    struct sigaction action{};
    action.sa_sigaction = onFatalSignal;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK | SA_RESETHAND;
    sigemptyset(&action.sa_mask);
    // A fault inside the handler then ends the process instead of re-entering it.
    for (int signal : kFatalSignals)
        sigaddset(&action.sa_mask, signal);
    for (int signal : kFatalSignals)
        ok = ::sigaction(signal, &action, nullptr) == 0 && ok;
    if (ok)
        g_installed = true;
    return ok;
}

bool isInstalled()
{
    return g_installed;
}

} // namespace CrashCapture
