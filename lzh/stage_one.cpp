#include "lzh/stage_one.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>

namespace lzh::detail {
namespace {

// Input bytes may enter the ring up to this far beyond the position going in:
// what they overwrite lies a whole ring back, before the oldest key still in
// a tree (position k - 4078).
constexpr std::int64_t kFillAhead = kWindowSize + kMaxMatch;

// The longest stretch of one byte value taken in one step.  It must stay
// below kRemovalLag, so the node standing for the stretch is never due for
// removal inside it.
constexpr std::int64_t kLongestRun = 4000;
static_assert(kLongestRun < kRemovalLag);

// How many of the first `limit` bytes at x equal b.
std::int64_t CountRun(const std::uint8_t* x, std::int64_t limit, std::uint8_t b) noexcept {
    std::int64_t i = 0;
    if constexpr (std::endian::native == std::endian::little) {
        const std::uint64_t pattern = 0x0101010101010101ULL * b;
        for (; i + 8 <= limit; i += 8) {
            std::uint64_t w;
            std::memcpy(&w, x + i, 8);
            if (w != pattern) return i + (std::countr_zero(w ^ pattern) >> 3);
        }
    }
    while (i < limit && x[i] == b) ++i;
    return i;
}

}  // namespace

// Which of the (up to 64) positions at x start with a byte of this worker's
// trees, as bits.  64 bytes of one value of another worker's tree (a run)
// are passed over quickly.
std::uint64_t TreeWorker::OwnPositions(const std::uint8_t* x, std::uint32_t n) const noexcept {
    if (n == 64 && !mine_[x[0]]) {
        const std::uint64_t pattern = 0x0101010101010101ULL * x[0];
        std::uint64_t differ = 0;
        for (unsigned i = 0; i < 64; i += 8) {
            std::uint64_t w;
            std::memcpy(&w, x + i, 8);
            differ |= w ^ pattern;
        }
        if (differ == 0) return 0;
    }
    std::uint64_t even = 0, odd = 0;  // two chains of dependent ors instead of one
    std::uint32_t i = 0;
    for (; i + 2 <= n; i += 2) {
        even |= std::uint64_t{mine_[x[i]]} << i;
        odd |= std::uint64_t{mine_[x[i + 1]]} << (i + 1);
    }
    if (i < n) even |= std::uint64_t{mine_[x[i]]} << i;
    return even | odd;
}

void TreeWorker::Prepare(WorkerArea& area, const std::uint8_t* owner, std::uint8_t self) noexcept {
    area_ = &area;
    trees_ = MatchTrees(area.trees);
    owner_ = owner;
    self_ = self;
    begun_ = false;
    cost_ = TreeCost{};
    Owned();
}

void TreeWorker::Owned() noexcept {
    for (unsigned b = 0; b < kRootCount; ++b) mine_[b] = Owns(static_cast<std::uint8_t>(b));
}

void TreeWorker::Begin() noexcept {
    std::memset(area_->trees.bytes, 0, sizeof area_->trees.bytes);
    trees_.ResetTrees();
    trees_.matchPosition = trees_.matchLength = trees_.depth = 0;
    filled_ = 0;
    oldest_ = newest_ = 0;
    begun_ = true;
    if (!Owns(0)) return;
    // Eighteen positions of zeros go into tree 0 before the input's first,
    // the nearest first; their keys run into input bytes 0..16.  They come
    // out oldest first like any other.
    Fill(-1);
    constexpr auto kStart = static_cast<std::int64_t>(kMaxMatch);
    for (std::int64_t k = -1; k >= -kStart; --k) trees_.InsertPosition(NodeOf(k));
    for (std::int64_t k = -kStart; k < 0; ++k) Inserted(k);
}

void TreeWorker::Run(const Round& round, const std::atomic<bool>* stop) {
    round_ = &round;
    if (!begun_) Begin();
    std::int64_t next = round.from;  // positions before it are done
    if (owner_ == nullptr) {
        while (next < round.to) next = Position(next, round.results[next - round.from]);
    } else {
        // The positions of this worker's trees, 64 at a time.  A run of one
        // byte may end beyond them; the search resumes there.  Other workers
        // store results between these: they go out together after the 64,
        // so that a cache line changes hands once, not with every store.
        for (std::int64_t chunk = round.from; chunk < round.to;) {
            if (stop != nullptr && stop->load(std::memory_order_relaxed)) return;
            const auto n = static_cast<std::uint32_t>(std::min<std::int64_t>(round.to - chunk, 64));
            Found found[64];
            std::uint64_t done = 0;
            for (std::uint64_t own = OwnPositions(round.bytes + (chunk - round.begin), n); own != 0; own &= own - 1) {
                const int i = std::countr_zero(own);
                const std::int64_t k = chunk + i;
                if (k < next) continue;
                next = Position(k, found[i]);
                done |= std::uint64_t{1} << i;
                const std::uint8_t tree = round.bytes[k - round.begin];
                cost_.positions[tree] += static_cast<std::uint64_t>(next - k);
                cost_.work[tree] += trees_.depth + TreeCost::kFixedLevels;
            }
            for (Found* const out = round.results + (chunk - round.from); done != 0; done &= done - 1)
                out[std::countr_zero(done)] = found[std::countr_zero(done)];
            chunk = std::max(chunk + n, next);
        }
    }
    // The rest of this buffer goes into the ring now: the next round's bytes
    // are elsewhere, and the caller reuses this buffer.
    if (round.blockEnds) CopyIn(round.avail);
}

void TreeWorker::HandOverCost(TreeCost& total, std::uint64_t nanoseconds) noexcept {
    std::uint64_t levels = 0;
    for (unsigned b = 0; b < kRootCount; ++b) levels += cost_.work[b];
    if (levels != 0) {
        for (unsigned b = 0; b < kRootCount; ++b) {
            total.positions[b] += cost_.positions[b];
            total.work[b] += nanoseconds * cost_.work[b] / levels;
        }
    }
    cost_ = TreeCost{};
}

// Removal, insertion, and the match of position k, stored in `found`.
// Returns the next position not yet done.
std::int64_t TreeWorker::Position(std::int64_t k, Found& found) {
    RemoveDue(k);
    if (filled_ < k + kMaxMatch) Fill(k);
    const std::uint32_t node = NodeOf(k);
    trees_.InsertPosition(node);
    Inserted(k);
    found = PackMatch(k, trees_.matchLength, trees_.matchPosition);
    if (trees_.depth == 1 && UniformKey(node)) [[unlikely]]
        return k + 1 + RunOfOneByte(k, node);
    return k + 1;
}

// Inside a run of one byte value b, each position's key equals the one
// before, which stands on top of tree b: every insertion replaces the top
// node by the next position and finds a match of 18 one position back.  Such
// a stretch is done with one replacement at its end.  The removals due on the
// way only read and write links, so doing them all first changes nothing:
// where they would touch the current top node they touch the one standing
// for it, whose links the replacement hands over.  Called when node k, just
// inserted, is on top of its tree with a key of one byte value; returns how
// many positions after k it has done.
std::int64_t TreeWorker::RunOfOneByte(std::int64_t k, std::uint32_t node) {
    const std::int64_t last = std::min({round_->to - 1, round_->avail - static_cast<std::int64_t>(kMaxMatch),
                                        k + kLongestRun});
    if (last <= k) return 0;
    // Position k + 1 + i keeps a key of b's alone while input byte k + 18 + i is b.
    const std::uint8_t b = area_->trees.bytes[node];
    const std::int64_t m = CountRun(round_->bytes + (k + kMaxMatch - round_->begin), last - k, b);
    if (m == 0) return 0;
    Found* const results = round_->results + (k + 1 - round_->from);
    constexpr Found kLongest = (kMaxMatch - (kThreshold + 1)) << 12;
    for (std::int64_t i = 0; i < m; ++i)
        results[i] = static_cast<Found>(kLongest | ((node + static_cast<std::uint32_t>(i)) & kWindowMask));
    RemoveDue(k + m);
    trees_.ReplaceNode(node, NodeOf(k + m));
    Inserted(k + m);  // the positions in between have been replaced already
    return m;
}

// Takes out the positions due before position k goes in: those 4079 or more
// behind it, unless an equal key has replaced them since.
void TreeWorker::RemoveDue(std::int64_t k) noexcept {
    std::uint16_t* const queue = area_->inserted;
    if (k - lastInserted_ >= kRemovalLag) {
        // All are due; and some may lie a whole ring back, where their
        // nodes no longer tell their distance.
        for (; oldest_ != newest_; ++oldest_) {
            const std::uint32_t node = queue[oldest_ & kNodeMask];
            if (trees_.InTree(node)) trees_.RemovePosition(node);
        }
        return;
    }
    // Each queued position lies less than 2 * 4079 behind k: its node's
    // distance on the ring is its distance in the input.
    const std::uint32_t here = NodeOf(k);
    for (; oldest_ != newest_; ++oldest_) {
        const std::uint32_t node = queue[oldest_ & kNodeMask];
        if (((here - node) & kNodeMask) < kRemovalLag) break;
        if (trees_.InTree(node)) trees_.RemovePosition(node);
    }
}

void TreeWorker::Reassign(TreeWorker* workers, unsigned count, std::uint8_t* owner, const std::uint8_t* newOwner,
                          std::int64_t next) noexcept {
    for (unsigned w = 0; w < count; ++w) workers[w].RemoveDue(next);
    const std::int64_t oldest = std::max(next - kRemovalLag + 1, -static_cast<std::int64_t>(kMaxMatch));
    for (unsigned w = 0; w < count; ++w) {
        TreeArea& from = workers[w].area_->trees;
        for (unsigned b = 0; b < kRootCount; ++b) {
            if (owner[b] != w || newOwner[b] == w) continue;
            workers[newOwner[b]].area_->trees.right[kRootBase + b] = from.right[kRootBase + b];
            from.right[kRootBase + b] = kNil;
        }
        for (std::int64_t j = oldest; j < next; ++j) {
            const std::uint32_t node = NodeOf(j);
            if (from.parent[node] == kNil || newOwner[from.bytes[node]] == w) continue;
            TreeArea& to = workers[newOwner[from.bytes[node]]].area_->trees;
            to.left[node] = from.left[node];
            to.right[node] = from.right[node];
            to.parent[node] = from.parent[node];
            from.parent[node] = kNil;
        }
    }
    std::memcpy(owner, newOwner, kRootCount);
    for (unsigned w = 0; w < count; ++w) {
        workers[w].Owned();
        workers[w].Requeue(next);
    }
}

// The queue anew from the trees: every node in them, oldest first.
void TreeWorker::Requeue(std::int64_t next) noexcept {
    oldest_ = newest_ = 0;
    for (std::int64_t j = std::max(next - kRemovalLag + 1, -static_cast<std::int64_t>(kMaxMatch)); j < next; ++j)
        if (trees_.InTree(NodeOf(j))) area_->inserted[newest_++] = static_cast<std::uint16_t>(NodeOf(j));
    lastInserted_ = next - 1;
}

void TreeWorker::Inserted(std::int64_t k) noexcept {
    area_->inserted[newest_++ & kNodeMask] = static_cast<std::uint16_t>(NodeOf(k));
    lastInserted_ = k;
}

// Brings the ring up to the key of position k: input bytes through k + 17,
// and at the end of the input the bytes one window earlier after it.
void TreeWorker::Fill(std::int64_t k) noexcept {
    CopyIn(std::min(round_->avail, k + kFillAhead));
    if (filled_ < k + kMaxMatch) StaleTail();
}

void TreeWorker::CopyIn(std::int64_t hi) noexcept {
    // Bytes a whole ring or more behind hi would be overwritten before use.
    const std::int64_t lo = std::max(filled_, hi - static_cast<std::int64_t>(kNodes));
    if (lo >= hi) return;
    std::uint8_t* const ring = area_->trees.bytes;
    const std::uint8_t* from = round_->bytes + (lo - round_->begin);
    std::uint32_t node = NodeOf(lo);
    auto left = static_cast<std::uint32_t>(hi - lo);
    while (left > 0) {
        const std::uint32_t chunk = std::min(left, kNodes - node);
        std::memcpy(ring + node, from, chunk);
        if (node < kMirrorSize) std::memcpy(ring + kNodes + node, from, std::min(chunk, kMirrorSize - node));
        from += chunk;
        left -= chunk;
        node = (node + chunk) & kNodeMask;
    }
    filled_ = hi;
}

// The input has ended at round.avail.  The 17 positions after it keep what
// they held one window earlier (zero where the input never reached), which
// in this ring of two windows is the node 4096 away.
void TreeWorker::StaleTail() noexcept {
    std::uint8_t* const ring = area_->trees.bytes;
    for (std::uint32_t i = 0; i < kMirrorSize; ++i) {
        const std::uint32_t node = NodeOf(round_->avail + i);
        ring[node] = ring[node ^ kWindowSize];
        if (node < kMirrorSize) ring[kNodes + node] = ring[node];
    }
    filled_ = std::numeric_limits<std::int64_t>::max();
}

bool TreeWorker::UniformKey(std::uint32_t node) const noexcept {
    const std::uint8_t* const key = area_->trees.bytes + node;
    std::uint64_t u, v;
    std::memcpy(&u, key, 8);
    std::memcpy(&v, key + 8, 8);
    const std::uint64_t pattern = 0x0101010101010101ULL * key[0];
    return u == pattern && v == pattern && key[16] == key[0] && key[17] == key[0];
}

}  // namespace lzh::detail
