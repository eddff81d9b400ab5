// The enciphered payload of a compressed file, deciphered a few slots ahead
// of the expander that reads it.  Each block of a slot is deciphered in two
// steps: its exchanges are undone from a jumped generator state, in any order
// and on any thread; then its key stream runs, in file order, from the
// running key the block before ended with.  A helper thread takes these
// pieces of work, and so does the calling thread whenever it would wait for
// the expander's next slot.  One thread may do all the deciphering: the
// helper when a single thread is asked for (the calling thread then only
// waits), or the calling thread when there is no helper.
//
// Every file call and every progress report stays on the calling thread
// (inside Read): the deciphering only turns enciphered slots into plain ones.
// A system that refuses the helper gets the slots deciphered inside Read.
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

namespace testing {
// While set, no helper thread starts: the calling thread deciphers alone, as
// on a system that refuses more threads.  A test seam, not a setting.
void RefuseHelperThread(bool refuse) noexcept;
}  // namespace testing

class DecipherAhead final : public lzh::Source {
public:
    // Reads `input` from where it stands to its end.  With `threads` below 2
    // the helper alone deciphers.  `progress` gets the bytes
    // handed out so far after each Read that hands out any.
    DecipherAhead(rt::File& input, const KeyState& state, unsigned threads,
                  std::function<void(std::uint64_t done)> progress);
    // Stops and joins the helper; the slots are wiped as they go.
    ~DecipherAhead() override;
    DecipherAhead(const DecipherAhead&) = delete;
    DecipherAhead& operator=(const DecipherAhead&) = delete;

    std::int32_t Read(std::uint8_t* buffer) override;

    // Ends the helper; the key state after the last slot handed out.
    KeyState Finish() noexcept;

private:
    // Blocks in flight: one being expanded from, one being deciphered, one
    // read and waiting.  More only hold more plain text in memory.
    static constexpr unsigned kSlots = 3;

    static constexpr unsigned kBlocks = lzh::kBlockSize / kMaxBlock;  // per slot

    // A block moves through these in order; the -ing stages belong to the
    // thread that claimed the piece of work.
    enum class Stage { Enciphered, Undoing, Exchanged, Streaming, Plain };
    struct Block {
        std::uint32_t seed = 0;  // the generator state at its start
        Stage stage = Stage::Enciphered;
    };
    struct Slot {
        SecureVector<std::uint8_t> bytes;
        std::size_t count = 0;
        unsigned blocks = 0;  // 0 while the slot is free
        unsigned plain = 0;
        Block block[kBlocks];
    };
    struct Job {
        Slot* slot = nullptr;
        unsigned index = 0;
        enum Kind { Exchanges, Stream, Whole } kind = Exchanges;
        explicit operator bool() const noexcept { return slot != nullptr; }
    };

    void Fill();
    // All three with mutex_ held.  Claim takes the most urgent piece of work
    // there is, if any; Run does it with the mutex released; Chain moves the
    // head of the chain past the blocks that are plain.
    Job Claim() noexcept;
    void Chain() noexcept;
    void Run(const Job& job, std::unique_lock<std::mutex>& lock) noexcept;
    void Helper() noexcept;

    rt::File& input_;
    KeyState state_;  // the keys; seed and runKey at the start
    std::function<void(std::uint64_t)> progress_;
    Slot slots_[kSlots];
    // The calling thread's: the generator state at the next slot to read,
    // whether the input has ended, the bytes handed out.
    std::uint32_t fillSeed_;
    bool inputEnded_ = false;
    std::uint64_t done_ = 0;

    std::mutex mutex_;
    std::condition_variable changed_;  // any slot's stage, or stop_
    // Counted from the start: slots read from the file, handed out; the head
    // of the chain, the first block not yet plain (slot, block), and the
    // running key at its start.
    std::uint64_t filled_ = 0;
    std::uint64_t taken_ = 0;
    std::uint64_t chainSlot_ = 0;
    unsigned chainBlock_ = 0;
    std::uint32_t chainKey_;
    bool stop_ = false;
    bool share_ = true;  // Read takes work while it waits
    std::thread helper_;
};

}  // namespace cipher
