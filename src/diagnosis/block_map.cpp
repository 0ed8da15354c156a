// MapBlocks: each block's fill, repeat, text share and entropy.
#include "diagnosis/block_map.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string_view>
#include <unordered_map>
#include <utility>

#include "diagnosis/scan.h"

namespace vesperine::diagnosis {

namespace {

constexpr double kHighEntropyBits = 7.0;
constexpr double kTextShare = 0.9;

bool IsText(std::span<const std::uint8_t> block) {
    const auto printable = std::count_if(block.begin(), block.end(), [](std::uint8_t b) {
        return (b >= 0x20 && b < 0x7F) || b == '\t' || b == '\n' || b == '\r';
    });
    return static_cast<double>(printable) >= kTextShare * static_cast<double>(block.size());
}

// Shannon entropy of the block's byte values, in bits a byte: 0 to 8.
double Entropy(std::span<const std::uint8_t> block) {
    std::array<std::uint32_t, 256> counts{};
    for (std::uint8_t b : block) ++counts[b];
    double bits = 0;
    const double n = static_cast<double>(block.size());
    for (std::uint32_t count : counts) {
        if (count == 0) continue;
        const double p = static_cast<double>(count) / n;
        bits -= p * std::log2(p);
    }
    return bits;
}

// The block's kind and entropy; a fill's entropy is 0 without counting its bytes.
std::pair<BlockKind, double> KindOf(std::span<const std::uint8_t> block) {
    if (IsAllByte(block, 0xFF)) return {BlockKind::FillFF, 0.0};
    if (IsAllByte(block, 0x00)) return {BlockKind::Fill00, 0.0};
    const double bits = Entropy(block);
    if (IsText(block)) return {BlockKind::Text, bits};
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
    std::unordered_multimap<std::size_t, std::uint64_t> seen;  // hash of a block's bytes -> its offset
    const std::hash<std::string_view> hash;
    for (std::uint64_t offset = 0; offset < bytes.size(); offset += blockLength) {
        const auto block = bytes.subspan(offset, std::min<std::uint64_t>(blockLength, bytes.size() - offset));
        const auto [kind, bits] = KindOf(block);
        Block entry{offset, block.size(), kind, 0, bits};
        if (entry.kind != BlockKind::FillFF && entry.kind != BlockKind::Fill00) {
            const std::size_t key = hash(std::string_view(reinterpret_cast<const char*>(block.data()), block.size()));
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
