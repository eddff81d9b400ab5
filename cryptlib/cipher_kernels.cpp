#include "cryptlib/cipher_kernels.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstring>
#include <utility>

#include "cryptlib/random.h"

namespace cipher {
namespace {

// The key-stream byte of a draw with range 255: (255 * state) >> 32, done as
// a shift and a subtraction.
inline std::uint32_t StreamByte(std::uint32_t state) noexcept {
    const std::uint64_t s = state;
    return static_cast<std::uint32_t>(((s << 8) - s) >> 32);
}

// XOR of the four bytes of the running key, in its low byte.
inline std::uint32_t Fold(std::uint32_t k) noexcept {
    const std::uint32_t u = k ^ (k >> 16);
    return u ^ (u >> 8);
}

// (range * state) >> 32; a full block's range 32767 needs no multiplication.
template <bool kFullBlock>
inline std::uint16_t Partner(std::uint64_t range, std::uint32_t state) noexcept {
    const std::uint64_t s = state;
    if constexpr (kFullBlock)
        return static_cast<std::uint16_t>(((s << 15) - s) >> 32);
    else
        return static_cast<std::uint16_t>((range * s) >> 32);
}

void Exchange(std::uint8_t* buffer, const std::uint16_t* partners, std::uint32_t n) noexcept {
    for (std::uint32_t i = 0; i < n; ++i) {
        const std::uint8_t t = buffer[i];
        buffer[i] = buffer[partners[i]];
        buffer[partners[i]] = t;
    }
}


// The enciphering chain (running key, mask, byte, running key) is serial and
// leaves most of the processor idle, so the block's partners are drawn in the
// same loop from their own generator chain, which starts n states earlier.
template <bool kFullBlock>
void EncipherBlock(KeyState& key, std::uint8_t* buffer, std::uint32_t n, std::uint16_t* partners) noexcept {
    const std::uint64_t range = n - 1;
    std::uint32_t partnerSeed = key.seed;
    std::uint32_t seed = JumpAhead(n).Apply(key.seed);
    std::uint32_t k = key.runKey;
    const std::uint32_t step = key.stepKey;
    const std::uint32_t mult = key.mult;
    const std::uint32_t add = key.add;
    for (std::uint32_t i = 0; i < n; ++i) {
        partnerSeed = partnerSeed * kRandomMultiplier + kRandomIncrement;
        partners[i] = Partner<kFullBlock>(range, partnerSeed);
        seed = seed * kRandomMultiplier + kRandomIncrement;
        // The next running key splits into c * mult, which waits for this
        // byte, and a part that does not.
        const std::uint32_t rest = (k + step) * mult + add;
        const std::uint32_t c = (Fold(k) ^ buffer[i] ^ StreamByte(seed)) & 0xFF;
        buffer[i] = static_cast<std::uint8_t>(c);
        k = c * mult + rest;
    }
    key.seed = seed;
    key.runKey = k;
    Exchange(buffer, partners, n);
}

}  // namespace

void Encipher(KeyState& key, std::uint8_t* buffer, std::uint32_t n, std::uint16_t* partners) noexcept {
    if (n == 0) return;
    if (n == kMaxBlock)
        EncipherBlock<true>(key, buffer, n, partners);
    else
        EncipherBlock<false>(key, buffer, n, partners);
}

namespace {

// Undoing the exchanges runs from the last position to the first, so the
// partners are drawn backwards too, stepping the generator in reverse
// (state = (next - add) / mul, the multiplier being odd), instead of being
// stored first.  Four chains four states apart keep the steps independent.
template <bool kFullBlock>
void UndoExchanges(std::uint32_t seed, std::uint8_t* buffer, std::uint32_t n) noexcept {
    constexpr std::uint32_t kInverse = [] {
        std::uint32_t x = kRandomMultiplier;  // Newton's iteration for 1 / multiplier mod 2^32
        for (int i = 0; i < 5; ++i) x *= 2 - kRandomMultiplier * x;
        return x;
    }();
    static_assert(kInverse * kRandomMultiplier == 1);
    const std::uint64_t range = n - 1;
    const RandomJump four = JumpAhead(4);
    std::uint32_t back4 = 1;  // 1 / four.mul
    for (int i = 0; i < 2; ++i) back4 = back4 * kInverse * kInverse;
    // Position i is exchanged with the partner of draw i + 1, state s[i + 1].
    std::uint32_t s = JumpAhead(n).Apply(seed);  // s[n]
    std::uint32_t i = n;
    while (i % 4 != 0) {
        --i;
        const std::uint32_t p = Partner<kFullBlock>(range, s);
        std::swap(buffer[i], buffer[p]);
        s = (s - kRandomIncrement) * kInverse;
    }
    // Now s = s[i]; the four chains hold s[i], s[i-1], s[i-2], s[i-3].
    std::uint32_t a = s;
    std::uint32_t b = (a - kRandomIncrement) * kInverse;
    std::uint32_t c = (b - kRandomIncrement) * kInverse;
    std::uint32_t d = (c - kRandomIncrement) * kInverse;
    while (i != 0) {
        i -= 4;
        std::swap(buffer[i + 3], buffer[Partner<kFullBlock>(range, a)]);
        std::swap(buffer[i + 2], buffer[Partner<kFullBlock>(range, b)]);
        std::swap(buffer[i + 1], buffer[Partner<kFullBlock>(range, c)]);
        std::swap(buffer[i], buffer[Partner<kFullBlock>(range, d)]);
        a = (a - four.add) * back4;
        b = (b - four.add) * back4;
        c = (c - four.add) * back4;
        d = (d - four.add) * back4;
    }
}

// The key stream of deciphering, byte by byte in effect, for any length.
void StreamScalar(KeyState& key, std::uint8_t* buffer, std::uint32_t n) noexcept {
    // Every enciphered byte is known, so the running key follows an affine
    // recurrence k' = mult * k + d(c).  Four steps are taken at once from k,
    // which keeps the dependent chain to one multiplication per four bytes;
    // tables of d(c) times powers of mult replace the other multiplications.
    const std::uint32_t m1 = key.mult;
    const std::uint32_t m2 = m1 * m1;
    const std::uint32_t m3 = m2 * m1;
    const std::uint32_t m4 = m3 * m1;
    const std::uint32_t base = key.stepKey * m1 + key.add;
    std::uint32_t t0[256], t1[256], t2[256], t3[256];
    for (std::uint32_t c = 0; c < 256; ++c) {
        t0[c] = c * m1 + base;
        t1[c] = t0[c] * m1;
        t2[c] = t1[c] * m1;
        t3[c] = t2[c] * m1;
    }
    const RandomJump j1 = JumpAhead(1), j2 = JumpAhead(2), j3 = JumpAhead(3), j4 = JumpAhead(4);
    std::uint32_t seed = key.seed;
    std::uint32_t k = key.runKey;
    std::uint32_t i = 0;
    for (; i + 4 <= n; i += 4) {
        const std::uint32_t c0 = buffer[i], c1 = buffer[i + 1], c2 = buffer[i + 2], c3 = buffer[i + 3];
        const std::uint32_t k1 = k * m1 + t0[c0];
        const std::uint32_t k2 = k * m2 + (t1[c0] + t0[c1]);
        const std::uint32_t k3 = k * m3 + (t2[c0] + t1[c1] + t0[c2]);
        const std::uint32_t next = k * m4 + (t3[c0] + t2[c1] + t1[c2] + t0[c3]);
        const std::uint32_t s0 = j1.Apply(seed), s1 = j2.Apply(seed), s2 = j3.Apply(seed), s3 = j4.Apply(seed);
        // Two masks per operation: the high half's shifted bits never reach
        // the low byte of either half.
        const std::uint64_t a = k | (static_cast<std::uint64_t>(k1) << 32);
        const std::uint64_t b = k2 | (static_cast<std::uint64_t>(k3) << 32);
        const std::uint64_t ua = a ^ (a >> 16), ub = b ^ (b >> 16);
        const std::uint64_t ma = ua ^ (ua >> 8), mb = ub ^ (ub >> 8);
        buffer[i] = static_cast<std::uint8_t>(c0 ^ ma ^ StreamByte(s0));
        buffer[i + 1] = static_cast<std::uint8_t>(c1 ^ (ma >> 32) ^ StreamByte(s1));
        buffer[i + 2] = static_cast<std::uint8_t>(c2 ^ mb ^ StreamByte(s2));
        buffer[i + 3] = static_cast<std::uint8_t>(c3 ^ (mb >> 32) ^ StreamByte(s3));
        k = next;
        seed = s3;
    }
    for (; i < n; ++i) {
        const std::uint32_t c = buffer[i];
        seed = seed * kRandomMultiplier + kRandomIncrement;
        buffer[i] = static_cast<std::uint8_t>(c ^ Fold(k) ^ StreamByte(seed));
        k = k * m1 + t0[c];
    }
    key.seed = seed;
    key.runKey = k;
}

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#define TESSAVEL_VECTOR_STREAM 1

// The key stream a vector of N bytes at a time, for processors with N-lane
// 32-bit multiplies: the N running keys come from the current one by the
// powers of mult and a prefix sum over d(c) taken in log2 N doubling steps,
// the N generator states from the current one by the first N jumps.  Only
// the two scalars k and seed carry from one group to the next.
typedef std::uint32_t Lanes __attribute__((vector_size(32)));
typedef std::uint32_t Lanes16 __attribute__((vector_size(64)));
typedef std::uint8_t Bytes8 __attribute__((vector_size(8)));
typedef std::uint8_t Bytes16 __attribute__((vector_size(16)));

template <class V>
constexpr int kLaneCount = sizeof(V) / sizeof(std::uint32_t);

// out = v moved up by S lanes, zeros coming in below.  (Vectors pass by
// reference: these are compiled outside the vector targets they inline into.)
template <int S, class V, std::size_t... I>
[[gnu::always_inline]] inline void ShiftUp(const V& v, V& out, std::index_sequence<I...>) noexcept {
    constexpr int n = kLaneCount<V>;
    out = __builtin_shufflevector(V{}, v, (static_cast<int>(I) < S ? 0 : n + static_cast<int>(I) - S)...);
}

// The doubling steps of the prefix sum: e holds in each lane the sum of the S
// terms below it, mS is m^S; each step doubles S until it covers every lane.
template <int S, class V>
[[gnu::always_inline]] inline void Doubled(V& e, std::uint32_t mS) noexcept {
    if constexpr (S < kLaneCount<V>) {
        V shifted;
        ShiftUp<S>(e, shifted, std::make_index_sequence<kLaneCount<V>>{});
        e += mS * shifted;
        Doubled<2 * S>(e, mS * mS);
    }
}

template <class V>
[[gnu::always_inline]] inline void StreamLanes(KeyState& key, std::uint8_t* buffer, std::uint32_t groups) noexcept {
    constexpr int n = kLaneCount<V>;
    const std::uint32_t m = key.mult;
    const std::uint32_t base = key.stepKey * m + key.add;
    V powers;  // m^0 .. m^(n-1)
    std::uint32_t p = 1;
    for (int j = 0; j < n; ++j, p *= m) powers[j] = p;
    const std::uint32_t mn = p;
    V jumpMul, jumpAdd;  // state j + 1 from the current one
    for (int j = 0; j < n; ++j) {
        const RandomJump jump = JumpAhead(static_cast<std::uint64_t>(j) + 1);
        jumpMul[j] = jump.mul;
        jumpAdd[j] = jump.add;
    }
    const RandomJump groupJump = JumpAhead(n);
    std::uint32_t k = key.runKey;
    std::uint32_t seed = key.seed;
    for (std::uint32_t g = 0; g < groups; ++g, buffer += n) {
        // Sixteen lanes widen and narrow the bytes in one instruction each;
        // eight go faster a byte at a time than through the compiler's
        // emulation of the narrowing.
        V c;
        if constexpr (n == 16) {
            Bytes16 bytes;
            std::memcpy(&bytes, buffer, n);
            c = __builtin_convertvector(bytes, V);
        } else {
            for (int j = 0; j < n; ++j) c[j] = buffer[j];
        }
        const V d = c * m + base;
        // e[j] = sum over t < j of m^(j-1-t) d[t]: k of byte j is m^j k + e[j].
        V e;
        ShiftUp<1>(d, e, std::make_index_sequence<n>{});
        Doubled<1>(e, m);
        const V keys = powers * k + e;
        const V states = jumpMul * seed + jumpAdd;
        // (255 * state) >> 32: the top byte, less one where state << 8 wrapped below state.
        const V stream = (states >> 24) + static_cast<V>((states << 8) < states);
        const V u = keys ^ (keys >> 16);
        const V out = c ^ u ^ (u >> 8) ^ stream;
        if constexpr (n == 16) {
            const Bytes16 bytes = __builtin_convertvector(out, Bytes16);
            std::memcpy(buffer, &bytes, n);
        } else {
            for (int j = 0; j < n; ++j) buffer[j] = static_cast<std::uint8_t>(out[j]);
        }
        k = mn * k + (m * e[n - 1] + d[n - 1]);
        seed = groupJump.Apply(seed);
    }
    key.runKey = k;
    key.seed = seed;
}

[[gnu::target("avx2"), gnu::flatten]] void StreamAvx2(KeyState& key, std::uint8_t* buffer,
                                                       std::uint32_t groups) noexcept {
    StreamLanes<Lanes>(key, buffer, groups);
}

[[gnu::target("avx512f"), gnu::flatten]] void StreamAvx512(KeyState& key, std::uint8_t* buffer,
                                                           std::uint32_t groups) noexcept {
    StreamLanes<Lanes16>(key, buffer, groups);
}

// UndoExchanges for a full block, its partners eight at a time: the eight
// states before the current one by the first eight backward jumps.
[[gnu::target("avx2"), gnu::flatten]] void UndoFullBlockAvx2(std::uint32_t seed, std::uint8_t* buffer) noexcept {
    constexpr std::uint32_t kInverse = [] {
        std::uint32_t x = kRandomMultiplier;
        for (int i = 0; i < 5; ++i) x *= 2 - kRandomMultiplier * x;
        return x;
    }();
    Lanes backMul, backAdd;  // lane j: the state j steps back
    std::uint32_t a = 1, b = 0;
    for (int j = 0; j < 8; ++j) {
        backMul[j] = a;
        backAdd[j] = b;
        b = (b - kRandomIncrement) * kInverse;
        a *= kInverse;
    }
    std::uint32_t s = JumpAhead(kMaxBlock).Apply(seed);  // the state of the last draw
    for (std::uint32_t i = kMaxBlock; i != 0; i -= 8) {
        const Lanes states = backMul * s + backAdd;
        // (32767 * state) >> 32, as for the stream byte.
        const Lanes partners = (states >> 17) + static_cast<Lanes>((states << 15) < states);
        for (int j = 0; j < 8; ++j) std::swap(buffer[i - 1 - j], buffer[partners[j]]);
        s = a * s + b;
    }
}

std::atomic<unsigned> gLaneLimit{16};

bool HaveAvx2() noexcept {
    static const bool have = __builtin_cpu_supports("avx2");
    return have && gLaneLimit.load(std::memory_order_relaxed) >= 8;
}

bool HaveAvx512() noexcept {
    static const bool have = __builtin_cpu_supports("avx512f");
    return have && gLaneLimit.load(std::memory_order_relaxed) >= 16;
}
#endif

}  // namespace

namespace {

void UndoBlock(std::uint32_t seed, std::uint8_t* buffer, std::uint32_t n) noexcept {
#ifdef TESSAVEL_VECTOR_STREAM
    if (n == kMaxBlock && HaveAvx2())
        UndoFullBlockAvx2(seed, buffer);
    else
#endif
    if (n == kMaxBlock)
        UndoExchanges<true>(seed, buffer, n);
    else
        UndoExchanges<false>(seed, buffer, n);
}

// The key stream of one block whose exchanges are undone; key.seed stands
// after the block's partner draws.
void StreamBlock(KeyState& key, std::uint8_t* buffer, std::uint32_t n) noexcept {
    std::uint32_t done = 0;
#ifdef TESSAVEL_VECTOR_STREAM
    if (HaveAvx512()) {
        StreamAvx512(key, buffer, n / 16);
        done = n / 16 * 16;
    } else if (HaveAvx2()) {
        StreamAvx2(key, buffer, n / 8);
        done = n / 8 * 8;
    }
#endif
    StreamScalar(key, buffer + done, n - done);
}

std::uint32_t BlockAt(std::size_t count, std::size_t at) noexcept {
    return static_cast<std::uint32_t>(std::min<std::size_t>(kMaxBlock, count - at));
}

}  // namespace

void Decipher(KeyState& key, std::uint8_t* buffer, std::uint32_t n, std::uint16_t*) noexcept {
    if (n == 0) return;
    UndoBlock(key.seed, buffer, n);
    key.seed = JumpAhead(n).Apply(key.seed);
    StreamBlock(key, buffer, n);
}

void UndoRunExchanges(std::uint32_t seed, std::uint8_t* buffer, std::size_t count) noexcept {
    for (std::size_t at = 0; at < count; at += kMaxBlock) {
        const std::uint32_t n = BlockAt(count, at);
        UndoBlock(seed, buffer + at, n);
        seed = JumpAhead(2 * static_cast<std::uint64_t>(n)).Apply(seed);
    }
}

void StreamRun(KeyState& key, std::uint8_t* buffer, std::size_t count) noexcept {
    for (std::size_t at = 0; at < count; at += kMaxBlock) {
        const std::uint32_t n = BlockAt(count, at);
        key.seed = JumpAhead(n).Apply(key.seed);
        StreamBlock(key, buffer + at, n);
    }
}

namespace {
constexpr std::array<std::uint32_t, 256> MakeCrcTable() {
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t c = i;
        for (int k = 0; k < 8; ++k) c = (c & 1) ? (c >> 1) ^ 0xEDB88320u : c >> 1;
        table[i] = c;
    }
    return table;
}
constexpr auto kCrcTable = MakeCrcTable();
}  // namespace

namespace testing {
unsigned LimitLanes(unsigned lanes) noexcept {
#ifdef TESSAVEL_VECTOR_STREAM
    gLaneLimit.store(lanes);
    if (HaveAvx512()) return 16;
    if (HaveAvx2()) return 8;
#else
    (void)lanes;
#endif
    return 1;
}
}  // namespace testing

std::uint32_t Crc(const std::uint8_t* data, std::size_t count) noexcept {
    std::uint32_t crc = 0;
    for (std::size_t i = 0; i < count; ++i) crc = (crc >> 8) ^ kCrcTable[(crc ^ data[i]) & 0xFF];
    return crc;
}

}  // namespace cipher
