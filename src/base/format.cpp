// The printed forms of numbers.
#include "base/format.h"

#include <cstdio>

namespace vesperine {

std::string FormatHex8(std::uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "%08X", static_cast<unsigned>(value));
    return text;
}

std::string FormatDumpSize(std::uint32_t length) {
    char text[48];
    std::snprintf(text, sizeof text, "%lu bytes (0x%08X)", static_cast<unsigned long>(length),
                  static_cast<unsigned>(length));
    return text;
}

}  // namespace vesperine
