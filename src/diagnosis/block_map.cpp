// MapBlocks: each block's fill, repeat, text share and entropy.
#include "diagnosis/block_map.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <unordered_map>
#include <utility>

#include "base/crc32.h"
#include "diagnosis/scan.h"

namespace vesperine::diagnosis {

namespace {

constexpr double kHighEntropyBits = 7.0;
constexpr double kTextShare = 0.9;

// A block's byte values counted once; the text share and the entropy both come from them.
// Four tables take alternate bytes, so that a run of one value does not make each increment
// wait for the one before (a store-to-load chain of several cycles a byte).
struct ByteCounts {
    std::array<std::uint64_t, 256> count{};
    std::uint64_t total = 0;

    explicit ByteCounts(std::span<const std::uint8_t> block) : total(block.size()) {
        std::array<std::array<std::uint64_t, 256>, 4> lanes{};
        std::size_t i = 0;
        for (; i + 4 <= block.size(); i += 4) {
            ++lanes[0][block[i]];
            ++lanes[1][block[i + 1]];
            ++lanes[2][block[i + 2]];
            ++lanes[3][block[i + 3]];
        }
        for (; i < block.size(); ++i) ++lanes[0][block[i]];
        for (std::size_t v = 0; v < 256; ++v) count[v] = lanes[0][v] + lanes[1][v] + lanes[2][v] + lanes[3][v];
    }

    [[nodiscard]] bool IsText() const {
        std::uint64_t printable = count['\t'] + count['\n'] + count['\r'];
        for (std::size_t v = 0x20; v < 0x7F; ++v) printable += count[v];
        return static_cast<double>(printable) >= kTextShare * static_cast<double>(total);
    }

    // Shannon entropy of the byte values, in bits a byte: 0 to 8.
    [[nodiscard]] double Entropy() const {
        double bits = 0;
        const double n = static_cast<double>(total);
        for (const std::uint64_t c : count) {
            if (c == 0) continue;
            const double p = static_cast<double>(c) / n;
            bits -= p * std::log2(p);
        }
        return bits;
    }
};

// The block's kind and entropy; a fill's entropy is 0 without counting its bytes.
std::pair<BlockKind, double> KindOf(std::span<const std::uint8_t> block) {
    if (IsAllByte(block, 0xFF)) return {BlockKind::FillFF, 0.0};
    if (IsAllByte(block, 0x00)) return {BlockKind::Fill00, 0.0};
    const ByteCounts counts(block);
    const double bits = counts.Entropy();
    if (counts.IsText()) return {BlockKind::Text, bits};
    if (block.size() >= 256 && bits > kHighEntropyBits) return {BlockKind::HighEntropy, bits};
    return {BlockKind::Data, bits};
}

}  // namespace

std::uint64_t BlockLengthFor(std::uint64_t length) {
    std::uint64_t block = 512;
    while (block * kMaxBlocks < length) block *= 2;
    return block;
}

std::vector<Block> MapBlocks(std::span<const std::uint8_t> bytes, std::uint64_t blockLength) {
    return *MapBlocks(bytes, blockLength, nullptr);
}

std::optional<std::vector<Block>> MapBlocks(std::span<const std::uint8_t> bytes, std::uint64_t blockLength,
                                            const WorkPoll& poll) {
    WorkMeter meter(poll, bytes.size());
    std::vector<Block> blocks;
    // A block's CRC-32 (at memory speed) -> its offset; an equal CRC is confirmed byte by byte.
    std::unordered_multimap<std::uint32_t, std::uint64_t> seen;
    for (std::uint64_t offset = 0; offset < bytes.size(); offset += blockLength) {
        const auto block = bytes.subspan(offset, std::min<std::uint64_t>(blockLength, bytes.size() - offset));
        const auto [kind, bits] = KindOf(block);
        Block entry{offset, block.size(), kind, 0, bits};
        if (entry.kind != BlockKind::FillFF && entry.kind != BlockKind::Fill00) {
            const std::uint32_t key = Crc32(block);
            const auto [first, last] = seen.equal_range(key);
            for (auto it = first; it != last; ++it) {
                const auto earlier = bytes.subspan(it->second, block.size());
                if (blocks[it->second / blockLength].length == block.size() &&
                    SameBytes(earlier.data(), block.data(), block.size())) {
                    entry.kind = BlockKind::Repeat;
                    entry.repeatOf = it->second;
                    break;
                }
            }
            if (entry.kind != BlockKind::Repeat) seen.emplace(key, offset);
        }
        blocks.push_back(entry);
        if (meter.Tick(offset + block.size())) return std::nullopt;
    }
    return blocks;
}

const char* BlockKindName(BlockKind kind) {
    switch (kind) {
        case BlockKind::FillFF: return "FF fill";
        case BlockKind::Fill00: return "00 fill";
        case BlockKind::Repeat: return "repeat";
        case BlockKind::Text: return "text";
        case BlockKind::HighEntropy: return "high entropy";
        case BlockKind::Data: break;
    }
    return "data";
}

}  // namespace vesperine::diagnosis
