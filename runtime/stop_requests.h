// Requests from outside to stop the program: Ctrl+C, SIGTERM and SIGHUP on
// POSIX; Ctrl+C, Ctrl+Break, closing the console, logging off and shutting
// down on Windows.
#pragma once

namespace rt {

// Catches stop requests for its lifetime; one object at a time in a
// process, since the system delivers them to the process as a whole.
//
// Until Defer() a request ends the program at once, as the system would
// have (a password prompt gives the terminal back first): nothing needs
// putting back yet.  From Defer() on a request is only recorded.  The
// program asks Requested() at its next step (an operation at its next
// block), lets its work files go on its failure path, says what it did and
// calls End().  A request the program was started to ignore (nohup, a
// background job of a shell) stays ignored.
class StopRequests {
public:
    StopRequests();
    ~StopRequests();
    StopRequests(const StopRequests&) = delete;
    StopRequests& operator=(const StopRequests&) = delete;

    void Defer() noexcept;

    // The request's signal, by its POSIX number on every system: 2 (SIGINT)
    // for Ctrl+C and Ctrl+Break, 15 (SIGTERM), 1 (SIGHUP) for a terminal or
    // console that went away (Windows: logging off and shutting down count
    // as SIGTERM).  0 while none came.
    int Requested() const noexcept;

    // Ends the process as the request asked, after flushing C's streams:
    // exit status 128 + the signal's number.  On POSIX the process ends by
    // the signal itself, so that a shell running it in a loop stops too.
    [[noreturn]] void End() const noexcept;
};

}  // namespace rt
