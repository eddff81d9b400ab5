// Stage one of the encoder: finding, for every input position, the match
// that inserting it into its tree leaves.
//
// Each of the 256 trees is touched only by the positions whose first byte it
// belongs to, and the order of its insertions and removals depends on
// position numbers alone: before position k goes in, position k - 4079 comes
// out (when it is still in), and the key of position k is a fixed function of
// the input (input bytes, zeros before the input, and after its end the bytes
// one window earlier).  So a worker that owns some of the trees, and does
// their operations in input order while skipping everyone else's positions,
// finds exactly the matches a single pass over all trees finds.
#pragma once

#include <atomic>
#include <cstdint>

#include "lzh/lzss.h"

namespace lzh::detail {

// Node of input position k; negative k are the zero bytes before the input.
[[nodiscard]] constexpr std::uint32_t NodeOf(std::int64_t k) noexcept {
    return static_cast<std::uint32_t>(k + kStartPosition) & kNodeMask;
}

// What the trees found for position k, in 16 bits: a match of 3..18 bytes as
// its length - 3 and its window position, as in the stream; a shorter one
// (an item of one literal) as k's own window position, which no match of
// k's can name, since every node in the trees lies 1..4078 positions back.
using Found = std::uint16_t;
[[nodiscard]] constexpr Found PackMatch(std::int64_t k, std::uint32_t length, std::uint32_t node) noexcept {
    return static_cast<Found>(length > kThreshold ? (length - (kThreshold + 1)) << 12 | (node & kWindowMask)
                                                   : NodeOf(k) & kWindowMask);
}
[[nodiscard]] constexpr bool IsMatch(std::int64_t k, Found found) noexcept {
    return (found & kWindowMask) != (NodeOf(k) & kWindowMask);
}
[[nodiscard]] constexpr std::uint32_t MatchLength(Found found) noexcept { return (found >> 12) + kThreshold + 1; }
[[nodiscard]] constexpr std::uint32_t MatchPosition(Found found) noexcept { return found & kWindowMask; }

// Before position k goes into the trees, position k - kRemovalLag comes out.
inline constexpr std::int64_t kRemovalLag = kWindowSize - kMirrorSize;  // 4079

// A stretch of positions handed to the workers.
struct Round {
    std::int64_t from = 0;  // positions from..to-1 get their matches found
    std::int64_t to = 0;
    const std::uint8_t* bytes = nullptr;  // bytes[i] is input byte begin + i, known up to avail
    std::int64_t begin = 0;
    std::int64_t avail = 0;
    bool last = false;       // the input ends at avail
    bool blockEnds = false;  // the next round's bytes are in another buffer
    Found* results = nullptr;  // results[k - from]
};

// Gives each tree to one of `workers`, balancing positions[b], the positions
// that start with byte b (or their weight), largest tree first.
void ShareTrees(const std::uint64_t* positions, unsigned workers, std::uint8_t* owner) noexcept;

// What the trees cost, tree by tree: the positions done and the time they
// took.  A worker knows its own time, and shares it out among its trees by
// the tree levels each went through, with a fixed charge per insertion for
// what every insertion does besides.  Trees with equal shares of the
// positions can differ in cost several times over (deep trees of repeated
// text, the cheap runs of one byte), so the trees are shared out by cost.
struct TreeCost {
    static constexpr std::uint32_t kFixedLevels = 6;
    std::uint64_t positions[kRootCount] = {};
    std::uint64_t work[kRootCount] = {};  // levels in a worker's count, nanoseconds once handed over
};

// One worker's memory: its trees over its own copy of the input, and its
// positions still in the trees, oldest first (as nodes: every one lies less
// than a ring behind the next).
struct WorkerArea {
    TreeArea trees;
    std::uint16_t inserted[kNodes];
};

// Workers lie side by side in an array and write their state on every
// insertion: each has cache lines of its own.
class alignas(64) TreeWorker {
public:
    TreeWorker() noexcept = default;

    // Makes the worker owner of the trees whose first byte b has owner[b] ==
    // self (of all trees when owner is null), for a new job.  The trees and
    // the ring are emptied by the first Run, on the worker's own thread.
    void Prepare(WorkerArea& area, const std::uint8_t* owner, std::uint8_t self) noexcept;

    // Finds the matches of the owned positions in round.from..to-1, in input
    // order.  Rounds follow each other without gaps.  Returns early when
    // *stop turns true; the job is then abandoned.
    void Run(const Round& round, const std::atomic<bool>* stop);

    // Adds the cost of the rounds run since the last call, which took
    // `nanoseconds`, to `total`; the worker's own count starts again.
    void HandOverCost(TreeCost& total, std::uint64_t nanoseconds) noexcept;

    // Between rounds, with no worker running, gives every tree b to worker
    // newOwner[b] and copies newOwner into owner.  First every worker takes
    // out what is due before position `next` goes in: all that is left in
    // the trees then lies within next - 4078 .. next - 1, so no two workers
    // use one node, and a tree moves node by node.  (Every worker's ring
    // holds all input up to `next`.)
    static void Reassign(TreeWorker* workers, unsigned count, std::uint8_t* owner, const std::uint8_t* newOwner,
                         std::int64_t next) noexcept;

private:
    [[nodiscard]] bool Owns(std::uint8_t b) const noexcept { return owner_ == nullptr || owner_[b] == self_; }
    void Begin() noexcept;
    void Owned() noexcept;
    [[nodiscard]] std::uint64_t OwnPositions(const std::uint8_t* x, std::uint32_t n) const noexcept;
    std::int64_t Position(std::int64_t k, Found& found);
    std::int64_t RunOfOneByte(std::int64_t k, std::uint32_t node);
    void RemoveDue(std::int64_t k) noexcept;
    void Inserted(std::int64_t k) noexcept;
    void Requeue(std::int64_t next) noexcept;
    void Fill(std::int64_t k) noexcept;
    void CopyIn(std::int64_t hi) noexcept;
    void StaleTail() noexcept;
    [[nodiscard]] bool UniformKey(std::uint32_t node) const noexcept;

    WorkerArea* area_ = nullptr;
    MatchTrees trees_;
    const std::uint8_t* owner_ = nullptr;
    std::uint8_t self_ = 0;
    std::uint8_t mine_[kRootCount] = {};  // 1 for the trees this worker owns
    bool begun_ = false;
    const Round* round_ = nullptr;
    std::int64_t filled_ = 0;  // input bytes 0..filled_-1 have been through the ring
    std::uint32_t oldest_ = 0;  // the queue of inserted positions: area_->inserted[oldest_..newest_)
    std::uint32_t newest_ = 0;
    std::int64_t lastInserted_ = 0;
    TreeCost cost_;
};

}  // namespace lzh::detail
