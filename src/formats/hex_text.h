// Text lines of hexadecimal pairs, as both programmer formats hold them: splitting and decoding.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "base/format.h"

namespace vesperine::formats::detail {

// The value of each character as a hexadecimal digit, 0x80 for anything else; the sign bit lets
// a whole line's validity be gathered with one OR.
inline constexpr std::array<std::uint8_t, 256> kDigitValue = [] {
    std::array<std::uint8_t, 256> table{};
    for (std::size_t c = 0; c < table.size(); ++c) table[c] = 0x80;
    for (std::uint8_t d = 0; d < 10; ++d) table['0' + d] = d;
    for (std::uint8_t d = 0; d < 6; ++d) {
        table['A' + d] = static_cast<std::uint8_t>(10 + d);
        table['a' + d] = static_cast<std::uint8_t>(10 + d);
    }
    return table;
}();

// The longest record either format can hold: a count byte of 255 and the bytes it counts.
inline constexpr std::size_t kMaxRecordBytes = 1 + 4 + 255 + 1;

// One line of the text: [begin, end) without its line break and trailing blanks.
struct Line {
    std::size_t begin = 0;
    std::size_t end = 0;
    std::size_t next = 0;  // where the following line starts
};

[[nodiscard]] inline bool IsBlank(std::uint8_t c) { return c == ' ' || c == '\t' || c == '\r' || c == 0x1A; }

// The line starting at from, its leading and trailing blanks (and a DOS end-of-file mark) cut.
[[nodiscard]] Line NextLine(std::span<const std::uint8_t> text, std::size_t from);

// Decodes the pairs of digits in text[begin, end) into out. Gives the number of bytes, or -1
// when the count of digits is odd, too large, or a character is not a digit (its offset in
// badAt).
[[nodiscard]] int DecodePairs(std::span<const std::uint8_t> text, std::size_t begin, std::size_t end,
                              std::array<std::uint8_t, kMaxRecordBytes>& out, std::size_t& badAt);

// Why the digits of line from digitsBegin on could not be decoded (badAt as DecodePairs left it).
[[nodiscard]] std::string DigitsProblem(std::span<const std::uint8_t> text, const Line& line, std::size_t digitsBegin,
                                        std::size_t badAt);

}  // namespace vesperine::formats::detail
