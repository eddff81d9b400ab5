// A deliberately plain second encoder: every step of the compression run done
// literally, byte comparisons one at a time, no shortcuts.  The production
// encoder takes shortcuts for speed; comparing the two over many inputs is how
// the tests know the shortcuts change no output bit.
#pragma once

#include <cstdint>
#include <vector>

namespace lzh_reference {

class Encoder {
public:
    std::vector<std::uint8_t> Compress(const std::vector<std::uint8_t>& input, bool splay = true) {
        splay_ = splay;
        window_.assign(N + F - 1, 0);
        left_.assign(N + 1, 0);
        right_.assign(N + 257, 0);
        parent_.assign(N + 1, 0);
        for (std::uint32_t i = 0; i <= N; ++i) parent_[i] = NIL;
        for (std::uint32_t i = N + 1; i <= N + 256; ++i) right_[i] = NIL;
        matchPosition_ = matchLength_ = 0;
        maxDepth_ = 0;

        std::vector<std::uint8_t> out;
        std::size_t next = 0;
        auto read = [&](int& c) {
            if (next >= input.size()) return false;
            c = input[next++];
            return true;
        };
        std::uint8_t code[17] = {0};
        std::uint32_t codeLength = 1;
        std::uint8_t mask = 1;
        std::uint32_t s = 0, r = N - F, len = 0;
        int c = 0;
        while (len < F && read(c)) {
            window_[r + len] = static_cast<std::uint8_t>(c);
            ++len;
        }
        if (len == 0) return out;
        for (std::uint32_t i = 1; i <= F; ++i) Insert(r - i);
        Insert(r);
        do {
            if (matchLength_ > len) matchLength_ = len;
            if (matchLength_ <= 2) {
                matchLength_ = 1;
                code[0] |= mask;
                code[codeLength++] = window_[r];
            } else {
                code[codeLength++] = static_cast<std::uint8_t>(matchPosition_ & 0xFF);
                code[codeLength++] = static_cast<std::uint8_t>(((matchPosition_ >> 4) & 0xF0) | (matchLength_ - 3));
            }
            mask = static_cast<std::uint8_t>(mask << 1);
            if (mask == 0) {
                out.insert(out.end(), code, code + codeLength);
                code[0] = 0;
                codeLength = 1;
                mask = 1;
            }
            const std::uint32_t last = matchLength_;
            std::uint32_t i = 0;
            for (; i < last && read(c); ++i) {
                Delete(s);
                window_[s] = static_cast<std::uint8_t>(c);
                if (s < F - 1) window_[s + N] = static_cast<std::uint8_t>(c);
                s = (s + 1) % N;
                r = (r + 1) % N;
                Insert(r);
            }
            while (i++ < last) {
                Delete(s);
                s = (s + 1) % N;
                r = (r + 1) % N;
                if (--len) Insert(r);
            }
        } while (len > 0);
        out.insert(out.end(), code, code + codeLength);
        return out;
    }

    std::uint32_t maxDepth() const { return maxDepth_; }

private:
    static constexpr std::uint32_t N = 4096, F = 18, NIL = N;

    void Insert(std::uint32_t r) {
        std::uint32_t depth = 0;
        int cmp = 1;
        std::uint32_t p = N + 1 + window_[r];
        left_[r] = right_[r] = NIL;
        matchLength_ = 0;
        for (;;) {
            ++depth;
            if (cmp >= 0) {
                if (right_[p] != NIL) {
                    p = right_[p];
                } else {
                    right_[p] = r;
                    parent_[r] = p;
                    break;
                }
            } else {
                if (left_[p] != NIL) {
                    p = left_[p];
                } else {
                    left_[p] = r;
                    parent_[r] = p;
                    break;
                }
            }
            std::uint32_t i = 1;
            for (; i < F; ++i) {
                cmp = static_cast<int>(window_[r + i]) - static_cast<int>(window_[p + i]);
                if (cmp != 0) break;
            }
            if (i > matchLength_) {
                matchPosition_ = p;
                matchLength_ = i;
                if (i >= F) {
                    parent_[r] = parent_[p];
                    left_[r] = left_[p];
                    right_[r] = right_[p];
                    parent_[left_[p]] = r;
                    parent_[right_[p]] = r;
                    if (right_[parent_[p]] == p)
                        right_[parent_[p]] = r;
                    else
                        left_[parent_[p]] = r;
                    parent_[p] = NIL;
                    break;
                }
            }
        }
        if (depth > maxDepth_) maxDepth_ = depth;
        if (splay_ && depth >= 30) Splay(r);
    }

    void Delete(std::uint32_t p) {
        if (parent_[p] == NIL) return;
        std::uint32_t q;
        if (right_[p] == NIL) {
            q = left_[p];
        } else if (left_[p] == NIL) {
            q = right_[p];
        } else {
            q = left_[p];
            if (right_[q] != NIL) {
                do {
                    q = right_[q];
                } while (right_[q] != NIL);
                right_[parent_[q]] = left_[q];
                parent_[left_[q]] = parent_[q];
                left_[q] = left_[p];
                parent_[left_[p]] = q;
            }
            right_[q] = right_[p];
            parent_[right_[p]] = q;
        }
        parent_[q] = parent_[p];
        if (right_[parent_[p]] == p)
            right_[parent_[p]] = q;
        else
            left_[parent_[p]] = q;
        parent_[p] = NIL;
    }

    // The splay written as plain rotations (zig-zig rotates the parent
    // first), a different formulation of the same link changes.
    void Rotate(std::uint32_t x) {
        const std::uint32_t p = parent_[x];
        const std::uint32_t g = parent_[p];
        if (x == left_[p]) {
            left_[p] = right_[x];
            if (left_[p] != NIL) parent_[left_[p]] = p;
            right_[x] = p;
        } else {
            right_[p] = left_[x];
            if (right_[p] != NIL) parent_[right_[p]] = p;
            left_[x] = p;
        }
        parent_[p] = x;
        parent_[x] = g;
        if (g > NIL || right_[g] == p)
            right_[g] = x;
        else
            left_[g] = x;
    }

    void Splay(std::uint32_t x) {
        while (parent_[x] < NIL) {
            const std::uint32_t p = parent_[x];
            const std::uint32_t g = parent_[p];
            if (g > NIL) {
                Rotate(x);
            } else if ((x == left_[p]) == (p == left_[g])) {
                Rotate(p);
                Rotate(x);
            } else {
                Rotate(x);
                Rotate(x);
            }
        }
    }

    bool splay_ = true;
    std::vector<std::uint8_t> window_;
    std::vector<std::uint32_t> left_, right_, parent_;
    std::uint32_t matchPosition_ = 0, matchLength_ = 0, maxDepth_ = 0;
};

}  // namespace lzh_reference
