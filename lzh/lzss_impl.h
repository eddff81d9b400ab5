// Template body of the expansion run; included by lzss.h only.
#pragma once

namespace lzh {
namespace detail {

template <class Source>
concept BulkSource = requires(Source& in, std::size_t n) {
    { in.Available() } -> std::convertible_to<std::size_t>;
    { in.Data() } -> std::convertible_to<const std::uint8_t*>;
    in.Advance(n);
};

// Copies one match item inside the ring and hands its bytes to the sink.
// Copying forward from a later position reads nothing the item wrote, so it
// is a plain move; a source just behind r repeats what the item itself
// produces and must go byte by byte, as must a copy that wraps the ring.
template <class Emit>
inline std::uint32_t CopyMatch(std::uint8_t* window, std::uint32_t r, std::uint32_t position,
                               std::uint32_t length, Emit&& emit) {
    if (position + length <= kWindowSize && r + length <= kWindowSize &&
        (position >= r || r - position >= length)) {
        std::memmove(window + r, window + position, length);
        emit(window + r, length);
        return (r + length) & kWindowMask;
    }
    for (std::uint32_t k = 0; k < length; ++k) {
        const std::uint8_t c = window[(position + k) & kWindowMask];
        window[r] = c;
        emit(window + r, 1);
        r = (r + 1) & kWindowMask;
    }
    return r;
}

template <class Source, class Sink>
concept BulkPorts = BulkSource<Source> && requires(Sink& out, std::size_t n) {
    { out.Room() } -> std::convertible_to<std::size_t>;
    { out.Behind() } -> std::convertible_to<std::size_t>;
    { out.Cursor() } -> std::convertible_to<std::uint8_t*>;
    out.Commit(n);
};

// The longest a group can be in the stream, and how much of the sink's room a
// group decoded in place may touch (its output plus one 32-byte over-copy).
// Every item copies 32 bytes, a literal from the stream, so the source must
// hold that much beyond the group's last possible item.
inline constexpr std::size_t kLongestGroup = 1 + 2 * kGroupItems;
inline constexpr std::size_t kGroupRoom = (kGroupItems - 1) * kMaxMatch + 32;
inline constexpr std::size_t kGroupReach = kLongestGroup + 32;

// Decoding in place reads match sources from the bytes already in the sink's
// buffer instead of the ring; the ring is brought up to date from them
// before any byte-by-byte decoding needs it again.
struct RingSync {
    std::size_t pending = 0;  // latest output bytes not yet copied into the ring

