// The block map's entropy against values worked out by hand, and a repeat carrying its original's.
#include "diagnosis/block_map.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace vesperine::diagnosis {
namespace {

TEST(BlockMap, EachBlockCarriesItsEntropyInBitsAByte) {
    std::vector<std::uint8_t> bytes(512, 0xFF);                                        // fill: 0
    for (int k = 0; k < 512; ++k) bytes.push_back(static_cast<std::uint8_t>(k));       // each value twice: 8
    for (int k = 0; k < 512; ++k) bytes.push_back(k % 2 ? 'A' : 'B');                  // two values: 1
    for (int k = 0; k < 512; ++k) bytes.push_back(static_cast<std::uint8_t>(k % 16));  // sixteen values: 4
    for (int k = 0; k < 512; ++k) bytes.push_back(static_cast<std::uint8_t>(k));       // a repeat keeps its 8
    for (int k = 0; k < 100; ++k) bytes.push_back(static_cast<std::uint8_t>(k % 4));   // a short last block: 2
    const std::vector<Block> blocks = MapBlocks(bytes, 512);
    ASSERT_EQ(blocks.size(), 6u);
    const double expected[] = {0, 8, 1, 4, 8, 2};
    for (std::size_t k = 0; k < blocks.size(); ++k) EXPECT_NEAR(blocks[k].entropy, expected[k], 1e-9) << k;
    EXPECT_EQ(blocks[1].kind, BlockKind::HighEntropy);
    EXPECT_EQ(blocks[2].kind, BlockKind::Text);
    EXPECT_EQ(blocks[4].kind, BlockKind::Repeat);
}

}  // namespace
}  // namespace vesperine::diagnosis
