// Arithmetic on CRC registers as polynomials modulo P: any CRC's ring, and CRC-32's for the searches, repair and mend.
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

// Polynomials modulo the generator P of any CRC of width 1 to 64, laid out as that CRC's
// register holds them, so that a register followed by n zero bytes is the register times
// x^(8n) (init and xorout aside: they condition the register, not its arithmetic). Reflected
// (bytes enter bit 0 first): x^0 is bit width-1 and x^(width-1) bit 0. Unreflected: the
// register sits at the top of 64 bits, x^(width-1) at bit 63 and x^0 at bit 64-width, the bits
// below zero. Every operation is branch-free on the data.
class CrcRing {
public:
    // normalPoly: P without its x^width term, highest power in the top bit (the usual
    // catalogue form; it has the x^0 term, which makes x invertible).
    constexpr CrcRing(unsigned width, std::uint64_t normalPoly, bool reflected)
        : width_(width),
          reflected_(reflected),
          poly_(reflected ? Reflect(normalPoly, width) : normalPoly << (64 - width)),
          one_(reflected ? std::uint64_t{1} << (width - 1) : std::uint64_t{1} << (64 - width)),
          mask_(reflected ? ~std::uint64_t{0} >> (64 - width) : ~std::uint64_t{0} << (64 - width)) {}

    [[nodiscard]] constexpr std::uint64_t One() const { return one_; }

    // a x mod P: one bit of zeros entering the register.
    [[nodiscard]] constexpr std::uint64_t TimesX(std::uint64_t a) const {
        return reflected_ ? (a >> 1) ^ (poly_ & (0 - (a & 1))) : (a << 1) ^ (poly_ & (0 - (a >> 63)));
    }

    // v x^-1 mod P: adding P when the x^0 term is set makes the division exact; the x^width
    // term of P lands on x^(width-1).
    [[nodiscard]] constexpr std::uint64_t DividedByX(std::uint64_t v) const {
        const std::uint64_t odd = 0 - static_cast<std::uint64_t>((v & one_) != 0);
        const std::uint64_t top = reflected_ ? 1 : std::uint64_t{1} << 63;
        v ^= poly_ & odd;
        return ((reflected_ ? v << 1 : v >> 1) | (top & odd)) & mask_;
    }

    // a b mod P: the sum of b x^k over the terms x^k of a.
    [[nodiscard]] constexpr std::uint64_t Multiply(std::uint64_t a, std::uint64_t b) const {
        std::uint64_t product = 0;
        for (unsigned k = 0; k < width_; ++k) {
            const unsigned bit = reflected_ ? width_ - 1 - k : 64 - width_ + k;  // the term x^k of a
            product ^= b & (0 - ((a >> bit) & 1));
            b = TimesX(b);
        }
        return product;
    }

    // base^n mod P, by squaring.
    [[nodiscard]] constexpr std::uint64_t Power(std::uint64_t base, std::uint64_t n) const {
        std::uint64_t result = one_;
        for (; n != 0; n >>= 1, base = Multiply(base, base)) {
            if (n & 1) result = Multiply(result, base);
        }
        return result;
    }

    // x^8 mod P: one zero byte.
    [[nodiscard]] constexpr std::uint64_t ByteShift() const {
        std::uint64_t x8 = one_;
        for (int i = 0; i < 8; ++i) x8 = TimesX(x8);
        return x8;
    }

    // The register reg followed by n zero bytes: reg x^(8n) mod P.
    [[nodiscard]] constexpr std::uint64_t AfterZeros(std::uint64_t reg, std::uint64_t n) const {
        return Multiply(reg, Power(ByteShift(), n));
    }

    // The low width bits of value in reverse order.
    [[nodiscard]] static constexpr std::uint64_t Reflect(std::uint64_t value, unsigned width) {
        std::uint64_t out = 0;
        for (unsigned i = 0; i < width; ++i) out |= ((value >> i) & 1) << (width - 1 - i);
        return out;
    }

private:
    unsigned width_;
    bool reflected_;
    std::uint64_t poly_;
    std::uint64_t one_;
    std::uint64_t mask_;
};

// CRC-32 (ISO-HDLC, reflected), the ring the CRC window searches, the repair and the CRC mend
// work in, with its values as 32-bit registers.
inline constexpr CrcRing kCrc32Ring{32, 0x04C11DB7u, true};
inline constexpr std::uint32_t kPolynomial = 0xEDB88320u;  // P without its x^32 term, reflected
inline constexpr std::uint32_t kOne = 0x80000000u;         // the polynomial 1
static_assert(kCrc32Ring.One() == kOne && kCrc32Ring.TimesX(1) == kPolynomial);

// a x mod P: one step of the CRC register.
[[nodiscard]] constexpr std::uint32_t MultiplyByX(std::uint32_t a) {
    return static_cast<std::uint32_t>(kCrc32Ring.TimesX(a));
}

// a b mod P, without branches on the data (their pattern is random for CRC values).
[[nodiscard]] constexpr std::uint32_t MultModP(std::uint32_t a, std::uint32_t b) {
    return static_cast<std::uint32_t>(kCrc32Ring.Multiply(a, b));
}

// v x^-1 mod P.
[[nodiscard]] constexpr std::uint32_t DivideByX(std::uint32_t v) {
    return static_cast<std::uint32_t>(kCrc32Ring.DividedByX(v));
}

// base^n mod P, by squaring.
[[nodiscard]] constexpr std::uint32_t PowerModP(std::uint32_t base, std::uint64_t n) {
    return static_cast<std::uint32_t>(kCrc32Ring.Power(base, n));
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