    void Flush(std::uint8_t* window, std::uint32_t r, const std::uint8_t* end) noexcept {
        std::size_t n = pending < kWindowSize ? pending : kWindowSize;
        pending = 0;
        std::uint32_t at = (r - static_cast<std::uint32_t>(n)) & kWindowMask;
        const std::uint8_t* from = end - n;
        while (n > 0) {
            std::size_t chunk = kWindowSize - at;
            if (chunk > n) chunk = n;
            std::memcpy(window + at, from, chunk);
            from += chunk;
            n -= chunk;
            at = (at + static_cast<std::uint32_t>(chunk)) & kWindowMask;
        }
    }
};

// Decodes one whole group from the source's buffer straight into the sink's.
// Only used while the source holds a whole group, the sink has room for one
// and a window's worth of earlier output readable behind its cursor, so every
// match source lies in the sink's memory.  Returns the new r.
template <class Source, class Sink>
inline std::uint32_t ExpandGroupInPlace(std::uint8_t* window, std::uint32_t r, RingSync& sync, Source& in,
                                        Sink& out) {
    const std::uint8_t* const start = in.Data();
    const std::uint8_t* p = start;
    std::uint8_t* const first = out.Cursor();
    std::uint8_t* o = first;
    const std::uint32_t flags = *p++;
    if (flags == 0xFF) {
        // Eight literals: incompressible data is mostly these, group after
        // group, so the whole stretch goes here while both buffers hold one
        // more as the caller would require.
        const std::uint8_t* const lastIn = start + (in.Available() - kGroupReach);
        const std::uint8_t* const lastOut = first + (out.Room() - kGroupRoom);
        for (;;) {
            std::memcpy(o, p, kGroupItems);
            o += kGroupItems;
            p += kGroupItems;
            if (p > lastIn || o > lastOut || *p != 0xFF) break;
            ++p;
        }
    } else {
        // A literal and a match go the same way, a copy of 32 bytes from the
        // stream or from the output behind, of which the item keeps its own:
        // which one an item is decides no branch.  Only a match less than 16
        // back, which repeats bytes it makes itself, goes byte by byte.
        for (std::uint32_t item = 0; item < kGroupItems; ++item) {
            // Masks, not conditions: a compiler given `literal ? a : b` may
            // well branch, and text mixes literals and matches at random.
            const std::uint32_t literal = (flags >> item) & 1;
            const std::uint32_t match = literal - 1;  // all ones for a match
            const std::uint32_t position = p[0] | ((static_cast<std::uint32_t>(p[1]) & 0xF0) << 4);
            const std::uint32_t here = (r + static_cast<std::uint32_t>(o - first)) & kWindowMask;
            const std::uint32_t distance = ((here - position - 1) & kWindowMask) + 1;  // 1..4096
            const std::uint32_t length = (((p[1] & 0x0Fu) + kThreshold + 1) & match) | literal;
            const std::uintptr_t pick = static_cast<std::uintptr_t>(0) - literal;  // all ones for a literal
            const std::uintptr_t from = reinterpret_cast<std::uintptr_t>(p) & pick;
            const std::uintptr_t behind = reinterpret_cast<std::uintptr_t>(o - distance) & ~pick;
            const auto* const src = reinterpret_cast<const std::uint8_t*>(from | behind);
            p += 2 - literal;
            if (((distance - 16) & match) >> 31) [[unlikely]] {  // a match less than 16 back
                if (distance == 1)
                    std::memset(o, *src, kMaxMatch);  // a run of one byte
                else
                    for (std::uint32_t k = 0; k < length; ++k) o[k] = src[k];
            } else {
                // A second move reads what the first wrote when the source
                // is only 16..31 back, exactly as byte by byte.
                std::memcpy(o, src, 16);
                std::memcpy(o + 16, src + 16, 16);
            }
            o += length;
        }
    }
    const auto produced = static_cast<std::size_t>(o - first);
    in.Advance(static_cast<std::size_t>(p - start));
    r = (r + static_cast<std::uint32_t>(produced)) & kWindowMask;
    sync.pending += produced;
    // Handing a full buffer on gives it away: the ring must have its bytes first.
    if (out.Room() == produced) sync.Flush(window, r, o);
    out.Commit(produced);
    return r;
}

}  // namespace detail

template <class Source, class Sink>
void ExpandRun(std::uint8_t* window, Source& in, Sink& out) {
    std::memset(window, 0, kWindowSize + kMirrorSize);
    std::uint32_t r = kStartPosition;
    const auto emit = [&out](const std::uint8_t* bytes, std::uint32_t n) { detail::WriteRun(out, bytes, n); };
    [[maybe_unused]] detail::RingSync sync;
    for (;;) {
        if constexpr (detail::BulkPorts<Source, Sink>) {
            if (in.Available() >= detail::kGroupReach && out.Room() >= detail::kGroupRoom &&
                out.Behind() >= kWindowSize) {
                r = detail::ExpandGroupInPlace(window, r, sync, in, out);
                continue;
            }
            if (sync.pending != 0) sync.Flush(window, r, out.Cursor());
        }
        const int f = in.ReadByte();
        if (f < 0) break;
        std::uint32_t flags = static_cast<std::uint32_t>(f);
        for (std::uint32_t item = 0; item < kGroupItems; ++item, flags >>= 1) {
            const int a = in.ReadByte();
            if (a < 0) goto done;
            if (flags & 1) {
                window[r] = static_cast<std::uint8_t>(a);
                r = (r + 1) & kWindowMask;
                out.WriteByte(static_cast<std::uint8_t>(a));
                continue;
            }
            const int b = in.ReadByte();
            if (b < 0) goto done;  // an item cut in its middle is dropped
            r = detail::CopyMatch(window, r,
                                  static_cast<std::uint32_t>(a) | ((static_cast<std::uint32_t>(b) & 0xF0) << 4),
                                  (static_cast<std::uint32_t>(b) & 0x0F) + kThreshold + 1, emit);
        }
    }
done:
    out.FlushOutput();
}

}  // namespace lzh
