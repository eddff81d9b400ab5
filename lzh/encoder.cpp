// The encoder in two stages.  Stage one (stage_one.h) finds every position's
// match on worker threads, each owning a fixed set of the 256 trees.  Stage
// two, on the calling thread, codes the items from those matches exactly as
// the one-pass encoder does: a match longer than the bytes left is cut to
// them, one of 1 or 2 bytes goes out as a literal, and the item after it
// starts where the item ends.
//
// The input streams through in blocks: while the workers search blocks
// i + 1 .. i + 3, the calling thread codes block i and then reads block
// i + 4, so the callbacks are only ever called on the calling thread.  The
// last 17 positions of a block wait for the next one, whose bytes their keys
// reach into.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <exception>
#include <limits>
#include <mutex>
#include <stdexcept>
#include <system_error>
#include <thread>

#include "lzh/block_io.h"
#include "lzh/codec.h"
#include "lzh/stage_one.h"

namespace lzh {
namespace detail {
namespace {

std::atomic<unsigned> gRunningWorkers{0};
// Test seams, not state of the codec (see testing::SetWorkerHooks).
std::atomic<testing::RefuseThreadFn> gRefuseThread{nullptr};
std::atomic<testing::BeforeRoundFn> gBeforeRound{nullptr};

constexpr std::uint32_t kMinBlock = 64;
// Each block buffer starts with the last bytes of the block before: the
// positions still waiting when that block ended read their first byte there.
constexpr std::uint32_t kCarry = 32;
static_assert(kCarry >= kMirrorSize);
// On one thread the positions of a block are searched and coded in slices
// this long, so their matches stay in the cache between the two stages.
constexpr std::uint32_t kSlice = 16384;
constexpr std::size_t kAlign = 64;
// With several workers, this many blocks are read, searched or coded at once:
// a worker may run up to three blocks ahead of the slowest, so that blocks
// whose trees share out unevenly even out before anyone waits.
constexpr unsigned kBlocksInFlight = 4;

constexpr std::size_t RoundUp(std::size_t n) { return (n + kAlign - 1) / kAlign * kAlign; }

// Where the parts of an encoder's three blocks lie.
struct Layout {
    explicit Layout(unsigned threads, std::uint32_t block)
        : blockBytes(block),
          resultCount(threads == 1 ? kSlice : block + kCarry),
          resultArrays(threads == 1 ? 1 : kBlocksInFlight),
          blockBuffers(threads == 1 ? 2 : kBlocksInFlight),
          workersAt(RoundUp(resultArrays * resultCount * sizeof(Found))),
          workBytes(kAlign + workersAt + threads * RoundUp(sizeof(WorkerArea))),
          inputBytes(kBlockSize + blockBuffers * (kCarry + std::size_t{block})) {}

    std::uint32_t blockBytes;
    std::size_t resultCount;
    std::size_t resultArrays;
    std::size_t blockBuffers;
    std::size_t workersAt;
    std::size_t workBytes;
    std::size_t inputBytes;
};

// Assembles blocks from the source's pieces.  A piece goes straight into an
// empty block of kBlockSize; other pieces pass through the staging buffer.
class Reader {
public:
    Reader(Source& source, std::uint8_t* staging) noexcept : source_(source), staging_(staging) {}

    // Fills `data` with the next `capacity` bytes of input, or with all that
    // is left.
    std::uint32_t Fill(std::uint8_t* data, std::uint32_t capacity) {
        std::uint32_t filled = 0;
        while (filled < capacity) {
            if (stagedFrom_ == stagedTo_) {
                if (ended_) break;
                const bool straight = filled == 0 && capacity == kBlockSize;
                const std::uint32_t n = ClampCount(source_.Read(straight ? data : staging_));
                if (n == 0) {
                    ended_ = true;
                    break;
                }
                if (straight) {
                    filled = n;
                    continue;
                }
                stagedFrom_ = 0;
                stagedTo_ = n;
            }
            const std::uint32_t n = std::min(capacity - filled, stagedTo_ - stagedFrom_);
            std::memcpy(data + filled, staging_ + stagedFrom_, n);
            filled += n;
            stagedFrom_ += n;
        }
        total_ += filled;
        return filled;
    }

