// Multiplication of CRC-32 registers modulo P by the processor's carry-less multiply, where it has one.
#pragma once

#include <cstdint>

#include "base/crc_algebra.h"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define VESPERINE_CARRYLESS_TARGET __attribute__((target("pclmul,sse2")))
#define VESPERINE_HAVE_CARRYLESS 1
#else
#define VESPERINE_CARRYLESS_TARGET
#define VESPERINE_HAVE_CARRYLESS 0
#endif

namespace vesperine::crc_algebra {

/*
  With bit k of a 32-bit value holding x^(31-k), the carry-less product of two values has in
  bit m the coefficient of x^(62-m). Shifted left by one, bit m holds x^(63-m): the top half is
  then the product's terms x^0 .. x^31 in the register's own order, and the bottom half H the
  terms x^32 .. x^63 as H x^32. So a b mod P = top + H (x^32 mod P), one fixed multiplication.
*/
class CarrylessMultiplier {
public:
    [[nodiscard]] static bool Available() {
#if VESPERINE_HAVE_CARRYLESS
        return __builtin_cpu_supports("pclmul");
#else
        return false;
#endif
    }

#if VESPERINE_HAVE_CARRYLESS
    // Only where Available().
    [[nodiscard]] VESPERINE_CARRYLESS_TARGET std::uint32_t operator()(std::uint32_t a, std::uint32_t b) const {
        const __m128i product =
            _mm_clmulepi64_si128(_mm_cvtsi32_si128(static_cast<int>(a)), _mm_cvtsi32_si128(static_cast<int>(b)), 0);
        const auto wide = static_cast<std::uint64_t>(_mm_cvtsi128_si64(product)) << 1;
        return static_cast<std::uint32_t>(wide >> 32) ^ byX32_(static_cast<std::uint32_t>(wide));
    }
#else
    [[nodiscard]] std::uint32_t operator()(std::uint32_t a, std::uint32_t b) const { return MultModP(a, b); }
#endif

private:
    FixedMultiplier byX32_{ShiftOperator(4)};  // x^32 = x^(8 * 4)
};

// The portable multiplication with the same call.
struct PortableMultiplier {
    [[nodiscard]] std::uint32_t operator()(std::uint32_t a, std::uint32_t b) const { return MultModP(a, b); }
};

}  // namespace vesperine::crc_algebra
