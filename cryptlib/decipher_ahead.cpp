#include "cryptlib/decipher_ahead.h"

#include <cstring>
#include <system_error>
#include <utility>

#include "cryptlib/random.h"

namespace cipher {

static_assert(lzh::kBlockSize % kMaxBlock == 0, "a slot holds whole cipher blocks");

DecipherAhead::DecipherAhead(rt::File& input, const KeyState& state, std::function<void(std::uint64_t)> progress)
    : input_(input), state_(state), progress_(std::move(progress)), fillSeed_(state.seed) {
    for (Slot& slot : slots_) slot.bytes.assign(lzh::kBlockSize, 0);
    try {
        helper_ = std::thread(&DecipherAhead::Helper, this);
        share_ = std::thread::hardware_concurrency() >= 2;
    } catch (const std::system_error&) {
        // No thread to be had: Read deciphers each slot itself.
    }
}

DecipherAhead::~DecipherAhead() { Finish(); }

KeyState DecipherAhead::Finish() noexcept {
    if (helper_.joinable()) {
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            stop_ = true;
        }
        changed_.notify_all();
        helper_.join();
    }
    return state_;
}

// The key stream of the oldest slot not yet streamed, once its exchanges are
// undone and no other thread streams; else the exchanges of the oldest slot
// that waits for them.
DecipherAhead::Job DecipherAhead::Claim() noexcept {
    Slot& next = slots_[streamed_ % kSlots];
    if (!streaming_ && streamed_ < filled_ && next.stage == Stage::Exchanged) {
        next.stage = Stage::Streaming;
        streaming_ = true;
        return {&next, true};
    }
    for (std::uint64_t i = streamed_; i < filled_; ++i) {
        Slot& slot = slots_[i % kSlots];
        if (slot.stage == Stage::Enciphered) {
            slot.stage = Stage::Undoing;
            return {&slot, false};
        }
    }
    return {};
}

void DecipherAhead::Run(const Job& job, std::unique_lock<std::mutex>& lock) noexcept {
    Slot& slot = *job.slot;
    lock.unlock();
    if (job.stream)
        StreamRun(state_, slot.bytes.data(), slot.count);
    else
        UndoRunExchanges(slot.seed, slot.bytes.data(), slot.count);
    lock.lock();
    if (job.stream) {
        slot.stage = Stage::Plain;
        ++streamed_;
        streaming_ = false;
    } else {
        slot.stage = Stage::Exchanged;
    }
    changed_.notify_all();
}

void DecipherAhead::Helper() noexcept {
    std::unique_lock<std::mutex> lock(mutex_);
    while (!stop_) {
        if (const Job job = Claim())
            Run(job, lock);
        else
            changed_.wait(lock);
    }
}

// Reads the file into every free slot, so there is work queued while the
// expander runs.  A slot that is free is no thread's but this one's.
void DecipherAhead::Fill() {
    while (!inputEnded_ && filled_ - taken_ < kSlots) {
        Slot& slot = slots_[filled_ % kSlots];
        slot.count = input_.Read(slot.bytes.data(), lzh::kBlockSize);
        inputEnded_ = slot.count < lzh::kBlockSize;
        if (slot.count == 0) break;
        slot.seed = fillSeed_;
        // Every block of n bytes draws n partners and n stream bytes.
        fillSeed_ = JumpAhead(2 * static_cast<std::uint64_t>(slot.count)).Apply(fillSeed_);
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            slot.stage = Stage::Enciphered;
            ++filled_;
        }
        changed_.notify_all();
    }
}

std::int32_t DecipherAhead::Read(std::uint8_t* buffer) {
    Fill();
    if (taken_ == filled_) return 0;
    Slot& slot = slots_[taken_ % kSlots];
    {
        std::unique_lock<std::mutex> lock(mutex_);
        while (slot.stage != Stage::Plain) {
            const Job job = share_ ? Claim() : Job{};
            if (job)
                Run(job, lock);
            else
                changed_.wait(lock);
        }
    }
    const std::size_t count = slot.count;
    std::memcpy(buffer, slot.bytes.data(), count);
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        slot.stage = Stage::Free;
        ++taken_;
    }
    Fill();
    done_ += count;
    if (progress_) progress_(done_);
    return static_cast<std::int32_t>(count);
}

}  // namespace cipher
