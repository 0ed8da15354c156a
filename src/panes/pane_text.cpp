// The texts of a hex pane.
#include "panes/pane_text.h"

namespace vesperine {
namespace {

constexpr char kDigits[] = "0123456789ABCDEF";

void AppendHex8(std::string& out, std::uint32_t value) {
    for (int shift = 28; shift >= 0; shift -= 4) out.push_back(kDigits[(value >> shift) & 0xFu]);
}

}  // namespace

PaneText FormatPane(std::span<const std::uint8_t> buffer, std::uint32_t top, const ByteClasses& classes) {
    // The length is below 2^31 (files are refused from 2 GiB on), so it fits 32 bits.
    const auto length = static_cast<std::uint32_t>(buffer.size());
    PaneText text;
    text.hex.reserve(kHexTextLength);
    text.chars.reserve(kCharTextLength);
    for (int row = 0; row < kPaneRows; ++row) {
        const std::uint32_t r = top + static_cast<std::uint32_t>(row) * 16u;
        AppendHex8(text.hex, r);
        for (std::uint32_t i = 0; i < 16; ++i) {
            const std::uint32_t offset = r + i;
            if (offset < length) {
                const std::uint8_t b = buffer[offset];
                text.hex += ' ';
                text.hex += kDigits[b >> 4];
                text.hex += kDigits[b & 0xFu];
                const bool shown = (b >= 0x20 && b <= 0x7E) || classes.lead[b] || classes.trail[b];
                text.chars += shown ? static_cast<char>(b) : '.';
            } else {
                text.hex += " --";
                text.chars += '.';
            }
        }
        if (row + 1 < kPaneRows) {
            text.hex += "\r\n";
            text.chars += "\r\n";
        }
    }
    return text;
}

}  // namespace vesperine
