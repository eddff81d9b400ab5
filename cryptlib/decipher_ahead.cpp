#include "cryptlib/decipher_ahead.h"

#include <algorithm>
#include <cstring>
#include <system_error>
#include <utility>

namespace cipher {

static_assert(lzh::kBlockSize % kMaxBlock == 0, "a slot holds whole cipher blocks");

DecipherAhead::DecipherAhead(rt::File& input, const KeyState& state, std::uint16_t* partners,
                             std::function<void(std::uint64_t)> progress)
    : input_(input), state_(state), partners_(partners), progress_(std::move(progress)) {
    for (Slot& slot : slots_) slot.bytes.assign(lzh::kBlockSize, 0);
    try {
        helper_ = std::thread(&DecipherAhead::Helper, this);
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
        enciphered_.notify_one();
        helper_.join();
    }
    return state_;
}

void DecipherAhead::DecipherSlot(Slot& slot) noexcept {
    for (std::size_t at = 0; at < slot.count; at += kMaxBlock) {
        const auto n = static_cast<std::uint32_t>(std::min<std::size_t>(kMaxBlock, slot.count - at));
        Decipher(state_, slot.bytes.data() + at, n, partners_);
    }
}

void DecipherAhead::Helper() noexcept {
    for (std::uint64_t next = 0;; ++next) {
        Slot& slot = slots_[next % kSlots];
        {
            std::unique_lock<std::mutex> lock(mutex_);
            enciphered_.wait(lock, [&] { return stop_ || slot.stage == Stage::Enciphered; });
            if (stop_) return;
        }
        DecipherSlot(slot);
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            slot.stage = Stage::Plain;
        }
        plain_.notify_one();
    }
}

// Reads the file into every free slot, so the helper has work queued while
// the expander runs.  A slot that is free is no thread's but this one's.
void DecipherAhead::Fill() {
    while (!inputEnded_ && filled_ - taken_ < kSlots) {
        Slot& slot = slots_[filled_ % kSlots];
        slot.count = input_.Read(slot.bytes.data(), lzh::kBlockSize);
        inputEnded_ = slot.count < lzh::kBlockSize;
        if (slot.count == 0) break;
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            slot.stage = Stage::Enciphered;
        }
        enciphered_.notify_one();
        ++filled_;
    }
}

std::int32_t DecipherAhead::Read(std::uint8_t* buffer) {
    Fill();
    if (taken_ == filled_) return 0;
    Slot& slot = slots_[taken_ % kSlots];
    if (helper_.joinable()) {
        std::unique_lock<std::mutex> lock(mutex_);
        plain_.wait(lock, [&] { return slot.stage == Stage::Plain; });
    } else {
        DecipherSlot(slot);
    }
    const std::size_t count = slot.count;
    std::memcpy(buffer, slot.bytes.data(), count);
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        slot.stage = Stage::Free;
    }
    ++taken_;
    Fill();
    done_ += count;
    if (progress_) progress_(done_);
    return static_cast<std::int32_t>(count);
}

}  // namespace cipher
