// Cutting the target area out of the base bytes, striping it and masking it.
#include "analysis/extract.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace vesperine {

StripeMode StripeModeOf(std::int32_t field) {
    return field == 1 ? StripeMode::Odd : field == 2 ? StripeMode::Even : StripeMode::Full;
}

MaskMode MaskModeOf(std::int32_t field) {
    return field == 1 ? MaskMode::Exor : field == 2 ? MaskMode::Replace : MaskMode::Nothing;
}

std::uint32_t DumpLengthOf(const AreaRequest& area) {
    // Unsigned 32-bit on purpose: a reversed area wraps here, and CheckArea refuses it.
    const std::uint32_t length = area.end - area.start;
    return area.stripe == StripeMode::Full ? length : length / 2;
}

AreaCheck CheckArea(const AreaRequest& area, std::size_t baseLength, std::size_t maskLength) {
    if (area.start != area.end && (area.end < area.start || area.end > baseLength)) return AreaCheck::OutsideBase;
    if (area.mask != MaskMode::Nothing && maskLength == 0) return AreaCheck::NoMask;
    return AreaCheck::Ok;
}

void ExtractInto(std::span<const std::uint8_t> base, std::span<const std::uint8_t> mask, const AreaRequest& area,
                 std::span<std::uint8_t> dump) {
    const std::size_t length = dump.size();
    if (length == 0) return;
    const std::uint8_t* from = base.data() + area.start;
    switch (area.stripe) {
        case StripeMode::Full: std::memcpy(dump.data(), from, length); break;
        case StripeMode::Odd:
            for (std::size_t i = 0; i < length; ++i) dump[i] = from[2 * i];
            break;
        case StripeMode::Even:
            for (std::size_t i = 0; i < length; ++i) dump[i] = from[2 * i + 1];
            break;
    }
    if (area.mask == MaskMode::Exor) {
        // The mask repeats from dump byte 0, so walk it in whole passes rather than by modulo.
        for (std::size_t at = 0; at < length; at += mask.size()) {
            const std::size_t n = std::min(mask.size(), length - at);
            for (std::size_t k = 0; k < n; ++k) dump[at + k] ^= mask[k];
        }
    } else if (area.mask == MaskMode::Replace) {
        std::array<std::uint8_t, 256> table{};
        for (std::size_t v = 0; v < table.size(); ++v)
            table[v] = v < mask.size() ? mask[v] : static_cast<std::uint8_t>(v);
        for (auto& b : dump) b = table[b];
    }
}

}  // namespace vesperine
