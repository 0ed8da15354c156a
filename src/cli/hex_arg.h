// Hexadecimal arguments on the command line: strict, unlike the window's forgiving fields.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace vesperine::cli {

// One to eight hexadecimal digits, with an optional 0x or 0X; nothing else (no sign, no
// spaces). A script's typo is refused rather than read as a different number.
[[nodiscard]] std::optional<std::uint32_t> ParseHexArg(std::string_view text);

// START:END, each a ParseHexArg number; an empty START is 0 and an empty END is "to the end"
// (nullopt in end). Nothing when malformed.
struct HexRange {
    std::uint32_t start = 0;
    std::optional<std::uint32_t> end;
};
[[nodiscard]] std::optional<HexRange> ParseHexRange(std::string_view text);

}  // namespace vesperine::cli
