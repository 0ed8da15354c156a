// Cutting the target area out of the base bytes, striping it and masking it.
#include "analysis/extract.h"

#include <algorithm>
#include <array>

#include "analysis/lanes.h"

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

bool IsWholeBase(const AreaRequest& area, std::size_t baseLength) {
    return area.stripe == StripeMode::Full && area.mask == MaskMode::Nothing && area.start == 0 &&
           area.end == baseLength;
}

void ExtractInto(std::span<const std::uint8_t> base, std::span<const std::uint8_t> mask, const AreaRequest& area,
                 std::span<std::uint8_t> dump) {
    ExtractPartInto(base, mask, area, 0, dump);
}

void ExtractPartInto(std::span<const std::uint8_t> base, std::span<const std::uint8_t> mask, const AreaRequest& area,
                     std::size_t from, std::span<std::uint8_t> part) {
    const std::size_t length = part.size();
    if (length == 0) return;
    // A stripe is a byte lane of two: odd takes offsets 0, 2, 4 ..., even 1, 3, 5 ...
    const std::size_t stride = area.stripe == StripeMode::Full ? 1 : 2;
    const std::size_t lane = area.stripe == StripeMode::Even ? 1 : 0;
    GatherLanes(base.data() + area.start + from * stride + lane, stride, 1, part);
    if (area.mask == MaskMode::Exor) {
        // The mask repeats from dump byte 0, so walk it in whole passes rather than by modulo;
        // a part that starts inside a pass begins at that pass's phase.
        std::size_t phase = from % mask.size();
        for (std::size_t at = 0; at < length;) {
            const std::size_t n = std::min(mask.size() - phase, length - at);
            for (std::size_t k = 0; k < n; ++k) part[at + k] ^= mask[phase + k];
            at += n;
            phase = 0;
        }
    } else if (area.mask == MaskMode::Replace) {
        std::array<std::uint8_t, 256> table{};
        for (std::size_t v = 0; v < table.size(); ++v)
            table[v] = v < mask.size() ? mask[v] : static_cast<std::uint8_t>(v);
        for (auto& b : part) b = table[b];
    }
}

bool ExtractInPieces(std::span<const std::uint8_t> base, std::span<const std::uint8_t> mask, const AreaRequest& area,
                     std::span<std::uint8_t> dump, const PiecePoll& poll) {
    constexpr std::size_t kPiece = std::size_t{8} << 20;
    for (std::size_t from = 0; from < dump.size();) {
        const std::size_t n = std::min(kPiece, dump.size() - from);
        const std::span<std::uint8_t> piece = dump.subspan(from, n);
        ExtractPartInto(base, mask, area, from, piece);
        from += n;
        if (poll(piece, from, dump.size())) return false;
    }
    return true;
}

}  // namespace vesperine
