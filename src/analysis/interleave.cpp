// N-way interleave of units of 1, 2 or 4 bytes: each part a byte lane of the image.
#include "analysis/interleave.h"

#include <algorithm>

#include "analysis/lanes.h"

namespace vesperine {
namespace {

// Whole groups are taken a block at a time, each part taking its lane from the block while it
// is still in the cache: 8192 groups are at most 256 KiB of the image.
constexpr std::uint64_t kGroupsPerBlock = 8192;

}  // namespace

std::uint64_t PartLengthOf(const Interleave& layout, std::uint64_t wholeLength) {
    const std::uint64_t group = std::uint64_t{layout.ways} * layout.width;
    return (wholeLength + group - 1) / group * layout.width;
}

void SplitInterleaved(std::span<const std::uint8_t> whole, const Interleave& layout,
                      std::span<const std::span<std::uint8_t>> parts, std::uint8_t pad) {
    const std::uint64_t group = std::uint64_t{layout.ways} * layout.width;
    const std::uint64_t fullGroups = whole.size() / group;
    for (std::uint64_t g = 0; g < fullGroups; g += kGroupsPerBlock) {
        const std::uint64_t groups = std::min(kGroupsPerBlock, fullGroups - g);
        for (std::size_t p = 0; p < parts.size(); ++p) {
            GatherLanes(whole.data() + g * group + p * layout.width, group, layout.width,
                        parts[p].subspan(g * layout.width, groups * layout.width));
        }
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
    const std::uint64_t group = std::uint64_t{layout.ways} * layout.width;
    const std::uint64_t allGroups = parts.empty() ? 0 : parts[0].size() / layout.width;
    for (std::uint64_t g = 0; g < allGroups; g += kGroupsPerBlock) {
        const std::uint64_t groups = std::min(kGroupsPerBlock, allGroups - g);
        for (std::size_t p = 0; p < parts.size(); ++p) {
            ScatterLanes(parts[p].subspan(g * layout.width, groups * layout.width), group, layout.width,
                         whole.data() + g * group + p * layout.width);
        }
    }
}

}  // namespace vesperine
