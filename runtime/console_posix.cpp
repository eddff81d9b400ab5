// The console on POSIX systems: the controlling terminal through /dev/tty.
#include <cerrno>
#include <csignal>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include "runtime/console.h"
#include "runtime/secret.h"
#include "runtime/text.h"

namespace rt {
namespace {

void WriteAll(int fd, const char* data, std::size_t size) noexcept {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;  // nothing sensible to do about a lost message
        data += n;
        size -= static_cast<std::size_t>(n);
    }
}

// While echo is off, a signal that ends or stops the program must give the
// terminal back as it was; these are what the signal handler needs.
constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGTSTP};
constexpr int kSignalCount = sizeof kSignals / sizeof kSignals[0];
struct sigaction previousActions[kSignalCount];
bool installed[kSignalCount];
volatile sig_atomic_t quietTerminal = -1;
struct termios savedMode;
struct termios quietMode;

void OnSignal(int signal);

void Install(int i) noexcept {
    struct sigaction action {};
    action.sa_handler = OnSignal;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    ::sigaction(kSignals[i], &action, nullptr);
}

void OnSignal(int signal) {
    const int savedErrno = errno;
    int i = 0;
    while (kSignals[i] != signal) ++i;
    const int fd = quietTerminal;
    if (fd >= 0) ::tcsetattr(fd, TCSAFLUSH, &savedMode);
    // Hand the signal to what was there before, at once...
    ::sigaction(signal, &previousActions[i], nullptr);
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, signal);
    ::sigprocmask(SIG_UNBLOCK, &set, nullptr);
    ::raise(signal);
    // ...and when the program goes on (continued after a stop, or the old
    // handler returned), the password is still being read without echo.
    Install(i);
    if (fd >= 0) ::tcsetattr(fd, TCSAFLUSH, &quietMode);
    errno = savedErrno;
}

// Echo off on `fd` for its lifetime, restored on every way out.
class QuietTerminal {
public:
    QuietTerminal(int fd, const struct termios& mode) {
        savedMode = mode;
        quietMode = mode;
        quietMode.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHOE | ECHOK | ECHONL);
        quietMode.c_lflag |= ICANON;
        quietTerminal = fd;
        for (int i = 0; i < kSignalCount; ++i) {
            ::sigaction(kSignals[i], nullptr, &previousActions[i]);
            // A signal the program ignores stays ignored.
            installed[i] = previousActions[i].sa_handler != SIG_IGN;
            if (installed[i]) Install(i);
        }
        ::tcsetattr(fd, TCSAFLUSH, &quietMode);
    }
    ~QuietTerminal() {
        ::tcsetattr(quietTerminal, TCSAFLUSH, &savedMode);
        for (int i = 0; i < kSignalCount; ++i) {
            if (installed[i]) ::sigaction(kSignals[i], &previousActions[i], nullptr);
        }
        quietTerminal = -1;
    }
    QuietTerminal(const QuietTerminal&) = delete;
    QuietTerminal& operator=(const QuietTerminal&) = delete;
};

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

}  // namespace

std::vector<std::string> CommandLineArguments(int argc, char** argv) { return {argv, argv + argc}; }

bool StdinIsTerminal() noexcept { return ::isatty(STDIN_FILENO) == 1; }

bool StderrIsTerminal() noexcept { return ::isatty(STDERR_FILENO) == 1; }

std::optional<std::string> ReadPasswordFromTerminal(const std::string& prompt) {
    const Descriptor tty(::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC));
    if (tty.get() < 0) return std::nullopt;
    struct termios mode;
    if (::tcgetattr(tty.get(), &mode) != 0) return std::nullopt;

    std::string line;
    line.reserve(256);  // on the heap from the start: moving it leaves no copy
    bool ended = false;
    {
        const QuietTerminal quiet(tty.get(), mode);
        WriteAll(tty.get(), prompt.data(), prompt.size());
        for (;;) {
            char c;
            const ssize_t n = ::read(tty.get(), &c, 1);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
                ended = line.empty();
                break;
            }
            if (c == '\n') break;
            AppendSecret(line, c);
        }
    }
    WriteAll(tty.get(), "\n", 1);  // the line break that was not echoed
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (ended) return std::nullopt;
    return std::optional<std::string>(std::move(line));
}

void WriteError(const std::string& utf8) { WriteAll(STDERR_FILENO, utf8.data(), utf8.size()); }

void WriteOutput(const std::string& utf8) { WriteAll(STDOUT_FILENO, utf8.data(), utf8.size()); }

}  // namespace rt
