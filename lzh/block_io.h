// The codec's byte-level ports over a Source and a Sink: a buffer refilled by
// whole reads, and a buffer handed on whenever it is full.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "lzh/codec.h"
#include "lzh/lzss.h"

namespace lzh::detail {

// A callback's count made safe to use: negative counts are the end, counts
// above the buffer are cut to it, so no count can make the codec read outside.
[[nodiscard]] inline std::uint32_t ClampCount(std::int32_t count) noexcept {
    if (count <= 0) return 0;
    return count > static_cast<std::int32_t>(kBlockSize) ? kBlockSize : static_cast<std::uint32_t>(count);
}

// Hands out a kBlockSize buffer byte by byte and refills it from the source.
// A count of 0 is the end; the position then stays, so the next request asks
// the source again.
class BufferedInput {
public:
    BufferedInput(Source& source, std::uint8_t* buffer) noexcept : source_(source), buffer_(buffer) {}

    int ReadByte() {
        if (position_ < count_) return buffer_[position_++];
        count_ = ClampCount(source_.Read(buffer_));
        if (count_ == 0) return kEndOfInput;
        position_ = 1;
        return buffer_[0];
    }
    // Bulk access to what the buffer already holds; never refills it, so the
    // source is asked at the same points as byte by byte.
    [[nodiscard]] std::size_t Available() const noexcept { return position_ < count_ ? count_ - position_ : 0; }
    [[nodiscard]] const std::uint8_t* Data() const noexcept { return buffer_ + position_; }
    void Advance(std::size_t n) noexcept { position_ += static_cast<std::uint32_t>(n); }

private:
    Source& source_;
    std::uint8_t* const buffer_;
    std::uint32_t position_ = kBlockSize;
    std::uint32_t count_ = kBlockSize;
};

// Fills a kBlockSize buffer and hands it to the sink each time it is full;
// FlushOutput hands on the rest, also when that is nothing.
//
// With `history`, the kWindowSize bytes before `buffer` are the output's last
// window before the buffer's first byte (zeros, as in a fresh ring, before
// any output), kept across hand-overs: a decoder copying matches straight
// from the output can then reach back a whole window from any point.
class BufferedOutput {
public:
    BufferedOutput(Sink& sink, std::uint8_t* buffer, bool history = false) noexcept
        : sink_(sink), buffer_(buffer), history_(history) {
        if (history_) std::memset(buffer_ - kWindowSize, 0, kWindowSize);
    }

    void WriteByte(std::uint8_t b) {
        buffer_[count_++] = b;
        if (count_ == kBlockSize) Hand();
    }
    void WriteBytes(const std::uint8_t* bytes, std::size_t count) {
        while (count > 0) {
            std::size_t room = kBlockSize - count_;
            if (room > count) room = count;
            std::memcpy(buffer_ + count_, bytes, room);
            count_ += static_cast<std::uint32_t>(room);
            bytes += room;
            count -= room;
            if (count_ == kBlockSize) Hand();
        }
    }
    void FlushOutput() { sink_.Write(buffer_, static_cast<std::int32_t>(count_)); }

    // Direct access for decoding in place.
    [[nodiscard]] std::size_t Room() const noexcept { return kBlockSize - count_; }
    // Output bytes readable just before Cursor().
    [[nodiscard]] std::size_t Behind() const noexcept { return count_ + (history_ ? kWindowSize : 0); }
    [[nodiscard]] std::uint8_t* Cursor() const noexcept { return buffer_ + count_; }
    void Commit(std::size_t n) {
        count_ += static_cast<std::uint32_t>(n);
        if (count_ == kBlockSize) Hand();
    }

private:
    void Hand() {
        // Before the sink has it: the buffer is the sink's to change.
        if (history_) std::memcpy(buffer_ - kWindowSize, buffer_ + kBlockSize - kWindowSize, kWindowSize);
        sink_.Write(buffer_, static_cast<std::int32_t>(kBlockSize));
        count_ = 0;
    }

    Sink& sink_;
    std::uint8_t* const buffer_;
    const bool history_;
    std::uint32_t count_ = 0;
};

// The expansion run between a source and a sink, over a kBlockSize input
// buffer, an output block of kExpandOutputBytes and a window of kWindowSize
// + kMirrorSize bytes.
inline constexpr std::size_t kExpandOutputBytes = kWindowSize + kBlockSize;
void Expand(std::uint8_t* input, std::uint8_t* output, std::uint8_t* window, Source& in, Sink& out);

}  // namespace lzh::detail