    [[nodiscard]] bool Ended() const noexcept { return ended_ && stagedFrom_ == stagedTo_; }
    // The input's length once it has ended; until then beyond any position.
    [[nodiscard]] std::int64_t End() const noexcept {
        return Ended() ? total_ : std::numeric_limits<std::int64_t>::max();
    }
    // The source is asked once more after its end for each item coded after
    // the one that met it, as a byte-by-byte encoder would ask; its answer
    // is not looked at.
    void AskAgain() { (void)source_.Read(staging_); }

private:
    Source& source_;
    std::uint8_t* const staging_;
    std::uint32_t stagedFrom_ = 0;
    std::uint32_t stagedTo_ = 0;
    std::int64_t total_ = 0;
    bool ended_ = false;
};

// Stage two: the items, from the positions' matches, into flag groups.
class ItemCoder {
public:
    ItemCoder(Sink& sink, std::uint8_t* buffer, Reader& reader) noexcept
        : out_(sink, buffer), group_(out_), reader_(reader) {}

    // An input shorter than 18 bytes meets its end while the first key is
    // read, before any item.
    void Start() noexcept { endMet_ = reader_.End() < kMaxMatch; }

    // Codes the items that start in round.from..to-1.  An item may reach
    // past `to`; the next round then starts after it.
    void Code(const Round& round) {
        const std::int64_t end = reader_.End();
        std::int64_t k = next_;
        while (k < round.to) {
            const Found found = round.results[k - round.from];
            std::int64_t length = IsMatch(k, found) ? std::min<std::int64_t>(MatchLength(found), end - k) : 1;
            if (length <= kThreshold) {
                group_.Literal(round.bytes[k - round.begin]);
                length = 1;
            } else {
                group_.Match(MatchPosition(found), static_cast<std::uint32_t>(length));
            }
            // Coding this item reads input up to byte k + length + 17.
            if (k + length + kMirrorSize >= end) {
                if (endMet_) reader_.AskAgain();
                endMet_ = true;
            }
            k += length;
        }
        next_ = k;
    }

    void Finish() {
        group_.Finish();
        out_.FlushOutput();
    }
    void FlushEmpty() { out_.FlushOutput(); }

private:
    BufferedOutput out_;
    GroupWriter<BufferedOutput> group_;
    Reader& reader_;
    std::int64_t next_ = 0;
    bool endMet_ = false;
};

// The worker threads of one job.  Rounds are numbered from 0 and launched
// in order; each worker runs them in order, so a worker done with a round
// may go on with the next while others finish.  Up to kBlocksInFlight
// rounds can be under way at once.  The destructor stops the workers
// (mid-round if need be) and joins them.
class Team {
public:
    Team(TreeWorker* workers, unsigned wanted) noexcept : workers_(workers) {
        for (unsigned i = 0; i < wanted; ++i) {
            try {
                if (const auto refuse = gRefuseThread.load(std::memory_order_relaxed); refuse != nullptr && refuse(i))
                    throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
                threads_[i] = std::thread(&Team::Loop, this, i);
            } catch (const std::exception&) {
                break;  // the system will not start more: go on with those running
            }
            size_ = i + 1;
        }
    }

    ~Team() {
        {
            std::lock_guard lock(mutex_);
            quit_ = true;
        }
        stop_.store(true, std::memory_order_relaxed);
        wake_.notify_all();
        for (unsigned i = 0; i < size_; ++i) threads_[i].join();
    }

    Team(const Team&) = delete;
    Team& operator=(const Team&) = delete;

    [[nodiscard]] unsigned Size() const noexcept { return size_; }

    // The next round; the one two before it must have ended (Wait).
    void Launch(const Round& round) {
        {
            std::lock_guard lock(mutex_);
            rounds_[launched_ % kBlocksInFlight] = round;
            remaining_[launched_ % kBlocksInFlight] = size_;
            ++launched_;
        }
        wake_.notify_all();
    }

    // What the trees have cost the workers lately.  Each call halves what
    // is kept, so the latest rounds count the most.
    TreeCost TakeCost() {
        std::lock_guard lock(mutex_);
        const TreeCost recent = cost_;
        for (unsigned b = 0; b < kRootCount; ++b) {
            cost_.positions[b] /= 2;
            cost_.work[b] /= 2;
        }
        return recent;
    }

