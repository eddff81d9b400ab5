// The LZH codec as objects: an encoder and a decoder, each with its own
// memory, taken by Prepare and given back (wiped) by Release or the
// destructor.  A job reads its input from a Source and hands the result to a
// Sink, both in blocks of up to kBlockSize bytes, always on the calling thread.
//
//   lzh::Encoder encoder(threads);          // 0: DefaultThreads()
//   if (!encoder.Prepare()) ... out of memory ...
//   encoder.Encode(source, sink);           // any number of jobs, one at a time
//
// The stream does not depend on the thread count: every count gives the same
// bytes.  An exception thrown by the Source or the Sink ends the job on every
// thread and passes to the caller unchanged; the object stays prepared and
// the next job starts afresh.
#pragma once

#include <cstddef>
#include <cstdint>

namespace lzh {

inline constexpr std::uint32_t kBlockSize = 262144;

// The most worker threads an encoder runs, and the most it runs by default.
// Beyond kDefaultThreadLimit only data with no dominant first byte would
// still gain, and the one thread that writes the stream sets the pace.
inline constexpr unsigned kMaxThreads = 64;
inline constexpr unsigned kDefaultThreadLimit = 16;

// The machine's hardware threads, 1..kDefaultThreadLimit.
[[nodiscard]] unsigned DefaultThreads() noexcept;

class Source {
public:
    virtual ~Source() = default;
    // Stores up to kBlockSize bytes at `buffer` and returns how many; 0 ends
    // the input (a negative count counts as 0, a larger one as kBlockSize).
    // It may be asked again after the end and must return 0 again.
    virtual std::int32_t Read(std::uint8_t* buffer) = 0;
};

class Sink {
public:
    virtual ~Sink() = default;
    // Takes all `count` bytes (0..kBlockSize), or throws.
    virtual void Write(const std::uint8_t* data, std::int32_t count) = 0;
};

namespace detail {

// Three blocks taken together through the allocator below: an input area, the
// output buffer and a working area.  All or none are held.
class Blocks {
public:
    Blocks(std::size_t input, std::size_t output, std::size_t work) noexcept
        : sizes_{input, output, work} {}
    ~Blocks() { Release(); }
    Blocks(const Blocks&) = delete;
    Blocks& operator=(const Blocks&) = delete;

    [[nodiscard]] bool Take() noexcept;
    void Release() noexcept;  // wipes each block before it goes back
    [[nodiscard]] bool Held() const noexcept { return held_; }

    [[nodiscard]] std::uint8_t* input() const noexcept { return blocks_[0]; }
    [[nodiscard]] std::uint8_t* output() const noexcept { return blocks_[1]; }
    [[nodiscard]] std::uint8_t* work() const noexcept { return blocks_[2]; }
    [[nodiscard]] std::size_t total() const noexcept { return sizes_[0] + sizes_[1] + sizes_[2]; }

private:
    std::size_t sizes_[3];
    std::uint8_t* blocks_[3] = {};
    void (*release_)(void*) = nullptr;  // the one the blocks were taken with
    bool held_ = false;
};

struct ModuleAccess;

}  // namespace detail

class Encoder {
public:
    // threads: how many workers search the match trees (0: DefaultThreads(),
    // 1: everything on the calling thread; at most kMaxThreads).
    // blockBytes: how much input the workers take at a time (64..kBlockSize);
    // smaller blocks mean more hand-overs and serve tests.
    explicit Encoder(unsigned threads = 0, std::uint32_t blockBytes = kBlockSize) noexcept;

    // Takes the memory for the thread count; false, with nothing held, when
    // it cannot be had.  Harmless when already prepared.
    [[nodiscard]] bool Prepare() noexcept;
    void Release() noexcept;
    [[nodiscard]] bool Prepared() const noexcept { return memory_.Held(); }

    [[nodiscard]] unsigned Threads() const noexcept { return threads_; }
    // What Prepare takes for `threads` workers with full blocks.
    [[nodiscard]] static std::size_t MemoryFor(unsigned threads) noexcept;

    // Compresses everything `in` delivers into `out`.  Throws
    // std::logic_error when the encoder is not prepared.
    void Encode(Source& in, Sink& out);

private:
    friend struct detail::ModuleAccess;

    unsigned threads_;
    std::uint32_t blockBytes_;
    detail::Blocks memory_;
};

class Decoder {
public:
    Decoder() noexcept;

    [[nodiscard]] bool Prepare() noexcept;
    void Release() noexcept;
    [[nodiscard]] bool Prepared() const noexcept { return memory_.Held(); }

    // Expands the stream `in` delivers into `out`.  Every byte sequence is a
    // stream; a cut one gives what was decoded before the cut.  Throws
    // std::logic_error when the decoder is not prepared.
    void Decode(Source& in, Sink& out);

private:
    detail::Blocks memory_;
};

namespace testing {

// Lets tests watch and fail the blocks every encoder and decoder takes.  The
// allocator returns nullptr for "no memory"; nullptr arguments restore the
// defaults.  Blocks go back through the function they were taken with.
using AllocateFn = void* (*)(std::size_t size);
using ReleaseFn = void (*)(void* block);
void SetAllocator(AllocateFn allocate, ReleaseFn release) noexcept;

// Worker threads running at this moment, in all encoders together.
[[nodiscard]] unsigned RunningWorkers() noexcept;

// Lets tests fail what the system and the workers can fail.  Before worker
// thread `index` (0, 1, ...) of a job starts, refuse(index) is asked: true
// fails the start as a system out of threads does.  Each worker calls
// beforeRound(worker, round) on its thread before every round it takes
// (rounds count from 0 in each job); what it throws ends the job as a
// worker's own failure (out of memory) would.  nullptr restores the default
// of nothing.
using RefuseThreadFn = bool (*)(unsigned index);
using BeforeRoundFn = void (*)(unsigned worker, std::uint64_t round);
void SetWorkerHooks(RefuseThreadFn refuse, BeforeRoundFn beforeRound) noexcept;

}  // namespace testing

}  // namespace lzh
