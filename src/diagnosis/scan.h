// Word-at-a-time scans the diagnosis shares: a range of one byte value, two ranges equal.
#pragma once

#include <cstdint>
#include <cstring>
#include <span>

namespace vesperine::diagnosis {

// Whether every byte of bytes is value (true for no bytes).
[[nodiscard]] bool IsAllByte(std::span<const std::uint8_t> bytes, std::uint8_t value);

// Whether the length bytes at a and at b are equal.
[[nodiscard]] inline bool SameBytes(const std::uint8_t* a, const std::uint8_t* b, std::size_t length) {
    return length == 0 || std::memcmp(a, b, length) == 0;
}

// Eight bytes from p as one word, in whatever order the machine keeps them: the scans that
// use it treat every byte position alike.
[[nodiscard]] inline std::uint64_t LoadWord(const std::uint8_t* p) {
    std::uint64_t word;
    std::memcpy(&word, p, sizeof word);
    return word;
}

// The index of the highest set bit plus one: the number of address bits that offsets below
// length need (0 for length 0 or 1).
[[nodiscard]] unsigned AddressBitsFor(std::uint64_t length);

}  // namespace vesperine::diagnosis
