// The LZSS codec: a 4096-byte ring window, matches of 3..18 bytes coded as
// 12-bit absolute position + 4-bit length, literals as they are, and one flag
// byte ahead of every eight items.  Every choice the encoder makes is fixed, so
// equal input gives equal output on every copy of the program; files carry this
// stream, so nothing here may change a single output bit.
//
// This header holds the pieces both directions share: the stream's constants,
// the match trees the encoder searches, the flag-group writer, and the
// expansion run.  The encoder's pipeline over them is in encoder.cpp.
#pragma once

#include <algorithm>
#include <bit>
#include <concepts>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace lzh {

inline constexpr std::uint32_t kWindowSize = 4096;
inline constexpr std::uint32_t kWindowMask = kWindowSize - 1;
inline constexpr std::uint32_t kMaxMatch = 18;       // key length and look-ahead
inline constexpr std::uint32_t kThreshold = 2;       // matches of 1..2 go out as literals
inline constexpr std::uint32_t kStartPosition = kWindowSize - kMaxMatch;  // 4078
inline constexpr std::uint32_t kMirrorSize = kMaxMatch - 1;               // 17
inline constexpr std::uint32_t kSplayDepth = 30;
inline constexpr std::uint32_t kGroupItems = 8;
inline constexpr int kEndOfInput = -1;

// The match trees number their nodes by input position: byte k of the input
// is node (4078 + k) mod 8192, so a node's window position, the position a
// match item names, is its number mod 4096.  Twice the window lets a worker
// copy the input into its own ring up to 4096 bytes ahead without touching a
// key still in a tree (see stage_one.cpp).
inline constexpr std::uint32_t kNodes = 2 * kWindowSize;
inline constexpr std::uint32_t kNodeMask = kNodes - 1;
inline constexpr std::uint32_t kNil = kNodes;           // the empty link
inline constexpr std::uint32_t kRootBase = kNil + 1;    // root slot of first byte b: kRootBase + b
inline constexpr std::uint32_t kRootCount = 256;

// A link between nodes: a node number, kNil or a root slot.  Two bytes keep
// the links of the nodes in the trees (the last 4079 positions) and their
// keys within the first-level cache.
using Link = std::uint16_t;
static_assert(kRootBase + kRootCount - 1 <= 0xFFFF);

// The ring of key bytes (with a 17-byte mirror of bytes 0..16, so an 18-byte
// key never wraps) and the three link tables of all 256 trees.
struct TreeArea {
    std::uint8_t bytes[kNodes + kMirrorSize];
    Link left[kNil + 1];
    Link right[kRootBase + kRootCount];  // entries kRootBase.. are the root slots
    Link parent[kNil + 1];               // parent[kNil] is scratch
};

// The 256 match trees over the ring, one per first key byte.  Each operation
// touches only the tree of one first byte, so disjoint sets of trees can be
// worked on independently.
class MatchTrees {
public:
    MatchTrees() noexcept = default;
    explicit MatchTrees(TreeArea& area) noexcept : a_(&area) {}

    void ResetTrees() noexcept;

    // Puts node r into the tree of its first byte and leaves the best match
    // for r's key in matchPosition / matchLength, and r's level in depth.
    void InsertPosition(std::uint32_t r) noexcept;
    void RemovePosition(std::uint32_t p) noexcept;
    void SplayToRoot(std::uint32_t x) noexcept;

    // r takes p's place in p's tree (their keys are equal); p leaves it.
    void ReplaceNode(std::uint32_t p, std::uint32_t r) noexcept;

    [[nodiscard]] bool InTree(std::uint32_t p) const noexcept { return a_->parent[p] != kNil; }

    std::uint32_t matchPosition = 0;
    std::uint32_t matchLength = 0;
    std::uint32_t depth = 0;

private:
    void Rotate(std::uint32_t x) noexcept;

