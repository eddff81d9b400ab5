// Stop requests on Windows: the console's control events.
#include <atomic>
#include <cstdio>

#include <windows.h>

#include "runtime/stop_requests.h"

namespace rt {
namespace {

constexpr int kHangUp = 1;
constexpr int kInterrupt = 2;
constexpr int kTerminate = 15;

// The handler runs on a thread the system starts for each event; this is
// the state it shares with the program, owned by the one StopRequests.
std::atomic<bool> deferring{false};
std::atomic<int> requested{0};

BOOL WINAPI OnControl(DWORD event) {
    int signal = 0;
    switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT: signal = kInterrupt; break;
    case CTRL_CLOSE_EVENT: signal = kHangUp; break;
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT: signal = kTerminate; break;
    default: return FALSE;
    }
    if (!deferring) ExitProcess(static_cast<UINT>(128 + signal));
    int none = 0;
    requested.compare_exchange_strong(none, signal);
    if (signal == kInterrupt) return TRUE;  // the program goes on to its next step and stops there
    // For the other events the system ends the process as soon as this
    // returns: it waits instead until the program has put its files back
    // and ended itself (or the system's patience runs out).
    Sleep(INFINITE);
    return TRUE;
}

}  // namespace

StopRequests::StopRequests() {
    deferring = false;
    requested = 0;
    SetConsoleCtrlHandler(OnControl, TRUE);
}

StopRequests::~StopRequests() {
    SetConsoleCtrlHandler(OnControl, FALSE);
    deferring = false;
    requested = 0;
}

void StopRequests::Defer() noexcept { deferring = true; }

int StopRequests::Requested() const noexcept { return requested; }

void StopRequests::End() const noexcept {
    std::fflush(nullptr);
    const int signal = requested;
    ExitProcess(static_cast<UINT>(128 + (signal != 0 ? signal : kTerminate)));
}

}  // namespace rt
