// Template bodies of the two codec runs; included by lzss.h only.
#pragma once

namespace lzh {
namespace detail {

template <class Sink>
inline void WriteRun(Sink& out, const std::uint8_t* bytes, std::size_t count) {
    if constexpr (requires { out.WriteBytes(bytes, count); }) {
        out.WriteBytes(bytes, count);
    } else {
        for (std::size_t i = 0; i < count; ++i) out.WriteByte(bytes[i]);
    }
}

template <class Source>
concept BulkSource = requires(Source& in, std::size_t n) {
    { in.Available() } -> std::convertible_to<std::size_t>;
    { in.Data() } -> std::convertible_to<const std::uint8_t*>;
    in.Advance(n);
};

// True when the 18-byte key at r consists of one repeated byte.
inline bool UniformKey(const std::uint8_t* window, std::uint32_t r) noexcept {
    std::uint64_t u, v;
    std::memcpy(&u, window + r, 8);
    std::memcpy(&v, window + r + 8, 8);
    const std::uint64_t pattern = 0x0101010101010101ULL * window[r];
    return u == pattern && v == pattern && window[r + 16] == window[r] && window[r + 17] == window[r];
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

// Inside a run of one byte value b every step of the compression run
// replaces the topmost node of tree b by the next position, whose key is
// equal.  Such steps are done here with a single replacement at the end: the
// removals in between see the old node where they would see its successor,
// and once it is replaced the links are the same.  The output is unchanged.
//
// Preconditions: r is the topmost node of its tree and its key is uniform.
template <class Source, class Sink>
class CompressionRun {
public:
    CompressionRun(WorkArea& area, Source& in, Sink& out) noexcept
        : area_(area), window_(area.window), trees_(area), in_(in), out_(out), group_(out) {}

    void Run();

private:
    bool InRun() const noexcept { return area_.parent[r_] > kNil && detail::UniformKey(window_, r_); }
    void Step(std::uint8_t c) {
        trees_.RemovePosition(s_);
        trees_.Store(s_, c);
        Advance(1);
        trees_.InsertPosition(r_);
    }
    void Advance(std::uint32_t k) noexcept {
        s_ = (s_ + k) & kWindowMask;
        r_ = (r_ + k) & kWindowMask;
    }
    // The topmost node of the run's tree takes over from `topmost` at r.
    void EndRun(std::uint32_t topmost) noexcept {
        if (r_ == topmost) return;
        trees_.ReplaceNode(topmost, r_);
        trees_.matchPosition = (r_ - 1) & kWindowMask;
        trees_.matchLength = kMaxMatch;
        trees_.depth = 1;
    }
    std::uint32_t RunBytesAhead(std::uint8_t b, std::size_t limit) const {
        if constexpr (detail::BulkSource<Source>) {
            const std::uint8_t* ahead = in_.Data();
            limit = std::min(limit, in_.Available());
            std::size_t k = 0;
            while (k < limit && ahead[k] == b) ++k;
            return static_cast<std::uint32_t>(k);
        } else {
            return 0;
        }
    }
    std::uint32_t CodeWholeRunItems();
    std::uint32_t StepsOfItem(std::uint32_t n, bool& ended);

    WorkArea& area_;
    std::uint8_t* const window_;
    MatchTrees trees_;
    Source& in_;
    Sink& out_;
    detail::GroupWriter<Sink> group_;
    std::uint32_t s_ = 0;
    std::uint32_t r_ = kStartPosition;
    std::uint32_t len_ = 0;
};

// Many items of 18 in a row while the source's buffer holds the run: each is
// a match with the position just behind it.  Returns how many were coded.
template <class Source, class Sink>
std::uint32_t CompressionRun<Source, Sink>::CodeWholeRunItems() {
    if constexpr (detail::BulkSource<Source>) {
        if (len_ != kMaxMatch || trees_.matchLength != kMaxMatch || !InRun()) return 0;
        // Far fewer steps than the ring holds, so the deferred node is never
        // the oldest position and never removed on the way.
        constexpr std::uint32_t kMostSteps = 112 * kMaxMatch;
        const std::uint8_t b = window_[r_];
        const std::uint32_t items = RunBytesAhead(b, kMostSteps) / kMaxMatch;
        if (items == 0) return 0;
        const std::uint32_t topmost = r_;
        std::uint32_t position = trees_.matchPosition;
        for (std::uint32_t k = 0; k < items; ++k) {
            group_.Match(position, kMaxMatch);
            position = (r_ + (k + 1) * kMaxMatch - 1) & kWindowMask;
        }
        trees_.ReplaceRun(s_, items * kMaxMatch, b);
        in_.Advance(items * kMaxMatch);
        Advance(items * kMaxMatch);
        EndRun(topmost);
        return items;
    } else {
        return 0;
    }
}

// Step 5.4 for an item of n bytes: read, unlink the oldest position, store,
// insert the next one.  Returns the steps done; `ended` when input ran out.
template <class Source, class Sink>
std::uint32_t CompressionRun<Source, Sink>::StepsOfItem(std::uint32_t n, bool& ended) {
    std::uint32_t i = 0;
    if (InRun()) {
        const std::uint8_t b = window_[r_];
        const std::uint32_t topmost = r_;
        const std::uint32_t k = RunBytesAhead(b, n);
        if (k > 0) {
            trees_.ReplaceRun(s_, k, b);
            if constexpr (detail::BulkSource<Source>) in_.Advance(k);
            Advance(k);
            i = k;
        }
        int c = b;
        while (i < n) {
            c = in_.ReadByte();
            if (c != b) break;
            trees_.RemovePosition(s_);
            trees_.Store(s_, b);
            Advance(1);
            ++i;
        }
        EndRun(topmost);
        if (i < n) {
            if (c < 0) {
                ended = true;
                return i;
            }
            Step(static_cast<std::uint8_t>(c));
            ++i;
        }
    }
    for (; i < n; ++i) {
        const int c = in_.ReadByte();
        if (c < 0) {
            ended = true;
            return i;
        }
        Step(static_cast<std::uint8_t>(c));
    }
    return i;
}

template <class Source, class Sink>
void CompressionRun<Source, Sink>::Run() {
    std::memset(&area_, 0, sizeof area_);
    trees_.ResetTrees();
    for (; len_ < kMaxMatch; ++len_) {
        const int c = in_.ReadByte();
        if (c < 0) break;
        window_[r_ + len_] = static_cast<std::uint8_t>(c);
    }
    if (len_ == 0) {
        out_.FlushOutput();
        return;
    }
    for (std::uint32_t i = 1; i <= kMaxMatch; ++i) trees_.InsertPosition(r_ - i);
    trees_.InsertPosition(r_);

    while (len_ > 0) {
        if (CodeWholeRunItems() > 0) continue;
        if (trees_.matchLength > len_) trees_.matchLength = len_;
        if (trees_.matchLength <= kThreshold) {
            trees_.matchLength = 1;
            group_.Literal(window_[r_]);
        } else {
            group_.Match(trees_.matchPosition, trees_.matchLength);
        }
        const std::uint32_t n = trees_.matchLength;
        bool ended = false;
        std::uint32_t i = StepsOfItem(n, ended);
        // The input has ended: the window runs on without new bytes.
        for (; i < n; ++i) {
            trees_.RemovePosition(s_);
            Advance(1);
            if (--len_ > 0) trees_.InsertPosition(r_);
        }
    }
    group_.Finish();
    out_.FlushOutput();
}

template <class Source, class Sink>
void CompressRun(WorkArea& area, Source& in, Sink& out) {
    CompressionRun<Source, Sink>(area, in, out).Run();
}

namespace detail {

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
    { out.Filled() } -> std::convertible_to<std::size_t>;
    { out.Cursor() } -> std::convertible_to<std::uint8_t*>;
    out.Commit(n);
};

// The longest a group can be in the stream, and how much of the sink's room a
// group decoded in place may touch (its output plus one 32-byte over-copy).
inline constexpr std::size_t kLongestGroup = 1 + 2 * kGroupItems;
inline constexpr std::size_t kGroupRoom = (kGroupItems - 1) * kMaxMatch + 32;

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
// and at least a window's worth of earlier output, so every match source
// lies in the sink's buffer.  Returns the new r.
template <class Source, class Sink>
inline std::uint32_t ExpandGroupInPlace(std::uint8_t* window, std::uint32_t r, RingSync& sync, Source& in,
                                        Sink& out) {
    const std::uint8_t* const start = in.Data();
    const std::uint8_t* p = start;
    std::uint8_t* const first = out.Cursor();
    std::uint8_t* o = first;
    const std::uint32_t flags = *p++;
    if (flags == 0xFF) {  // eight literals: incompressible data is mostly these
        std::memcpy(o, p, kGroupItems);
        o += kGroupItems;
        p += kGroupItems;
    } else {
        for (std::uint32_t item = 0; item < kGroupItems; ++item) {
            if ((flags >> item) & 1) {
                *o++ = *p++;
                continue;
            }
            const std::uint32_t position = p[0] | ((static_cast<std::uint32_t>(p[1]) & 0xF0) << 4);
            const std::uint32_t length = (p[1] & 0x0Fu) + kThreshold + 1;
            p += 2;
            const std::uint32_t here = (r + static_cast<std::uint32_t>(o - first)) & kWindowMask;
            const std::uint32_t distance = ((here - position - 1) & kWindowMask) + 1;  // 1..4096
            const std::uint8_t* src = o - distance;
            if (distance >= 16) {
                // Whole 16-byte moves; a second one reads what the first wrote
                // when the source is only 16..31 back, exactly as byte by byte.
                std::memcpy(o, src, 16);
                if (length > 16) std::memcpy(o + 16, src + 16, 16);
            } else if (distance == 1) {
                std::memset(o, *src, kMaxMatch);  // a run of one byte
            } else {
                for (std::uint32_t k = 0; k < length; ++k) o[k] = src[k];
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
void ExpandRun(WorkArea& area, Source& in, Sink& out) {
    std::uint8_t* const window = area.window;
    std::memset(window, 0, sizeof area.window);
    std::uint32_t r = kStartPosition;
    const auto emit = [&out](const std::uint8_t* bytes, std::uint32_t n) { detail::WriteRun(out, bytes, n); };
    [[maybe_unused]] detail::RingSync sync;
    for (;;) {
        if constexpr (detail::BulkPorts<Source, Sink>) {
            if (in.Available() >= detail::kLongestGroup && out.Room() >= detail::kGroupRoom &&
                out.Filled() >= kWindowSize) {
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
