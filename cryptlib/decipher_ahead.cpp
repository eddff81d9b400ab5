#include "cryptlib/decipher_ahead.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <system_error>
#include <utility>

#include "cryptlib/random.h"

namespace cipher {

static_assert(lzh::kBlockSize % kMaxBlock == 0, "a slot holds whole cipher blocks");

namespace {
std::atomic<bool> gRefuseHelper{false};
}  // namespace

void testing::RefuseHelperThread(bool refuse) noexcept { gRefuseHelper.store(refuse); }

DecipherAhead::DecipherAhead(rt::File& input, const KeyState& state, unsigned threads,
                             std::function<void(std::uint64_t)> progress)
    : input_(input), state_(state), progress_(std::move(progress)), fillSeed_(state.seed), chainKey_(state.runKey) {
    for (Slot& slot : slots_) slot.bytes.assign(lzh::kBlockSize, 0);
    // Settled before the helper starts, which reads it.
    share_ = threads >= 2;
    try {
        if (gRefuseHelper.load(std::memory_order_relaxed))
            throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
        helper_ = std::thread(&DecipherAhead::Helper, this);
    } catch (const std::system_error&) {
        // No thread to be had: Read deciphers each block itself.
        share_ = true;
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
    KeyState end = state_;
    end.seed = fillSeed_;
    end.runKey = chainKey_;
    return end;
}

void DecipherAhead::Chain() noexcept {
    while (chainSlot_ < filled_) {
        Slot& slot = slots_[chainSlot_ % kSlots];
        if (slot.block[chainBlock_].stage != Stage::Plain) return;
        if (++chainBlock_ == slot.blocks) {
            ++chainSlot_;
            chainBlock_ = 0;
        }
    }
}

// The key streams run in file order, each from the running key the one
// before ended with, so the block at the head of the chain comes first,
// since every later block waits for it: it is streamed, or deciphered whole
// if no thread has undone its exchanges yet.  Otherwise a thread undoes the
// exchanges of the oldest block still enciphered, which needs no key and so
// no order.  One thread alone thus deciphers the blocks whole, in order.
DecipherAhead::Job DecipherAhead::Claim() noexcept {
    if (chainSlot_ == filled_) return {};
    Slot& head = slots_[chainSlot_ % kSlots];
    Block& block = head.block[chainBlock_];
    if (block.stage == Stage::Enciphered || block.stage == Stage::Exchanged) {
        const bool whole = block.stage == Stage::Enciphered;
        block.stage = Stage::Streaming;
        return {&head, chainBlock_, whole ? Job::Whole : Job::Stream};
    }
    for (std::uint64_t s = chainSlot_; s < filled_; ++s) {
        Slot& slot = slots_[s % kSlots];
        for (unsigned i = s == chainSlot_ ? chainBlock_ : 0; i < slot.blocks; ++i) {
            if (slot.block[i].stage == Stage::Enciphered) {
                slot.block[i].stage = Stage::Undoing;
                return {&slot, i, Job::Exchanges};
            }
        }
    }
    return {};
}

void DecipherAhead::Run(const Job& job, std::unique_lock<std::mutex>& lock) noexcept {
    Slot& slot = *job.slot;
    Block& block = slot.block[job.index];
    std::uint8_t* bytes = slot.bytes.data() + std::size_t{job.index} * kMaxBlock;
    const std::size_t n = std::min<std::size_t>(kMaxBlock, slot.count - std::size_t{job.index} * kMaxBlock);
    // Only the thread streaming the head block reads or moves the running key.
    KeyState key = state_;
    key.seed = block.seed;
    key.runKey = chainKey_;
    lock.unlock();
    if (job.kind == Job::Exchanges)
        UndoRunExchanges(block.seed, bytes, n);
    else if (job.kind == Job::Whole)
        Decipher(key, bytes, static_cast<std::uint32_t>(n), nullptr);
    else
        StreamRun(key, bytes, n);
    lock.lock();
    if (job.kind == Job::Exchanges) {
        block.stage = Stage::Exchanged;
    } else {
        block.stage = Stage::Plain;
        ++slot.plain;
        chainKey_ = key.runKey;
        Chain();
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
        const auto blocks = static_cast<unsigned>((slot.count + kMaxBlock - 1) / kMaxBlock);
        for (unsigned i = 0; i < blocks; ++i) {
            const std::size_t n = std::min<std::size_t>(kMaxBlock, slot.count - std::size_t{i} * kMaxBlock);
            slot.block[i] = Block{};
            slot.block[i].seed = fillSeed_;
            // A block of n bytes draws n partners and n stream bytes.
            fillSeed_ = JumpAhead(2 * static_cast<std::uint64_t>(n)).Apply(fillSeed_);
        }
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            slot.blocks = blocks;
            slot.plain = 0;
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
        while (slot.plain != slot.blocks) {
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
        slot.blocks = 0;
        ++taken_;
    }
    Fill();
    done_ += count;
    if (progress_) progress_(done_);
    return static_cast<std::int32_t>(count);
}

}  // namespace cipher
