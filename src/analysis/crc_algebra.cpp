// Products, powers and fixed multipliers of CRC-32 polynomials mod P.
#include "analysis/crc_algebra.h"

namespace vesperine {

std::uint32_t MultModP(std::uint32_t a, std::uint32_t b) {
    std::uint32_t product = 0;
    for (std::uint32_t term = kCrcOne; term != 0; term >>= 1) {
        if (a & term) product ^= b;
        b = MultiplyByX(b);
    }
    return product;
}

std::uint32_t ShiftOperator(std::uint64_t n) {
    std::uint32_t result = kCrcOne;
    for (std::uint32_t power = kCrcOne >> 8; n != 0; n >>= 1, power = MultModP(power, power)) {
        if (n & 1u) result = MultModP(result, power);
    }
    return result;
}

FixedMultiplier::FixedMultiplier(std::uint32_t factor) {
    for (std::uint32_t j = 0; j < 4; ++j) {
        for (std::uint32_t v = 0; v < 256; ++v) tables_[j][v] = MultModP(factor, v << (8 * j));
    }
}

}  // namespace vesperine
