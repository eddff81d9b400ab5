// The enciphered payload of a compressed file, deciphered a few blocks ahead
// of the expander that reads it.  The running key chains from block to block,
// so one helper thread deciphers them all, in order; the expander works on
// the calling thread meanwhile.
//
// Every file call and every progress report stays on the calling thread
// (inside Read): the helper only turns enciphered slots into plain ones.  A
// system that refuses the helper gets the blocks deciphered inside Read.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

#include "cryptlib/cipher_kernels.h"
#include "cryptlib/secure_buffer.h"
#include "lzh/codec.h"
#include "runtime/file.h"

namespace cipher {

class DecipherAhead final : public lzh::Source {
public:
    // Reads `input` from where it stands to its end.  `partners` is scratch of
    // kMaxBlock entries, the helper's until Finish.  `progress` gets the bytes
    // handed out so far after each Read that hands out any.
    DecipherAhead(rt::File& input, const KeyState& state, std::uint16_t* partners,
                  std::function<void(std::uint64_t done)> progress);
    // Stops and joins the helper; the slots are wiped as they go.
    ~DecipherAhead() override;
    DecipherAhead(const DecipherAhead&) = delete;
    DecipherAhead& operator=(const DecipherAhead&) = delete;

    std::int32_t Read(std::uint8_t* buffer) override;

    // Ends the helper; the key state after the last block deciphered.
    KeyState Finish() noexcept;

private:
    // Blocks in flight: one being expanded from, one being deciphered, one
    // read and waiting.  More only hold more plain text in memory.
    static constexpr unsigned kSlots = 3;

    enum class Stage { Free, Enciphered, Plain };
    struct Slot {
        SecureVector<std::uint8_t> bytes;
        std::size_t count = 0;
        Stage stage = Stage::Free;
    };

    void Fill();
    void DecipherSlot(Slot& slot) noexcept;
    void Helper() noexcept;

    rt::File& input_;
    KeyState state_;  // the helper's while it runs
    std::uint16_t* partners_;
    std::function<void(std::uint64_t)> progress_;
    Slot slots_[kSlots];
    // Counted from the start: slots read from the file, handed out.
    std::uint64_t filled_ = 0;
    std::uint64_t taken_ = 0;
    bool inputEnded_ = false;
    std::uint64_t done_ = 0;

    std::mutex mutex_;
    std::condition_variable enciphered_;  // the helper waits here
    std::condition_variable plain_;       // Read waits here
    bool stop_ = false;
    std::thread helper_;
};

}  // namespace cipher
