// The one text formatter: hexadecimal of N digits, checksums of a bit width, ranges, sizes and
// thousands separators, so that every module and both programs print a number the same way.
#pragma once

#include <cstdint>
#include <string>

namespace vesperine {

inline constexpr char kUpperHexDigits[] = "0123456789ABCDEF";

// Upper-case hexadecimal digits, at least minDigits of them with leading zeros ("%0*llX").
[[nodiscard]] std::string HexDigits(std::uint64_t value, unsigned minDigits);
// The same after "0x": HexText(255, 4) is "0x00FF".
[[nodiscard]] std::string HexText(std::uint64_t value, unsigned minDigits);
// A checksum of widthBits bits: exactly (widthBits + 3) / 4 digits, the value's low ones.
[[nodiscard]] std::string ChecksumDigits(std::uint64_t value, unsigned widthBits);
// Appends the byte as two upper-case digits (the programmer formats' records).
inline void AppendHexByte(std::string& out, std::uint8_t byte) {
    out.push_back(kUpperHexDigits[byte >> 4]);
    out.push_back(kUpperHexDigits[byte & 0xF]);
}

// The bytes [first, end) as their first and last offsets: RangeText(0, 256, 4) is "0x0000-0x00FF".
// end must exceed first.
[[nodiscard]] std::string RangeText(std::uint64_t first, std::uint64_t end, unsigned minDigits = 6);

// n with a comma between each group of three digits: 12,345,678.
[[nodiscard]] std::string WithThousands(std::uint64_t n);

// How a size is worded. The defaults give "64 KiB", "2 MiB" or "1,234 bytes": the largest unit
// that holds the size a whole number of times.
struct SizeForm {
    bool halfMebibytes = false;  // "1.5 MiB" for an odd number of 512 KiB from 1 MiB up
    bool groupDigits = true;     // "1,234 bytes" rather than "1234 bytes"
};
[[nodiscard]] std::string SizeText(std::uint64_t bytes, SizeForm form = {});

// The dialog's dump size: "<decimal> bytes (0x<8 hex digits>)".
[[nodiscard]] std::string FormatDumpSize(std::uint32_t length);

}  // namespace vesperine
