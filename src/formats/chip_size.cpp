// The table of common 27xx EPROMs and the reading of --chip.
#include "formats/chip_size.h"

#include <cctype>

#include "formats/hex_text.h"
#include "formats/record_sink.h"

namespace vesperine::formats {
namespace {

constexpr std::uint32_t kKiB = 1024;

// The number after 27 (and its letters) in the names of common byte-wide and word-wide
// EPROMs, and the capacity it names in bytes. Word-wide parts (27C1024, 27C2048, 27C4096,
// 27C400, 27C800, 27C160, 27C322) hold as many bytes as their 16-bit words take.
struct Part {
    std::string_view number;
    std::uint32_t bytes;
};
constexpr Part kParts[] = {
    {"08", 1 * kKiB},     {"16", 2 * kKiB},     {"32", 4 * kKiB},     {"64", 8 * kKiB},     {"128", 16 * kKiB},
    {"256", 32 * kKiB},   {"512", 64 * kKiB},   {"010", 128 * kKiB},  {"1001", 128 * kKiB}, {"1024", 128 * kKiB},
    {"210", 128 * kKiB},  {"301", 128 * kKiB},  {"020", 256 * kKiB},  {"2001", 256 * kKiB}, {"2048", 256 * kKiB},
    {"220", 256 * kKiB},  {"240", 256 * kKiB},  {"040", 512 * kKiB},  {"4001", 512 * kKiB}, {"4002", 512 * kKiB},
    {"4096", 512 * kKiB}, {"400", 512 * kKiB},  {"080", 1024 * kKiB}, {"801", 1024 * kKiB}, {"800", 1024 * kKiB},
    {"160", 2048 * kKiB}, {"322", 4096 * kKiB},
};

[[nodiscard]] bool IsLetter(char c) { return std::isalpha(static_cast<unsigned char>(c)) != 0; }
[[nodiscard]] bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::optional<std::uint32_t> PartSize(std::string_view name) {
    std::size_t at = 0;
    while (at < name.size() && IsLetter(name[at])) ++at;  // the maker's letters: M, AM, TMS, D ...
    if (name.substr(at, 2) != "27") return std::nullopt;
    at += 2;
    while (at < name.size() && IsLetter(name[at])) ++at;  // the family's letters: C, HC, SF ...
    const std::size_t digits = at;
    while (at < name.size() && IsDigit(name[at])) ++at;
    const std::string_view number = name.substr(digits, at - digits);
    for (const Part& part : kParts) {
        if (part.number == number) return part.bytes;
    }
    return std::nullopt;
}

std::optional<std::uint32_t> ParseChipSize(std::string_view text) {
    const bool prefixed = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    if (!prefixed) {
        if (const std::optional<std::uint32_t> part = PartSize(text)) return part;
    }
    const std::string_view digits = prefixed ? text.substr(2) : text;
    if (digits.empty() || digits.size() > 8) return std::nullopt;
    std::uint64_t size = 0;
    for (const char c : digits) {
        const std::uint8_t value = detail::kDigitValue[static_cast<std::uint8_t>(c)];
        if (value & 0x80) return std::nullopt;
        size = (size << 4) | value;
    }
    if (size == 0 || size > kImageEndLimit) return std::nullopt;
    if (!prefixed && (size & (size - 1)) != 0) return std::nullopt;  // a part name mistyped, most likely
    return static_cast<std::uint32_t>(size);
}

}  // namespace vesperine::formats