    // Until every worker has finished round `index`; a worker's exception
    // then passes on.
    void Wait(std::uint64_t index) {
        std::unique_lock lock(mutex_);
        done_.wait(lock, [&] { return finished_ > index; });
        if (error_) std::rethrow_exception(error_);
    }

private:
    void Loop(unsigned index) {
        gRunningWorkers.fetch_add(1, std::memory_order_relaxed);
        for (std::uint64_t next = 0;; ++next) {
            Round round;
            {
                std::unique_lock lock(mutex_);
                wake_.wait(lock, [&] { return quit_ || launched_ > next; });
                if (quit_) break;
                round = rounds_[next % kBlocksInFlight];
            }
            std::chrono::steady_clock::duration took{};
            if (!stop_.load(std::memory_order_relaxed)) {
                try {
                    if (const auto hook = gBeforeRound.load(std::memory_order_relaxed)) hook(index, next);
                    const auto start = std::chrono::steady_clock::now();
                    workers_[index].Run(round, &stop_);
                    took = std::chrono::steady_clock::now() - start;
                } catch (...) {
                    std::lock_guard lock(mutex_);
                    if (!error_) error_ = std::current_exception();
                    stop_.store(true, std::memory_order_relaxed);
                }
            }
            std::lock_guard lock(mutex_);
            workers_[index].HandOverCost(
                cost_, static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(took).count()));
            if (--remaining_[next % kBlocksInFlight] == 0) {
                ++finished_;  // each worker runs the rounds in order, so they end in order
                done_.notify_all();
            }
        }
        gRunningWorkers.fetch_sub(1, std::memory_order_relaxed);
    }

    TreeWorker* const workers_;
    std::thread threads_[kMaxThreads];
    unsigned size_ = 0;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable done_;
    Round rounds_[kBlocksInFlight];
    unsigned remaining_[kBlocksInFlight] = {};
    std::uint64_t launched_ = 0;
    std::uint64_t finished_ = 0;
    bool quit_ = false;
    std::exception_ptr error_;
    TreeCost cost_;
    std::atomic<bool> stop_{false};
};

// How many of a round's positions go into each tree, counting every eighth:
// enough to share out the work.  Four tables take turns, so that a run of
// one byte does not make one long chain of dependent additions.
struct TreeCounts {
    std::uint64_t positions[kRootCount] = {};

    explicit TreeCounts(const Round& round) noexcept {
        std::uint32_t tables[4][kRootCount] = {};
        const std::uint8_t* const x = round.bytes + (round.from - round.begin);
        for (std::int64_t i = 0; i < round.to - round.from; i += 8) ++tables[(i >> 3) & 3][x[i]];
        for (unsigned b = 0; b < kRootCount; ++b)
            positions[b] = std::uint64_t{tables[0][b]} + tables[1][b] + tables[2][b] + tables[3][b];
    }

    // Each tree's positions weighed by what one of them has cost lately; a
    // tree seen too little to tell gets the rate of all trees together.
    void Weigh(const TreeCost& cost) noexcept {
        constexpr std::uint64_t kEnough = 64;
        std::uint64_t allPositions = 0, allWork = 0;
        for (unsigned b = 0; b < kRootCount; ++b) {
            allPositions += cost.positions[b];
            allWork += cost.work[b];
        }
        if (allPositions < kEnough || allWork == 0) return;
        const std::uint64_t overall = allWork * 256 / allPositions + 1;
        for (unsigned b = 0; b < kRootCount; ++b)
            positions[b] *= cost.positions[b] >= kEnough ? cost.work[b] * 256 / cost.positions[b] + 1 : overall;
    }

    // The most positions any of `workers` gets when tree b goes to owner[b].
    [[nodiscard]] std::uint64_t Heaviest(const std::uint8_t* owner, unsigned workers) const noexcept {
        std::uint64_t load[kMaxThreads] = {};
        for (unsigned b = 0; b < kRootCount; ++b) load[owner[b]] += positions[b];
        return *std::max_element(load, load + workers);
    }

