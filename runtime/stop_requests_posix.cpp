// Stop requests on POSIX: SIGINT, SIGTERM and SIGHUP.
#include <cstdio>

#include <signal.h>
#include <unistd.h>

#include "runtime/stop_requests.h"

namespace rt {
namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
constexpr int kSignalCount = sizeof kSignals / sizeof kSignals[0];

// A signal handler reaches nothing but process-wide state: this is all of
// it, owned by the one StopRequests object.
volatile sig_atomic_t deferring = 0;
volatile sig_atomic_t requested = 0;
struct sigaction previous[kSignalCount];
bool caught[kSignalCount];
struct sigaction previousPipe;
bool pipeIgnored = false;

// Only async-signal-safe calls: it also runs inside the handler.
[[noreturn]] void EndBy(int signal) noexcept {
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    ::sigaction(signal, &action, nullptr);
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, signal);
    ::sigprocmask(SIG_UNBLOCK, &set, nullptr);
    ::raise(signal);
    ::_exit(128 + signal);  // should the signal not end it after all
}

void OnStop(int signal) {
    if (!deferring) EndBy(signal);
    if (requested == 0) requested = signal;
}

}  // namespace

StopRequests::StopRequests() {
    deferring = 0;
    requested = 0;
    for (int i = 0; i < kSignalCount; ++i) {
        ::sigaction(kSignals[i], nullptr, &previous[i]);
        caught[i] = previous[i].sa_handler != SIG_IGN;
        if (!caught[i]) continue;
        struct sigaction action {};
        action.sa_handler = OnStop;
        action.sa_flags = SA_RESTART;
        sigemptyset(&action.sa_mask);
        for (int other : kSignals) sigaddset(&action.sa_mask, other);
        ::sigaction(kSignals[i], &action, nullptr);
    }
}

StopRequests::~StopRequests() {
    for (int i = 0; i < kSignalCount; ++i) {
        if (caught[i]) ::sigaction(kSignals[i], &previous[i], nullptr);
    }
    if (pipeIgnored) ::sigaction(SIGPIPE, &previousPipe, nullptr);
    pipeIgnored = false;
    deferring = 0;
    requested = 0;
}

void StopRequests::Defer() noexcept {
    // A reader of the messages that went away (`... 2>&1 | head`) would
    // otherwise end the program mid-file by SIGPIPE, which leaves work files
    // behind; the messages are lost either way.
    if (!pipeIgnored) {
        struct sigaction ignore {};
        ignore.sa_handler = SIG_IGN;
        sigemptyset(&ignore.sa_mask);
        pipeIgnored = ::sigaction(SIGPIPE, &ignore, &previousPipe) == 0;
    }
    deferring = 1;
}

int StopRequests::Requested() const noexcept { return requested; }

void StopRequests::End() const noexcept {
    std::fflush(nullptr);
    EndBy(requested != 0 ? static_cast<int>(requested) : SIGTERM);
}

}  // namespace rt
