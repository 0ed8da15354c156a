// The Inspector's number forms, over the one formatter of the base layer.
#include "inspector/text.h"

#include <array>
#include <charconv>

#include "base/format.h"

namespace vesperine::inspector {

std::string Hex8(std::uint32_t value) { return HexDigits(value, 8); }

std::string Grouped(std::uint64_t n) { return WithThousands(n); }

std::string Counted(std::uint64_t n, const char* one, const char* many) {
    return Grouped(n) + ' ' + (n == 1 ? one : many);
}

std::string TwoDecimals(double value) {
    // to_chars, not printf: the window sets the user's locale, which may write a decimal comma.
    std::array<char, 64> text{};
    const auto result = std::to_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed, 2);
    return std::string(text.data(), result.ptr);
}

}  // namespace vesperine::inspector
