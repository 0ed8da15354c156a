// Hex fields against the C library: any text of up to 8 characters reads as strtoul reads it in
// base 16, cut to 32 bits; a text of any length reads without a fault.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "app/hex_field.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::uint32_t parsed = vesperine::ParseHexField(text);
    if (size > 8) return 0;
    // strtoul stops at the first zero byte, and so does the field (it is no hex digit).
    const std::string terminated(text);
    // Eight digits never overflow a 64-bit unsigned long, and a minus negates modulo 2^64,
    // so the low 32 bits are the field's value.
    const auto expected = static_cast<std::uint32_t>(std::strtoul(terminated.c_str(), nullptr, 16));
    if (parsed != expected) std::abort();
    return 0;
}