    // First key offset (1..17) at which the keys at r and p differ, or 18;
    // `greater` tells whether r's byte there is the larger one.
    [[nodiscard]] std::uint32_t CompareKeys(std::uint32_t r, std::uint32_t p, bool& greater) const noexcept;

    TreeArea* a_ = nullptr;
};

inline std::uint32_t MatchTrees::CompareKeys(std::uint32_t r, std::uint32_t p, bool& greater) const noexcept {
    const std::uint8_t* x = a_->bytes + r + 1;
    const std::uint8_t* y = a_->bytes + p + 1;
    if constexpr (std::endian::native == std::endian::little) {
        // Two 8-byte words and one byte cover offsets 1..17; with the mirror
        // even the last node reads no further than the ring's end.
        for (std::uint32_t base = 0; base < 16; base += 8) {
            std::uint64_t u, v;
            std::memcpy(&u, x + base, 8);
            std::memcpy(&v, y + base, 8);
            if (u != v) {
                const std::uint32_t k = base + (static_cast<std::uint32_t>(std::countr_zero(u ^ v)) >> 3);
                greater = x[k] > y[k];
                return k + 1;
            }
        }
        if (x[16] != y[16]) {
            greater = x[16] > y[16];
            return 17;
        }
        return kMaxMatch;
    } else {
        for (std::uint32_t k = 0; k < kMaxMatch - 1; ++k) {
            if (x[k] != y[k]) {
                greater = x[k] > y[k];
                return k + 1;
            }
        }
        return kMaxMatch;
    }
}

inline void MatchTrees::InsertPosition(std::uint32_t r) noexcept {
    // left and right lie back to back, so right[p] is left[p + kNil + 1] and
    // the step down the tree needs no branch on the direction.
    static_assert(offsetof(TreeArea, right) == offsetof(TreeArea, left) + sizeof(TreeArea::left));
    Link* const links = a_->left;
    constexpr std::size_t kRightOffset = kNil + 1;
    const std::uint8_t* const key = a_->bytes + r + 1;

    std::uint32_t level = 0;
    std::uint32_t bestLength = 0;
    std::uint32_t bestPosition = matchPosition;
    links[r] = links[r + kRightOffset] = kNil;
    std::size_t p = kRootBase + a_->bytes[r];
    std::size_t side = kRightOffset;  // a root slot hangs its only child on the right
    std::size_t c = links[p + side];
    for (;;) {
        ++level;
        if (c == kNil) {
            links[p + side] = static_cast<Link>(r);
            a_->parent[r] = static_cast<Link>(p);
            break;
        }
        p = c;
        // Both children are fetched while the keys are compared, so the step
        // down waits for the comparison alone, not for a load after it.
        const std::size_t smaller = links[p];
        const std::size_t larger = links[p + kRightOffset];
        const std::uint8_t* const other = a_->bytes + p + 1;
        std::uint32_t i;
        bool greater;
        if constexpr (std::endian::native == std::endian::little) {
            std::uint64_t u, v;
            std::memcpy(&u, key, 8);
            std::memcpy(&v, other, 8);
            if (u != v) [[likely]] {
                i = 1 + (static_cast<std::uint32_t>(std::countr_zero(u ^ v)) >> 3);
                greater = __builtin_bswap64(u) > __builtin_bswap64(v);
            } else {
                i = CompareKeys(r, static_cast<std::uint32_t>(p), greater);
            }
        } else {
            i = CompareKeys(r, static_cast<std::uint32_t>(p), greater);
        }
        if (i > bestLength) {
            bestLength = i;
            bestPosition = static_cast<std::uint32_t>(p);
            if (i == kMaxMatch) [[unlikely]] {
                ReplaceNode(static_cast<std::uint32_t>(p), r);
                break;
            }
        }
        side = greater ? kRightOffset : 0;
        c = greater ? larger : smaller;
    }
    matchLength = bestLength;
    matchPosition = bestPosition;
    depth = level;
    if (level >= kSplayDepth) [[unlikely]] SplayToRoot(r);
}

