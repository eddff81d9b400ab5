// One long operation on a thread of its own, so that the window that
// started it goes on answering.  The worker reports its progress here; the
// window's thread is woken (through `wake`, called on the worker) when
// there is news, reads the latest progress, and collects the outcome once
// the work has ended.  Cancelling makes the worker's next report raise
// rt::ECancelled, which leaves the work by its failure path.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

#include "app/cipher.h"

class TBackgroundOperation {
public:
    explicit TBackgroundOperation(std::function<void()> wake) : wake_(std::move(wake)) {}
    // Cancels a running operation and waits for it.
    ~TBackgroundOperation();
    TBackgroundOperation(const TBackgroundOperation&) = delete;
    TBackgroundOperation& operator=(const TBackgroundOperation&) = delete;

    // Starts `work` on a new thread; one operation at a time.
    void Start(std::function<void()> work);
    // Started and not yet collected.
    bool Running() const noexcept { return thread_.joinable(); }
    // The work has returned or raised.
    bool Finished() const;
    // Waits up to `timeout` for the work to end; true when it has.
    bool WaitFor(std::chrono::milliseconds timeout);
    // Waits for the end, joins the thread and returns what the work
    // raised (null when it returned).
    std::exception_ptr Collect();

    void Cancel() noexcept { cancel_ = true; }
    bool CancelRequested() const noexcept { return cancel_; }

    // From the worker: where the work stands.  Raises rt::ECancelled once
    // the operation is cancelled.
    void Report(TCryptPass pass, std::uint64_t done, std::uint64_t total);

    struct Progress {
        bool known = false;  // nothing has been reported yet
        TCryptPass pass = TCryptPass::Compress;
        std::uint64_t done = 0, total = 0;
        int Percent() const noexcept;
    };
    // On the window's thread: the latest report.
    Progress Latest();

private:
    std::function<void()> wake_;
    std::thread thread_;
    mutable std::mutex mutex_;
    std::condition_variable ended_;
    bool finished_ = false;
    std::exception_ptr error_;
    Progress latest_;
    std::atomic<bool> cancel_{false};
    // A wake for progress is on its way: later reports only update latest_.
    std::atomic<bool> progressPending_{false};
};
