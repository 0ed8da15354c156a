// Arithmetic on CRC-32 registers as polynomials modulo P, shared by the CRC searches and repair.
#pragma once

#include <array>
#include <cstdint>

namespace vesperine::crc_algebra {

/*
  A 32-bit value here is a polynomial over GF(2) of degree below 32, held reflected as the
  CRC register holds it: x^0 is the top bit, x^31 bit 0. P is the CRC-32 polynomial of degree
  32; adding is XOR. Since P has a constant term, x is invertible modulo P:

      v x^-1 = (v + c P) / x,   c the coefficient of x^0 in v,

  which makes the constant term vanish so the division is exact. Reflected, x^32 (the leading
  term of P) lands on bit 0 after the division, hence the "| 1" below.
*/

inline constexpr std::uint32_t kPolynomial = 0xEDB88320u;  // P without its x^32 term, reflected
inline constexpr std::uint32_t kOne = 0x80000000u;         // the polynomial 1

// a x mod P: one step of the CRC register.
[[nodiscard]] constexpr std::uint32_t MultiplyByX(std::uint32_t a) {
    return (a >> 1) ^ (kPolynomial & (0u - (a & 1u)));
}

// a b mod P, without branches on the data (their pattern is random for CRC values).
[[nodiscard]] constexpr std::uint32_t MultModP(std::uint32_t a, std::uint32_t b) {
    std::uint32_t product = 0;
    for (int k = 31; k >= 0; --k) {
        product ^= b & (0u - ((a >> k) & 1u));
        b = (b >> 1) ^ (kPolynomial & (0u - (b & 1u)));  // b x, reduced when x^32 appears
    }
    return product;
}

// v x^-1 mod P.
[[nodiscard]] constexpr std::uint32_t DivideByX(std::uint32_t v) {
    return (v & kOne) ? ((v ^ kPolynomial) << 1) | 1u : v << 1;
}

// base^n mod P, by squaring.
[[nodiscard]] constexpr std::uint32_t PowerModP(std::uint32_t base, std::uint64_t n) {
    std::uint32_t result = kOne;
    for (; n != 0; n >>= 1, base = MultModP(base, base)) {
        if (n & 1u) result = MultModP(result, base);
    }
    return result;
}

// x^(8n) mod P: what moves a CRC past n further bytes.
[[nodiscard]] constexpr std::uint32_t ShiftOperator(std::uint64_t n) { return PowerModP(kOne >> 8, n); }

// x^(-8n) mod P: its inverse.
[[nodiscard]] constexpr std::uint32_t InverseShiftOperator(std::uint64_t n) {
    std::uint32_t inverseByte = kOne;
    for (int k = 0; k < 8; ++k) inverseByte = DivideByX(inverseByte);
    return PowerModP(inverseByte, n);
}

// Multiplication mod P by one fixed polynomial, as four tables of 256 entries, one for each
// byte of the other factor.
class FixedMultiplier {
public:
    explicit FixedMultiplier(std::uint32_t factor) {
        for (std::uint32_t j = 0; j < 4; ++j) {
            for (std::uint32_t v = 0; v < 256; ++v) tables_[j][v] = MultModP(factor, v << (8 * j));
        }
    }

    [[nodiscard]] std::uint32_t operator()(std::uint32_t a) const {
        return tables_[0][a & 0xFFu] ^ tables_[1][(a >> 8) & 0xFFu] ^ tables_[2][(a >> 16) & 0xFFu] ^
               tables_[3][a >> 24];
    }

private:
    std::array<std::array<std::uint32_t, 256>, 4> tables_{};
};

}  // namespace vesperine::crc_algebra
