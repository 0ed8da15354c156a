// The printed forms of numbers.
#include "base/format.h"

namespace vesperine {

std::string HexDigits(std::uint64_t value, unsigned minDigits) {
    std::string digits;
    do {
        digits.push_back(kUpperHexDigits[value & 0xF]);
        value >>= 4;
    } while (value != 0);
    if (digits.size() < minDigits) digits.append(minDigits - digits.size(), '0');
    return {digits.rbegin(), digits.rend()};
}

std::string HexText(std::uint64_t value, unsigned minDigits) { return "0x" + HexDigits(value, minDigits); }

std::string ChecksumDigits(std::uint64_t value, unsigned widthBits) {
    const unsigned digits = (widthBits + 3) / 4;
    if (digits < 16) value &= (std::uint64_t{1} << (4 * digits)) - 1;
    return HexDigits(value, digits);
}

std::string RangeText(std::uint64_t first, std::uint64_t end, unsigned minDigits) {
    return HexText(first, minDigits) + "-" + HexText(end - 1, minDigits);
}

std::string WithThousands(std::uint64_t n) {
    std::string digits = std::to_string(n);
    for (std::size_t at = digits.size(); at > 3; at -= 3) digits.insert(at - 3, 1, ',');
    return digits;
}

std::string SizeText(std::uint64_t bytes, SizeForm form) {
    const auto number = [&](std::uint64_t n) { return form.groupDigits ? WithThousands(n) : std::to_string(n); };
    constexpr std::uint64_t kMiB = std::uint64_t{1} << 20;
    if (bytes >= kMiB && bytes % kMiB == 0) return number(bytes >> 20) + " MiB";
    if (form.halfMebibytes && bytes >= kMiB && bytes % (kMiB / 2) == 0) return number(bytes >> 20) + ".5 MiB";
    if (bytes >= 1024 && bytes % 1024 == 0) return number(bytes >> 10) + " KiB";
    return number(bytes) + " bytes";
}

std::string FormatDumpSize(std::uint32_t length) {
    return std::to_string(length) + " bytes (" + HexText(length, 8) + ")";
}

}  // namespace vesperine