    void Balance(unsigned workers, std::uint8_t* owner) const noexcept { ShareTrees(positions, workers, owner); }
};

// One compression job over an encoder's memory.
class Job {
public:
    Job(const Layout& layout, const Blocks& memory, Source& in, Sink& out) noexcept
        : layout_(layout),
          reader_(in, memory.input()),
          coder_(out, memory.output(), reader_) {
        for (std::size_t b = 0; b < layout.blockBuffers; ++b)
            buffers_[b] = memory.input() + kBlockSize + b * (kCarry + layout.blockBytes);
        auto* const work = reinterpret_cast<std::uint8_t*>(
            RoundUp(reinterpret_cast<std::uintptr_t>(memory.work())));
        for (std::size_t r = 0; r < layout.resultArrays; ++r)
            results_[r] = reinterpret_cast<Found*>(work) + r * layout.resultCount;
        areas_ = work + layout.workersAt;
    }

    void Run(unsigned threads) {
        std::memset(buffers_[0], 0, kCarry);  // the zeros before the input
        const std::uint32_t size = reader_.Fill(buffers_[0] + kCarry, layout_.blockBytes);
        if (size == 0) {
            coder_.FlushEmpty();  // an empty input gives an empty stream
            return;
        }
        coder_.Start();
        Round first = NextRound(0, size);
        if (threads > 1) {
            Team team(workers_, threads);
            if (team.Size() > 1) {
                TreeCounts(first).Balance(team.Size(), owner_);
                for (unsigned w = 0; w < team.Size(); ++w)
                    workers_[w].Prepare(Area(w), owner_, static_cast<std::uint8_t>(w));
                RunParallel(team, first);
                return;
            }
        }
        workers_[0].Prepare(Area(0), nullptr, 0);
        RunSingle(first);
    }

private:
    WorkerArea& Area(unsigned w) const noexcept {
        return *reinterpret_cast<WorkerArea*>(areas_ + w * RoundUp(sizeof(WorkerArea)));
    }

    // The round of the block just read into buffers_[current_]: its
    // positions up to 17 before its end, or to the end of the input.
    Round NextRound(std::int64_t start, std::uint32_t size) noexcept {
        Round round;
        round.from = from_;
        round.last = reader_.Ended();
        round.avail = start + size;
        round.to = round.last ? round.avail : round.avail - kMirrorSize;
        round.bytes = buffers_[current_];
        round.begin = start - kCarry;
        round.blockEnds = !round.last;
        from_ = round.to;
        return round;
    }

    // Reads the block after `round`, the newest, into the next buffer in
    // turn, which starts with the last bytes of this one.
    Round ReadAhead(const Round& round) {
        current_ = (current_ + 1) % layout_.blockBuffers;
        std::uint8_t* const next = buffers_[current_];
        std::memcpy(next, round.bytes + (round.avail - kCarry - round.begin), kCarry);
        const std::uint32_t size = reader_.Fill(next + kCarry, layout_.blockBytes);
        return NextRound(round.avail, size);
    }

    // The workers search blocks i + 1 .. i + 3 while this thread codes
    // block i; then it reads block i + 4 into block i's buffer.  Round j
    // uses buffer and results j mod kBlocksInFlight.
    void RunParallel(Team& team, Round first) {
        Round rounds[kBlocksInFlight];
        first.results = results_[0];
        rounds[0] = first;
        team.Launch(first);
        std::uint64_t launched = 1;
        const auto launchNext = [&] {
            const Round& newest = rounds[(launched - 1) % kBlocksInFlight];
            if (newest.last) return;
            Round next = ReadAhead(newest);
            next.results = results_[launched % kBlocksInFlight];
            rounds[launched % kBlocksInFlight] = next;
            Launch(team, next, launched);
            ++launched;
        };
        while (launched < kBlocksInFlight && !rounds[launched - 1].last) launchNext();
        for (std::uint64_t i = 0;; ++i) {
            team.Wait(i);
            const Round round = rounds[i % kBlocksInFlight];
            coder_.Code(round);
            if (round.last) break;
            launchNext();  // into round i's buffer and results, free again
        }
        coder_.Finish();
    }

