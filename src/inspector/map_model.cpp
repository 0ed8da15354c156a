// The Map panel's model: its rows and sentences, and the arithmetic of its picture.
#include "inspector/map_model.h"

#include <algorithm>
#include <utility>

#include "base/format.h"

namespace vesperine::inspector {

std::string BlockRange(const Block& block) { return RangeText(block.offset, block.offset + block.length); }

std::string DescribeBlock(const Block& block) {
    std::string kind = diagnosis::BlockKindName(block.kind);
    if (block.kind == BlockKind::Repeat) kind += " of " + HexText(block.repeatOf, 6);
    return kind;
}

std::string BlockTip(const Block& block) {
    return BlockRange(block) + ": " + DescribeBlock(block) + "; entropy " + TwoDecimals(block.entropy) + " bits a byte";
}

std::string MapSummary(std::uint64_t blockCount, std::uint64_t blockLength, bool dialogDump) {
    return Counted(blockCount, "block", "blocks") + " of " + Counted(blockLength, "byte", "bytes") +
           "; hover over the picture to name a block, click it or a row (or press Enter on a row) to find it in "
           "the table" +
           (dialogDump ? " and the dialog's dump pane" : "") + ".";
}

std::vector<std::uint64_t> UnstablePerBlock(std::span<const std::uint64_t> offsets, std::uint64_t blockLength,
                                            std::size_t blockCount) {
    std::vector<std::uint64_t> unstable(blockCount);
    if (blockLength == 0) return unstable;
    for (const std::uint64_t offset : offsets)
        if (offset / blockLength < blockCount) ++unstable[offset / blockLength];
    return unstable;
}

Rows MapRows(std::span<const Block> blocks, std::span<const std::uint64_t> unstable) {
    Rows rows;
    rows.reserve(blocks.size());
    for (std::size_t k = 0; k < blocks.size(); ++k) {
        std::string what = DescribeBlock(blocks[k]);
        const std::uint64_t count = k < unstable.size() ? unstable[k] : 0;
        if (count == 1) what += "; unstable bits in 1 byte";
        if (count > 1) what += "; unstable bits in " + Grouped(count) + " bytes";
        rows.push_back({std::string(), BlockRange(blocks[k]), Grouped(blocks[k].length), std::move(what),
                        TwoDecimals(blocks[k].entropy)});
    }
    return rows;
}

int Notability(BlockKind kind) {
    switch (kind) {
        case BlockKind::FillFF:
        case BlockKind::Fill00: return 0;
        case BlockKind::Repeat: return 1;
        case BlockKind::Text: return 2;
        case BlockKind::Data: return 3;
        case BlockKind::HighEntropy: return 4;
    }
    return 0;
}

PixelRow ShownAt(std::span<const Block> blocks, std::span<const std::uint64_t> unstable, const MapSpan& span, int y) {
    // 64-bit products: y n stays far below 2^63 for any int height and block count.
    const auto n = static_cast<std::int64_t>(span.end - span.first);
    const auto h = static_cast<std::int64_t>(std::max(1, span.height));
    const std::int64_t first = span.first + std::min(n - 1, y * n / h);
    const std::int64_t end = span.first + std::clamp(((y + 1) * n + h - 1) / h, first - span.first + 1, n);
    const auto rank = [&](std::int64_t k) {
        const auto at = static_cast<std::size_t>(k);
        return std::pair(at < unstable.size() && unstable[at] > 0, Notability(blocks[at].kind));
    };
    std::int64_t best = first;
    double bits = blocks[static_cast<std::size_t>(first)].entropy;
    for (std::int64_t k = first + 1; k < end; ++k) {
        if (rank(k) > rank(best)) best = k;
        bits = std::max(bits, blocks[static_cast<std::size_t>(k)].entropy);
    }
    return {static_cast<int>(best), bits};
}

std::vector<PixelRow> PixelRows(std::span<const Block> blocks, std::span<const std::uint64_t> unstable,
                                const MapSpan& span) {
    std::vector<PixelRow> rows;
    if (span.end <= span.first) return rows;
    rows.reserve(static_cast<std::size_t>(std::max(0, span.height)));
    for (int y = 0; y < span.height; ++y) rows.push_back(ShownAt(blocks, unstable, span, y));
    return rows;
}

bool BlockEdgeAt(const MapSpan& span, int y) {
    const auto n = static_cast<std::int64_t>(span.end - span.first);
    const auto h = static_cast<std::int64_t>(std::max(1, span.height));
    return n * 8 <= h && y > 0 && y * n / h != (y - 1) * n / h;
}

std::optional<MarkerRows> MarkerRowsOf(const MapSpan& span, int block) {
    if (block < span.first || block >= span.end) return std::nullopt;
    const auto n = static_cast<std::int64_t>(span.end - span.first);
    const auto h = static_cast<std::int64_t>(std::max(1, span.height));
    const std::int64_t k = block - span.first;
    return MarkerRows{static_cast<int>(k * h / n), static_cast<int>(((k + 1) * h + n - 1) / n)};
}

std::pair<int, int> ClampSpan(int first, int end, int count) {
    const int clampedFirst = std::clamp(first, 0, count);
    return {clampedFirst, std::clamp(end, clampedFirst, count)};
}

std::string SpanText(std::span<const Block> blocks, int first, int end) {
    const Block& last = blocks[static_cast<std::size_t>(end - 1)];
    return "Picture: " + RangeText(blocks[static_cast<std::size_t>(first)].offset, last.offset + last.length) + " (" +
           Counted(static_cast<std::uint64_t>(end - first), "block", "blocks") + ")";
}

}  // namespace vesperine::inspector