inline void MatchTrees::ReplaceNode(std::uint32_t p, std::uint32_t r) noexcept {
    Link* const left = a_->left;
    Link* const right = a_->right;
    Link* const parent = a_->parent;
    const std::uint32_t up = parent[p];
    parent[r] = up;
    left[r] = left[p];
    right[r] = right[p];
    parent[left[p]] = r;
    parent[right[p]] = r;
    if (right[up] == p)
        right[up] = r;
    else
        left[up] = r;
    parent[p] = kNil;
}

inline void MatchTrees::RemovePosition(std::uint32_t p) noexcept {
    Link* const left = a_->left;
    Link* const right = a_->right;
    Link* const parent = a_->parent;
    if (parent[p] == kNil) return;
    std::uint32_t q;
    if (right[p] == kNil) {
        q = left[p];
    } else if (left[p] == kNil) {
        q = right[p];
    } else {
        q = left[p];
        if (right[q] != kNil) {
            do q = right[q];
            while (right[q] != kNil);
            right[parent[q]] = left[q];
            parent[left[q]] = parent[q];
            left[q] = left[p];
            parent[left[p]] = q;
        }
        right[q] = right[p];
        parent[right[p]] = q;
    }
    const std::uint32_t up = parent[p];
    parent[q] = up;
    if (right[up] == p)
        right[up] = q;
    else
        left[up] = q;
    parent[p] = kNil;
}

inline void MatchTrees::ResetTrees() noexcept {
    for (std::uint32_t i = 0; i <= kNil; ++i) a_->parent[i] = kNil;
    for (std::uint32_t i = kRootBase; i < kRootBase + kRootCount; ++i) a_->right[i] = kNil;
}

namespace detail {

template <class Sink>
inline void WriteRun(Sink& out, const std::uint8_t* bytes, std::size_t count) {
    if constexpr (requires { out.WriteBytes(bytes, count); }) {
        out.WriteBytes(bytes, count);
    } else {
        for (std::size_t i = 0; i < count; ++i) out.WriteByte(bytes[i]);
    }
}

// The flag byte and the items of the group being filled.
template <class Sink>
class GroupWriter {
public:
    explicit GroupWriter(Sink& out) noexcept : out_(out) {}

    void Literal(std::uint8_t c) {
        bytes_[0] = static_cast<std::uint8_t>(bytes_[0] | flagBit_);
        bytes_[length_++] = c;
        Next();
    }
    void Match(std::uint32_t position, std::uint32_t length) {
        bytes_[length_++] = static_cast<std::uint8_t>(position);
        bytes_[length_++] = static_cast<std::uint8_t>(((position >> 4) & 0xF0) | (length - (kThreshold + 1)));
        Next();
    }
    // The pending group goes out whatever it holds, at least its flag byte.
    void Finish() { WriteRun(out_, bytes_, length_); }

private:
    void Next() {
        flagBit_ <<= 1;
        if (flagBit_ == 1u << kGroupItems) {
            WriteRun(out_, bytes_, length_);
            bytes_[0] = 0;
            length_ = 1;
            flagBit_ = 1;
        }
    }

    Sink& out_;
    std::uint8_t bytes_[1 + 2 * kGroupItems] = {};
    std::uint32_t length_ = 1;
    std::uint32_t flagBit_ = 1;
};

}  // namespace detail

// Expansion run over a window of kWindowSize + kMirrorSize bytes: every byte
// sequence is a valid stream; a cut item is dropped.
//   Source: int ReadByte();  (0..255, or kEndOfInput; may be asked again)
//   Sink:   void WriteByte(uint8_t); void FlushOutput();  (last call of every run)
// With the bulk access of the module's block buffers (see BulkPorts) whole
// groups are decoded straight from buffer to buffer.
template <class Source, class Sink>
void ExpandRun(std::uint8_t* window, Source& in, Sink& out);

}  // namespace lzh

#include "lzh/lzss_impl.h"
