// N-way interleave of units of 1, 2 or 4 bytes, with a fixed-width copy per unit.
#include "analysis/interleave.h"

#include <cstring>

namespace vesperine {
namespace {

// Whole groups (ways * Width bytes) unit by unit; the width a constant so the copy is a move.
template <std::size_t Width>
void SplitGroups(const std::uint8_t* whole, std::uint64_t groups, std::span<const std::span<std::uint8_t>> parts) {
    const std::size_t ways = parts.size();
    for (std::uint64_t g = 0; g < groups; ++g) {
        for (std::size_t p = 0; p < ways; ++p) {
            std::memcpy(parts[p].data() + g * Width, whole + (g * ways + p) * Width, Width);
        }
    }
}

template <std::size_t Width>
void MergeGroups(std::span<const std::span<const std::uint8_t>> parts, std::uint64_t groups, std::uint8_t* whole) {
    const std::size_t ways = parts.size();
    for (std::uint64_t g = 0; g < groups; ++g) {
        for (std::size_t p = 0; p < ways; ++p) {
            std::memcpy(whole + (g * ways + p) * Width, parts[p].data() + g * Width, Width);
        }
    }
}

}  // namespace

std::uint64_t PartLengthOf(const Interleave& layout, std::uint64_t wholeLength) {
    const std::uint64_t group = std::uint64_t{layout.ways} * layout.width;
    return (wholeLength + group - 1) / group * layout.width;
}

void SplitInterleaved(std::span<const std::uint8_t> whole, const Interleave& layout,
                      std::span<const std::span<std::uint8_t>> parts, std::uint8_t pad) {
    const std::uint64_t group = std::uint64_t{layout.ways} * layout.width;
    const std::uint64_t fullGroups = whole.size() / group;
    switch (layout.width) {
        case 1: SplitGroups<1>(whole.data(), fullGroups, parts); break;
        case 2: SplitGroups<2>(whole.data(), fullGroups, parts); break;
        default: SplitGroups<4>(whole.data(), fullGroups, parts); break;
    }
    // The short last group, byte by byte, pad where the image has ended.
    const std::uint64_t done = fullGroups * group;
    if (done == whole.size()) return;
    for (std::uint64_t i = done; i < done + group; ++i) {
        const std::uint64_t unit = i / layout.width;
        const std::uint64_t at = unit / layout.ways * layout.width + i % layout.width;
        parts[unit % layout.ways][at] = i < whole.size() ? whole[i] : pad;
    }
}

void MergeInterleaved(std::span<const std::span<const std::uint8_t>> parts, const Interleave& layout,
                      std::span<std::uint8_t> whole) {
    const std::uint64_t groups = parts.empty() ? 0 : parts[0].size() / layout.width;
    switch (layout.width) {
        case 1: MergeGroups<1>(parts, groups, whole.data()); break;
        case 2: MergeGroups<2>(parts, groups, whole.data()); break;
        default: MergeGroups<4>(parts, groups, whole.data()); break;
    }
}

}  // namespace vesperine
