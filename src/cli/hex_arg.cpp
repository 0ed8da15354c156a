// Strict hexadecimal command-line numbers and START:END ranges.
#include "cli/hex_arg.h"

namespace vesperine::cli {

std::optional<std::uint32_t> ParseHexArg(std::string_view text) {
    if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) text.remove_prefix(2);
    if (text.empty() || text.size() > 8) return std::nullopt;
    std::uint32_t value = 0;
    for (const char c : text) {
        std::uint32_t digit = 0;
        if (c >= '0' && c <= '9') {
            digit = static_cast<std::uint32_t>(c - '0');
        } else if (c >= 'a' && c <= 'f') {
            digit = static_cast<std::uint32_t>(c - 'a' + 10);
        } else if (c >= 'A' && c <= 'F') {
            digit = static_cast<std::uint32_t>(c - 'A' + 10);
        } else {
            return std::nullopt;
        }
        value = value << 4 | digit;
    }
    return value;
}

std::optional<HexRange> ParseHexRange(std::string_view text) {
    const std::size_t colon = text.find(':');
    if (colon == std::string_view::npos) return std::nullopt;
    const std::string_view first = text.substr(0, colon);
    const std::string_view second = text.substr(colon + 1);
    HexRange range;
    if (!first.empty()) {
        const auto start = ParseHexArg(first);
        if (!start) return std::nullopt;
        range.start = *start;
    }
    if (!second.empty()) {
        range.end = ParseHexArg(second);
        if (!range.end) return std::nullopt;
    }
    return range;
}

}  // namespace vesperine::cli
