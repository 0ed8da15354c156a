// The oracle for programmer sums: units added one at a time, each carry folded back as it happens.
#pragma once

#include <cstdint>
#include <span>

#include "checksum/sums.h"

namespace vesperine::checksum {

// The unit at i built from its bytes, a trailing partial word padded with zeros.
inline std::uint64_t NaiveUnit(std::span<const std::uint8_t> bytes, std::size_t i, const SumKind& kind) {
    const std::size_t size = kind.unit == SumUnit::Byte ? 1 : kind.width / 8;
    std::uint64_t value = 0;
    for (std::size_t k = 0; k < size; ++k) {
        const std::uint64_t byte = i * size + k < bytes.size() ? bytes[i * size + k] : 0;
        value |= byte << (kind.unit == SumUnit::WordBe ? 8 * (size - 1 - k) : 8 * k);
    }
    return value;
}

// The sum as programmer software accumulates it: a register of width bits.
inline std::uint32_t NaiveSum(std::span<const std::uint8_t> bytes, const SumKind& kind, bool partialUnits = true) {
    const std::size_t size = kind.unit == SumUnit::Byte ? 1 : kind.width / 8;
    const std::size_t units = partialUnits ? (bytes.size() + size - 1) / size : bytes.size() / size;
    const std::uint64_t mask = (std::uint64_t{1} << kind.width) - 1;
    std::uint64_t reg = 0;
    for (std::size_t i = 0; i < units; ++i) {
        reg += NaiveUnit(bytes, i, kind);
        if (reg > mask) reg = kind.endAroundCarry ? (reg & mask) + 1 : reg & mask;
    }
    if (kind.form == SumForm::Negated) reg = (mask + 1 - reg) & mask;
    if (kind.form == SumForm::Complemented) reg = mask - reg;
    return static_cast<std::uint32_t>(reg);
}

}  // namespace vesperine::checksum
