// Splitting programmer files into lines and decoding their hexadecimal pairs.
#include "formats/hex_text.h"

#include <cstring>

namespace vesperine::formats::detail {

Line NextLine(std::span<const std::uint8_t> text, std::size_t from) {
    const std::size_t size = text.size();
    const void* const newline = from < size ? std::memchr(text.data() + from, '\n', size - from) : nullptr;
    const std::size_t stop =
        newline ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(newline) - text.data()) : size;
    Line line{from, stop, newline ? stop + 1 : size};
    while (line.begin < line.end && IsBlank(text[line.begin])) ++line.begin;
    while (line.end > line.begin && IsBlank(text[line.end - 1])) --line.end;
    return line;
}

int DecodePairs(std::span<const std::uint8_t> text, std::size_t begin, std::size_t end,
                std::array<std::uint8_t, kMaxRecordBytes>& out, std::size_t& badAt) {
    const std::size_t digits = end - begin;
    if (digits % 2 != 0 || digits / 2 > out.size()) {
        badAt = end;
        return -1;
    }
    const std::uint8_t* const p = text.data() + begin;
    std::uint8_t invalid = 0;
    const std::size_t count = digits / 2;
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t high = kDigitValue[p[2 * i]];
        const std::uint8_t low = kDigitValue[p[2 * i + 1]];
        invalid |= high | low;
        out[i] = static_cast<std::uint8_t>((high << 4) | (low & 0x0F));
    }
    if ((invalid & 0x80) == 0) return static_cast<int>(count);
    for (badAt = begin; badAt < end && kDigitValue[text[badAt]] != 0x80;) ++badAt;
    return -1;
}

std::string DigitsProblem(std::span<const std::uint8_t> text, const Line& line, std::size_t digitsBegin,
                          std::size_t badAt) {
    if (badAt < line.end) {
        const std::uint8_t c = text[badAt];
        if (c == '\r') {
            return "a carriage return at column " + std::to_string(badAt - line.begin + 1) +
                   " inside the line: lines end in LF or CR LF, never in CR alone";
        }
        std::string shown = (c >= 0x20 && c < 0x7F) ? std::string("'") + static_cast<char>(c) + "'" : "byte 0x";
        if (shown == "byte 0x") {
            shown.push_back(kUpperHexDigits[c >> 4]);
            shown.push_back(kUpperHexDigits[c & 0xF]);
        }
        return shown + " at column " + std::to_string(badAt - line.begin + 1) + " is not a hexadecimal digit";
    }
    if ((line.end - digitsBegin) % 2 != 0) return "an odd number of hexadecimal digits";
    return "the record is longer than any record can be";
}

}  // namespace vesperine::formats::detail
