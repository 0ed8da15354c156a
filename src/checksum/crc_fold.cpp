// Folding by carry-less multiplication (Gopal et al., Intel 2009) with constants computed for any model.
#include "checksum/crc_fold.h"

#include <cstring>

#include "base/crc_algebra.h"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define VESPERINE_FOLD_X86 1
#define VESPERINE_FOLD_NARROW __attribute__((target("pclmul,sse4.1")))
#define VESPERINE_FOLD_WIDE __attribute__((target("pclmul,sse4.1,avx2,avx512f,avx512bw,vpclmulqdq")))
#else
#define VESPERINE_FOLD_X86 0
#endif

namespace vesperine::checksum {

/*
  One frame for every width. The engine's register of a width-w model is already the register
  of a 64-bit CRC whose generator is P' = P x^(64-w): unreflected, it sits in the top w bits of
  64, and (A x^k) mod (P x^k) = x^k (A mod P) keeps its low 64 - w bits zero; reflected, it sits
  in the low w bits, which in a reflected 64-bit register are the terms x^(64-w) .. x^63, the
  same multiple of x^(64-w). So all the arithmetic below is modulo P' of degree 64; P' need not
  be invertible, since folding only multiplies.

  With M the message as a polynomial (its first bit the highest power), the register after it
  from zero is M x^64 mod P'. Take the message in 16-byte blocks and an accumulator A of 128
  bits such that the register of the message so far equals the register of the 16 bytes A
  alone. Write A = H x^64 + L with 64-bit halves. Moving A past m further blocks (D = 128 m
  bits) multiplies it by x^D, and modulo P'

      A x^D = H (x^(D+64) mod P') + L (x^D mod P'),

  two 64 x 64 carry-less products of at most 127 bits, XORed with the block that lands there.
  Independent accumulators m blocks apart fold the same way, and at the end are folded into one
  with smaller m. The last accumulator's 16 bytes, and the bytes after the last whole block, go
  through the tables: the one final reduction serves every width, which a Barrett step per
  frame would not.

  Layout: unreflected, the 16 bytes are reversed into the 128-bit lane so that bit i holds x^i,
  H is the high half, and a product's bit i is x^i. Reflected, bit i of the lane holds x^(127-i)
  as loaded, H is the low half, and a 64 x 64 product's bit i holds x^(126-i): read in the
  lane's order it is the true product times x, so the reflected constants are x^(D+63) and
  x^(D-1). The pair is stored in the order of the halves it multiplies (low half's constant
  first), so one clmul takes low by low (imm 0x00), the other high by high (0x11).

  The starting register enters the way the tables' comment says: XORed into the first eight
  bytes, little-endian reflected (the low half), big-endian unreflected (the high half).
*/

CrcFolder::CrcFolder(unsigned width, std::uint64_t normalPoly, bool reflected) : reflected_(reflected) {
    const crc_algebra::CrcRing ring(64, normalPoly << (64 - width), reflected);
    const std::uint64_t x = ring.TimesX(ring.One());
    const auto power = [&](std::uint64_t n) { return ring.Power(x, n); };
    for (std::uint64_t m = 1; m < byBlocks_.size(); ++m) {
        const std::uint64_t d = 128 * m;
        byBlocks_[m] = reflected_ ? Pair{power(d + 63), power(d - 1)} : Pair{power(d), power(d + 64)};
    }
}

#if VESPERINE_FOLD_X86
namespace {

using Pair = CrcFolder::Pair;
using Folded = CrcFolder::Folded;

VESPERINE_FOLD_NARROW __m128i LoadPair(const Pair& k) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(k.data()));
}

VESPERINE_FOLD_NARROW __m128i Reversal() { return _mm_setr_epi8(15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0); }

template <bool kReflected>
VESPERINE_FOLD_NARROW __m128i LoadBlock(const std::uint8_t* p) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    if constexpr (kReflected) return v;
    return _mm_shuffle_epi8(v, Reversal());
}

// The register XORed into the first eight bytes of a block.
template <bool kReflected>
VESPERINE_FOLD_NARROW __m128i RegisterBlock(std::uint64_t reg) {
    const __m128i low = _mm_cvtsi64_si128(static_cast<long long>(reg));
    if constexpr (kReflected) return low;
    return _mm_slli_si128(low, 8);
}

// A x^D for the D of k.
VESPERINE_FOLD_NARROW __m128i Move(__m128i a, __m128i k) {
    return _mm_xor_si128(_mm_clmulepi64_si128(a, k, 0x00), _mm_clmulepi64_si128(a, k, 0x11));
}

template <bool kReflected>
VESPERINE_FOLD_NARROW Folded Finish(__m128i acc, std::size_t consumed) {
    if constexpr (!kReflected) acc = _mm_shuffle_epi8(acc, Reversal());
    Folded out;
    out.consumed = consumed;
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out.block.data()), acc);
    return out;
}

// The whole blocks left after at, folded one by one into acc.
template <bool kReflected>
VESPERINE_FOLD_NARROW Folded FoldTail(__m128i acc, const std::array<Pair, 17>& k, const std::uint8_t* p, std::size_t at,
                                      std::size_t n) {
    const __m128i k1 = LoadPair(k[1]);
    for (; n - at >= 16; at += 16) acc = _mm_xor_si128(Move(acc, k1), LoadBlock<kReflected>(p + at));
    return Finish<kReflected>(acc, at);
}

