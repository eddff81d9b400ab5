#include "lzss.h"

namespace lzh {

// Bottom-up splay.  Subtrees that change hands may be empty; their parent
// entry is then parent[kNil], the scratch slot, which nothing reads.
void MatchTrees::SplayToRoot(std::uint32_t x) noexcept {
    std::uint32_t* const left = a_->left;
    std::uint32_t* const right = a_->right;
    std::uint32_t* const parent = a_->parent;
    for (;;) {
        const std::uint32_t p = parent[x];
        if (p > kNil) return;  // x is the topmost node
        const std::uint32_t g = parent[p];
        if (g > kNil) {
            if (x == left[p]) {
                left[p] = right[x];
                right[x] = p;
                parent[left[p]] = p;
            } else {
                right[p] = left[x];
                left[x] = p;
                parent[right[p]] = p;
            }
            right[g] = x;
            parent[p] = x;
            parent[x] = g;
            return;
        }
        const std::uint32_t gg = parent[g];
        if (x == left[p]) {
            if (p == left[g]) {
                const std::uint32_t b = right[p];
                const std::uint32_t c = right[x];
                left[g] = b;
                left[p] = c;
                right[p] = g;
                right[x] = p;
                parent[b] = g;
                parent[c] = p;
                parent[g] = p;
                parent[p] = x;
            } else {
                const std::uint32_t b = left[x];
                const std::uint32_t c = right[x];
                right[g] = b;
                left[p] = c;
                right[x] = p;
                left[x] = g;
                parent[b] = g;
                parent[c] = p;
                parent[p] = x;
                parent[g] = x;
            }
        } else {
            if (p == right[g]) {
                const std::uint32_t b = left[p];
                const std::uint32_t c = left[x];
                right[g] = b;
                right[p] = c;
                left[p] = g;
                left[x] = p;
                parent[b] = g;
                parent[c] = p;
                parent[g] = p;
                parent[p] = x;
            } else {
                const std::uint32_t b = right[x];
                const std::uint32_t c = left[x];
                left[g] = b;
                right[p] = c;
                left[x] = p;
                right[x] = g;
                parent[b] = g;
                parent[c] = p;
                parent[p] = x;
                parent[g] = x;
            }
        }
        if (gg < kNil && left[gg] == g)
            left[gg] = x;
        else
            right[gg] = x;
        parent[x] = gg;
    }
}

}  // namespace lzh
