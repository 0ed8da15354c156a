// The Map's model: the pixel-row reduction and the marker against a brute force over blocks, and its rows.
#include "inspector/map_model.h"

#include <gtest/gtest.h>

#include <random>

namespace vesperine::inspector {
namespace {

// Whether pixel row y of span covers part of block k: row y spans [y n / h, (y + 1) n / h) of
// the n blocks shown, block k spans [k, k + 1); compared exactly, times h.
bool Touches(const MapSpan& span, int y, int block) {
    const std::int64_t n = span.end - span.first, h = span.height, k = block - span.first;
    return k * h < (y + 1) * n && (k + 1) * h > y * n;
}

// The row's block by brute force: of every block the row touches, one with unstable bits
// first, then by kind, the earliest of equals; the highest entropy of them all.
PixelRow NaiveShownAt(const std::vector<Block>& blocks, const std::vector<std::uint64_t>& unstable, const MapSpan& span,
                      int y) {
    int best = -1;
    double bits = 0;
    for (int k = span.first; k < span.end; ++k) {
        if (!Touches(span, y, k)) continue;
        const auto rank = [&](int b) { return std::pair(unstable[b] > 0, Notability(blocks[b].kind)); };
        if (best < 0 || rank(k) > rank(best)) best = k;
        bits = std::max(bits, blocks[k].entropy);
    }
    return {best, bits};
}

TEST(MapModel, PixelRowsAndMarkerAgreeWithBruteForceOverBlocks) {
    std::mt19937 random(7);
    for (int trial = 0; trial < 400; ++trial) {
        const int count = 1 + static_cast<int>(random() % 1100);
        std::vector<Block> blocks(count);
        std::vector<std::uint64_t> unstable(count);
        for (int k = 0; k < count; ++k) {
            // Mostly fill, as real dumps are, so that the rare notable block must win its row.
            blocks[k].kind = random() % 8 ? BlockKind::FillFF : static_cast<BlockKind>(random() % 6);
            blocks[k].entropy = static_cast<double>(random() % 801) / 100.0;
            unstable[k] = random() % 50 == 0 ? 1 + random() % 3 : 0;
        }
        const int first = static_cast<int>(random() % count);
        const int end = first + 1 + static_cast<int>(random() % (count - first));
        const MapSpan span{first, end, 1 + static_cast<int>(random() % 700)};
        const std::vector<PixelRow> rows = PixelRows(blocks, unstable, span);
        ASSERT_EQ(rows.size(), static_cast<std::size_t>(span.height));
        for (int y = 0; y < span.height; ++y) {
            const PixelRow naive = NaiveShownAt(blocks, unstable, span, y);
            ASSERT_EQ(rows[y].block, naive.block) << "trial " << trial << " row " << y;
            ASSERT_EQ(rows[y].entropy, naive.entropy) << "trial " << trial << " row " << y;
        }
        const int chosen = first + static_cast<int>(random() % (end - first));
        const auto marker = MarkerRowsOf(span, chosen);
        ASSERT_TRUE(marker.has_value());
        for (int y = 0; y < span.height; ++y)
            ASSERT_EQ(y >= marker->top && y < marker->bottom, Touches(span, y, chosen)) << "trial " << trial;
        EXPECT_FALSE(MarkerRowsOf(span, end).has_value());
    }
}

TEST(MapModel, FiveDataBlocksInAGibibyteOfZerosEachShowInThePicture) {
    std::vector<Block> blocks(1024);
    for (std::size_t k = 0; k < blocks.size(); ++k) blocks[k] = {k << 20, 1 << 20, BlockKind::Fill00, 0, 0};
    const std::vector<int> data{3, 200, 201, 640, 1023};
    for (const int k : data) blocks[k].kind = BlockKind::Data;
    const std::vector<PixelRow> rows = PixelRows(blocks, {}, MapSpan{0, 1024, 300});
    for (const int k : data)
        EXPECT_TRUE(std::any_of(rows.begin(), rows.end(), [k](const PixelRow& row) { return row.block == k; }))
            << "block " << k;
}

TEST(MapModel, RowsSayWhatEachBlockIsWithItsUnstableBytes) {
    const std::vector<Block> blocks{{0x0, 0x200, BlockKind::Data, 0, 7.614},
                                    {0x200, 0x200, BlockKind::Repeat, 0x0, 7.614},
                                    {0x400, 0x100, BlockKind::FillFF, 0, 0}};
    const std::vector<std::uint64_t> offsets{0x10, 0x201, 0x202, 0x3FF, 0x4FF, 0x600};
    const std::vector<std::uint64_t> unstable = UnstablePerBlock(offsets, 0x200, blocks.size());
    EXPECT_EQ(unstable, (std::vector<std::uint64_t>{1, 3, 1}));  // 0x600 is past the last block
    EXPECT_EQ(MapRows(blocks, unstable),
              (Rows{{"", "0x000000-0x0001FF", "512", "data; unstable bits in 1 byte", "7.61"},
                    {"", "0x000200-0x0003FF", "512", "repeat of 0x000000; unstable bits in 3 bytes", "7.61"},
                    {"", "0x000400-0x0004FF", "256", "FF fill; unstable bits in 1 byte", "0.00"}}));
    EXPECT_EQ(SpanText(blocks, 1, 3), "Picture: 0x000200-0x0004FF (2 blocks)");
    EXPECT_EQ(BlockTip(blocks[0]), "0x000000-0x0001FF: data; entropy 7.61 bits a byte");
}

}  // namespace
}  // namespace vesperine::inspector