// Eight accumulators of 16 bytes, where there are 128 bytes: the products' latency overlaps
// across them. One below that. n >= 16.
template <bool kReflected>
VESPERINE_FOLD_NARROW Folded FoldNarrow(const std::array<Pair, 17>& k, std::uint64_t reg, const std::uint8_t* p,
                                        std::size_t n) {
    if (n < 128)
        return FoldTail<kReflected>(_mm_xor_si128(LoadBlock<kReflected>(p), RegisterBlock<kReflected>(reg)), k, p, 16,
                                    n);
    __m128i acc[8];
    for (std::size_t i = 0; i < 8; ++i) acc[i] = LoadBlock<kReflected>(p + 16 * i);
    acc[0] = _mm_xor_si128(acc[0], RegisterBlock<kReflected>(reg));
    std::size_t at = 128;
    const __m128i k8 = LoadPair(k[8]);
    for (; n - at >= 128; at += 128) {
        for (std::size_t i = 0; i < 8; ++i)
            acc[i] = _mm_xor_si128(Move(acc[i], k8), LoadBlock<kReflected>(p + at + 16 * i));
    }
    __m128i last = acc[7];
    for (std::size_t i = 0; i < 7; ++i) last = _mm_xor_si128(last, Move(acc[i], LoadPair(k[7 - i])));
    return FoldTail<kReflected>(last, k, p, at, n);
}

// The zero-masked forms of broadcast and extract: GCC 12's plain forms start from an
// undefined register and trip -Wuninitialized.
VESPERINE_FOLD_WIDE __m512i Broadcast(__m128i lane) { return _mm512_maskz_broadcast_i32x4(0xFFFF, lane); }

template <int kLane>
VESPERINE_FOLD_WIDE __m128i Lane(__m512i v) {
    return _mm512_maskz_extracti32x4_epi32(0xF, v, kLane);
}

VESPERINE_FOLD_WIDE __m512i WidePair(const Pair& k) { return Broadcast(LoadPair(k)); }

template <bool kReflected>
VESPERINE_FOLD_WIDE __m512i LoadWide(const std::uint8_t* p) {
    const __m512i v = _mm512_loadu_si512(p);
    if constexpr (kReflected) return v;
    return _mm512_shuffle_epi8(v, Broadcast(Reversal()));  // within each 16-byte lane
}

// Each of the four lanes of a moved past the D of k, XORed with b.
VESPERINE_FOLD_WIDE __m512i MoveWide(__m512i a, __m512i k, __m512i b) {
    return _mm512_ternarylogic_epi64(_mm512_clmulepi64_epi128(a, k, 0x00), _mm512_clmulepi64_epi128(a, k, 0x11), b,
                                     0x96);  // three-way XOR
}

// Four accumulators of 64 bytes (sixteen lanes of 16). n >= 256.
template <bool kReflected>
VESPERINE_FOLD_WIDE Folded FoldWide(const std::array<Pair, 17>& k, std::uint64_t reg, const std::uint8_t* p,
                                    std::size_t n) {
    __m512i acc[4];
    for (std::size_t i = 0; i < 4; ++i) acc[i] = LoadWide<kReflected>(p + 64 * i);
    acc[0] = _mm512_xor_si512(acc[0], _mm512_inserti32x4(_mm512_setzero_si512(), RegisterBlock<kReflected>(reg), 0));
    std::size_t at = 256;
    const __m512i k16 = WidePair(k[16]);
    for (; n - at >= 256; at += 256) {
        for (std::size_t i = 0; i < 4; ++i) acc[i] = MoveWide(acc[i], k16, LoadWide<kReflected>(p + at + 64 * i));
    }
    const __m512i k4 = WidePair(k[4]);
    __m512i last = MoveWide(MoveWide(MoveWide(acc[0], k4, acc[1]), k4, acc[2]), k4, acc[3]);
    for (; n - at >= 64; at += 64) last = MoveWide(last, k4, LoadWide<kReflected>(p + at));
    __m128i one = Lane<3>(last);
    one = _mm_xor_si128(one, Move(Lane<0>(last), LoadPair(k[3])));
    one = _mm_xor_si128(one, Move(Lane<1>(last), LoadPair(k[2])));
    one = _mm_xor_si128(one, Move(Lane<2>(last), LoadPair(k[1])));
    return FoldTail<kReflected>(one, k, p, at, n);
}

}  // namespace

CrcKernel BestCrcKernel() {
    static const CrcKernel best = [] {
        __builtin_cpu_init();  // harmless when already run, needed if asked before the constructors
        if (!__builtin_cpu_supports("pclmul") || !__builtin_cpu_supports("sse4.1")) return CrcKernel::Table;
        if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
            __builtin_cpu_supports("vpclmulqdq"))
            return CrcKernel::WideCarryless;
        return CrcKernel::Carryless;
    }();
    return best;
}

CrcFolder::Folded CrcFolder::Fold(CrcKernel kernel, std::uint64_t reg, std::span<const std::uint8_t> bytes) const {
    const std::uint8_t* p = bytes.data();
    const std::size_t n = bytes.size();
    if (kernel == CrcKernel::WideCarryless && n >= 256)
        return reflected_ ? FoldWide<true>(byBlocks_, reg, p, n) : FoldWide<false>(byBlocks_, reg, p, n);
    return reflected_ ? FoldNarrow<true>(byBlocks_, reg, p, n) : FoldNarrow<false>(byBlocks_, reg, p, n);
}

#else

CrcKernel BestCrcKernel() { return CrcKernel::Table; }

CrcFolder::Folded CrcFolder::Fold(CrcKernel, std::uint64_t, std::span<const std::uint8_t>) const { return {}; }

#endif

}  // namespace vesperine::checksum
