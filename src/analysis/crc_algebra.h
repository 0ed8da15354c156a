// CRC-32 as polynomials over GF(2): products mod P, shifts past n bytes, and fixed multipliers.
#pragma once

#include <array>
#include <cstdint>

namespace vesperine {

/*
  A CRC-32 register is a polynomial of degree below 32 over GF(2), held reflected as the
  register holds it: x^0 is the top bit, x^31 bit 0. P is the CRC-32 polynomial of degree 32.
  Adding is XOR; a product is reduced mod P. Reading a message of n bytes as a polynomial M of
  degree below 8n (its first bit the highest term), the finished CRC is
  C(M) = (I x^(8n) + M x^32) mod P + F with I = F = all ones.
*/

inline constexpr std::uint32_t kCrcPolynomial = 0xEDB88320u;  // P without its x^32 term, reflected
inline constexpr std::uint32_t kCrcOne = 0x80000000u;         // the polynomial 1

// a x mod P: one step of the register.
[[nodiscard]] constexpr std::uint32_t MultiplyByX(std::uint32_t a) {
    return (a >> 1) ^ (kCrcPolynomial & (0u - (a & 1u)));
}

// a b mod P.
[[nodiscard]] std::uint32_t MultModP(std::uint32_t a, std::uint32_t b);

// x^(8n) mod P: what moves a CRC past n further bytes.
[[nodiscard]] std::uint32_t ShiftOperator(std::uint64_t n);

// Multiplication mod P by one fixed polynomial, as four tables of 256 entries, one for each
// byte of the other factor.
class FixedMultiplier {
public:
    explicit FixedMultiplier(std::uint32_t factor);

    [[nodiscard]] std::uint32_t operator()(std::uint32_t a) const {
        return tables_[0][a & 0xFFu] ^ tables_[1][(a >> 8) & 0xFFu] ^ tables_[2][(a >> 16) & 0xFFu] ^
               tables_[3][a >> 24];
    }

private:
    std::array<std::array<std::uint32_t, 256>, 4> tables_{};
};

}  // namespace vesperine