    // The mix of first bytes changes along a file (code, tables, text), and
    // a worker with more than its share holds the others up: before a round
    // whose positions, weighed by what each tree has cost lately, the trees'
    // owners would share out badly, the trees are shared out anew, once every
    // worker has finished the rounds before.
    void Launch(Team& team, const Round& round, std::uint64_t index) {
        TreeCounts counts(round);
        counts.Weigh(team.TakeCost());
        const std::uint64_t heaviest = counts.Heaviest(owner_, team.Size());
        std::uint8_t balanced[kRootCount];
        counts.Balance(team.Size(), balanced);
        if (counts.Heaviest(balanced, team.Size()) * 20 < heaviest * 19) {
            team.Wait(index - 1);
            TreeWorker::Reassign(workers_, team.Size(), owner_, balanced, round.from);
        }
        team.Launch(round);
    }

    // One worker owns every tree; nothing is handed over.
    void RunSingle(Round round) {
        TreeWorker& worker = workers_[0];
        for (;;) {
            const Round next = round.last ? Round{} : ReadAhead(round);
            for (std::int64_t from = round.from; from < round.to; from += kSlice) {
                Round slice = round;
                slice.from = from;
                slice.to = std::min<std::int64_t>(round.to, from + kSlice);
                slice.blockEnds = round.blockEnds && slice.to == round.to;
                slice.results = results_[0];
                worker.Run(slice, nullptr);
                coder_.Code(slice);
            }
            if (round.last) break;
            round = next;
        }
        coder_.Finish();
    }

    const Layout& layout_;
    Reader reader_;
    ItemCoder coder_;
    std::uint8_t* buffers_[kBlocksInFlight];
    unsigned current_ = 0;
    std::int64_t from_ = 0;
    Found* results_[kBlocksInFlight];
    std::uint8_t* areas_;
    std::uint8_t owner_[256] = {};
    TreeWorker workers_[kMaxThreads];
};

}  // namespace
}  // namespace detail

void detail::ShareTrees(const std::uint64_t* positions, unsigned workers, std::uint8_t* owner) noexcept {
    std::uint8_t order[kRootCount];
    for (unsigned b = 0; b < kRootCount; ++b) order[b] = static_cast<std::uint8_t>(b);
    std::stable_sort(order, order + kRootCount,
                     [positions](std::uint8_t a, std::uint8_t b) { return positions[a] > positions[b]; });
    std::uint64_t load[kMaxThreads] = {};
    for (const std::uint8_t b : order) {
        const unsigned w = static_cast<unsigned>(std::min_element(load, load + workers) - load);
        owner[b] = static_cast<std::uint8_t>(w);
        load[w] += positions[b];
    }
}

unsigned DefaultThreads() noexcept {
    return std::clamp(std::thread::hardware_concurrency(), 1u, kDefaultThreadLimit);
}

namespace {
unsigned ThreadsFor(unsigned asked) noexcept { return asked == 0 ? DefaultThreads() : std::min(asked, kMaxThreads); }
std::uint32_t BlockFor(std::uint32_t asked) noexcept { return std::clamp(asked, detail::kMinBlock, kBlockSize); }
}  // namespace

Encoder::Encoder(unsigned threads, std::uint32_t blockBytes) noexcept
    : threads_(ThreadsFor(threads)),
      blockBytes_(BlockFor(blockBytes)),
      // The output block is large enough for expansion too, which the
      // module's entry points run in the same memory.
      memory_(detail::Layout(threads_, blockBytes_).inputBytes, detail::kExpandOutputBytes,
              detail::Layout(threads_, blockBytes_).workBytes) {}

bool Encoder::Prepare() noexcept { return memory_.Take(); }

void Encoder::Release() noexcept { memory_.Release(); }

std::size_t Encoder::MemoryFor(unsigned threads) noexcept {
    const detail::Layout layout(ThreadsFor(threads), kBlockSize);
    return layout.inputBytes + detail::kExpandOutputBytes + layout.workBytes;
}

void Encoder::Encode(Source& in, Sink& out) {
    if (!memory_.Held()) throw std::logic_error("lzh::Encoder used before Prepare");
    const detail::Layout layout(threads_, blockBytes_);
    detail::Job(layout, memory_, in, out).Run(threads_);
}

namespace testing {
unsigned RunningWorkers() noexcept { return detail::gRunningWorkers.load(); }

void SetWorkerHooks(RefuseThreadFn refuse, BeforeRoundFn beforeRound) noexcept {
    detail::gRefuseThread.store(refuse);
    detail::gBeforeRound.store(beforeRound);
}
}  // namespace testing

}  // namespace lzh
