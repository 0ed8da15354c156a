// The Map panel's model: the block table's rows, and the reduction of blocks to the picture's pixel rows.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "diagnosis/block_map.h"
#include "inspector/text.h"

namespace vesperine::inspector {

using diagnosis::Block;
using diagnosis::BlockKind;

// "0x000000-0x0001FF", and what the block is: "data", "repeat of 0x000400".
[[nodiscard]] std::string BlockRange(const Block& block);
[[nodiscard]] std::string DescribeBlock(const Block& block);
// The picture's tooltip: range, kind and "entropy 7.61 bits a byte".
[[nodiscard]] std::string BlockTip(const Block& block);

// The sentence over the map: the number of blocks, their length and where a click goes.
[[nodiscard]] std::string MapSummary(std::uint64_t blockCount, std::uint64_t blockLength, bool dialogDump);
// For each of blockCount blocks of blockLength bytes, how many of offsets (the bytes holding an
// unstable bit, each once) lie in it. An offset past the last block is not counted.
[[nodiscard]] std::vector<std::uint64_t> UnstablePerBlock(std::span<const std::uint64_t> offsets,
                                                          std::uint64_t blockLength, std::size_t blockCount);
// One row a block: an empty swatch cell, offsets, bytes, what the block is (with its unstable
// bytes, from unstable as UnstablePerBlock counts them, when any), entropy.
[[nodiscard]] Rows MapRows(std::span<const Block> blocks, std::span<const std::uint64_t> unstable);

// How much a block claims a person's eye where one pixel row covers several blocks (a 1 GiB
// dump has 1,024 blocks for a few hundred rows): high entropy > data > text > repeat > fill.
[[nodiscard]] int Notability(BlockKind kind);

// The picture draws blocks [first, end) of all (first < end) over height pixel rows (height >= 1).
struct MapSpan {
    int first = 0;
    int end = 0;
    int height = 1;
};

// What one pixel row shows: the block, and the highest entropy among the blocks it covers (the
// highest, as a mean would hide one compressed block amid fill).
struct PixelRow {
    int block = 0;
    double entropy = 0;
};

// The block pixel row y (0 <= y < height) shows. Row y covers blocks [y n / h, (y + 1) n / h)
// of the n shown, in block units: every block that span touches competes, one with an unstable
// bit (unstable[k] > 0) before all others, then by Notability, the first of equals winning; so a
// block of data amid fill is never painted over. unstable may be shorter than blocks (none there).
[[nodiscard]] PixelRow ShownAt(std::span<const Block> blocks, std::span<const std::uint64_t> unstable,
                               const MapSpan& span, int y);
// ShownAt for every row, top to bottom.
[[nodiscard]] std::vector<PixelRow> PixelRows(std::span<const Block> blocks, std::span<const std::uint64_t> unstable,
                                              const MapSpan& span);
// Whether row y starts another block when the picture is zoomed in to 8 rows a block or more,
// where blocks of one kind side by side are told apart by a darker first row.
[[nodiscard]] bool BlockEdgeAt(const MapSpan& span, int y);

// The pixel rows [top, bottom) that block covers, the marker's place; nothing when the block is
// outside the span. A block thinner than a row still gets one.
struct MarkerRows {
    int top = 0;
    int bottom = 0;
};
[[nodiscard]] std::optional<MarkerRows> MarkerRowsOf(const MapSpan& span, int block);

// A span of count blocks made valid: first within [0, count], end within [first, count].
[[nodiscard]] std::pair<int, int> ClampSpan(int first, int end, int count);
// "Picture: 0x000000-0x0FFFFF (8 blocks)" for blocks [first, end), first < end <= blocks.size().
[[nodiscard]] std::string SpanText(std::span<const Block> blocks, int first, int end);

}  // namespace vesperine::inspector
