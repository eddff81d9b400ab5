#include "lzh/lzss.h"

namespace lzh {

// One rotation: x takes the place of its parent p, which becomes x's child
// on the other side; x's subtree on that side moves over to p.  Where p was
// the topmost node, x now hangs from the root slot, whose only link is its
// right one.  A subtree that moves may be empty: its parent entry is then
// parent[kNil], the scratch slot, which nothing reads.
void MatchTrees::Rotate(std::uint32_t x) noexcept {
    Link* const child[2] = {a_->left, a_->right};
    Link* const parent = a_->parent;
    const std::uint32_t p = parent[x];
    const std::uint32_t g = parent[p];
    const int s = x == child[0][p] ? 0 : 1;  // x's side below p
    const int o = 1 - s;
    child[s][p] = child[o][x];
    parent[child[s][p]] = p;
    child[o][x] = p;
    parent[p] = x;
    if (g < kNil && child[0][g] == p)
        child[0][g] = x;
    else
        child[1][g] = x;
    parent[x] = g;
}

// Bottom-up splay: while x has a grandparent below the root slot, two
// rotations, the parent's first when x, its parent and grandparent lie in a
// line, x's twice when they zigzag; at the last level, one rotation.
void MatchTrees::SplayToRoot(std::uint32_t x) noexcept {
    const Link* const left = a_->left;
    const Link* const parent = a_->parent;
    for (;;) {
        const std::uint32_t p = parent[x];
        if (p > kNil) return;  // x is the topmost node
        const std::uint32_t g = parent[p];
        if (g > kNil) {
            Rotate(x);
            return;
        }
        Rotate((x == left[p]) == (p == left[g]) ? p : x);
        Rotate(x);
    }
}

}  // namespace lzh
