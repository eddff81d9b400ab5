#include "app/background.h"

#include <utility>

#include "runtime/exceptions.h"

TBackgroundOperation::~TBackgroundOperation() {
    if (!Running()) return;
    Cancel();
    thread_.join();
}

void TBackgroundOperation::Start(std::function<void()> work) {
    if (Running()) throw rt::Exception("an operation is already running");
    {
        std::lock_guard lock(mutex_);
        finished_ = false;
        error_ = nullptr;
        latest_ = {};
    }
    cancel_ = false;
    progressPending_ = false;
    thread_ = std::thread([this, work = std::move(work)] {
        std::exception_ptr error;
        try {
            work();
        } catch (...) {
            error = std::current_exception();
        }
        {
            std::lock_guard lock(mutex_);
            finished_ = true;
            error_ = error;
        }
        ended_.notify_all();
        wake_();
    });
}

bool TBackgroundOperation::Finished() const {
    std::lock_guard lock(mutex_);
    return finished_;
}

bool TBackgroundOperation::WaitFor(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return ended_.wait_for(lock, timeout, [this] { return finished_; });
}

std::exception_ptr TBackgroundOperation::Collect() {
    if (!Running()) return nullptr;
    thread_.join();
    std::lock_guard lock(mutex_);
    return std::exchange(error_, nullptr);
}

void TBackgroundOperation::Report(TCryptPass pass, std::uint64_t done, std::uint64_t total) {
    if (cancel_) throw rt::ECancelled();
    {
        std::lock_guard lock(mutex_);
        latest_ = {true, pass, done, total};
    }
    // One wake at a time: the window reads whatever is latest when it
    // gets round to it, so a fast worker cannot flood its queue.
    if (!progressPending_.exchange(true)) wake_();
}

TBackgroundOperation::Progress TBackgroundOperation::Latest() {
    progressPending_ = false;
    std::lock_guard lock(mutex_);
    return latest_;
}

int TBackgroundOperation::Progress::Percent() const noexcept {
    if (total == 0) return done == 0 ? 0 : 100;
    return static_cast<int>(done >= total ? 100 : done * 100 / total);
}
