// Hex fields against the C library: a text reads as strtoul reads it in base 16 where
// unsigned long has 32 bits. Up to 8 characters no overflow can happen and the low 32 bits of
// strtoul's answer are the field's value; longer texts give FFFFFFFF once the digits pass 32
// bits, whatever the sign.
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "app/hex_field.h"

namespace {

// strtoul with a 64-bit unsigned long, narrowed to what a 32-bit one gives.
std::uint32_t StrtoulOf32Bits(const std::string& text) {
    errno = 0;
    const unsigned long long value = std::strtoull(text.c_str(), nullptr, 16);
    if (errno == ERANGE) return 0xFFFFFFFFu;
    std::size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
    const bool negative = i < text.size() && text[i] == '-';
    const unsigned long long magnitude = negative ? 0ull - value : value;
    if (magnitude > 0xFFFFFFFFull) return 0xFFFFFFFFu;
    return static_cast<std::uint32_t>(value);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::uint32_t parsed = vesperine::ParseHexField(text);
    // strtoul stops at the first zero byte, and so does the field (it is no hex digit).
    const std::string terminated(text);
    const std::uint32_t expected = size <= 8 ? static_cast<std::uint32_t>(std::strtoul(terminated.c_str(), nullptr, 16))
                                             : StrtoulOf32Bits(terminated);
    if (parsed != expected) {
        std::fprintf(stderr, "field %08X, strtoul %08X\n", parsed, expected);
        std::abort();
    }
    return 0;
}
