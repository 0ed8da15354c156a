// ByteBuffer and Workspace: blocks reused when they fit, huge-page alignment, lengths kept within bytes.
#include <gtest/gtest.h>

#include <cstdint>
#include <span>

#include "app/workspace.h"
#include "base/byte_buffer.h"
#include "base/shared_bytes.h"

namespace vesperine {
namespace {

TEST(ByteBuffer, ResizeWithinTheBlockKeepsTheBlockAndItsBytes) {
    ByteBuffer buffer(100);
    buffer[0] = 0xA5;
    const std::uint8_t* block = buffer.data();
    buffer.ResizeDiscarding(10);
    EXPECT_EQ(buffer.data(), block);
    EXPECT_EQ(buffer.size(), 10u);
    EXPECT_EQ(buffer[0], 0xA5);
    buffer.ResizeDiscarding(buffer.capacity());
    EXPECT_EQ(buffer.data(), block);
}

TEST(ByteBuffer, LargeBlocksAreAlignedToWholeHugePages) {
    const ByteBuffer buffer(ByteBuffer::kLargeBlock + 1);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(buffer.data()) % ByteBuffer::kLargeBlock, 0u);
    EXPECT_EQ(buffer.capacity(), 2 * ByteBuffer::kLargeBlock);
}

TEST(ByteBuffer, IsAContiguousRangeThatMovesWithoutCopying) {
    ByteBuffer source = ByteBuffer::CopyOf(std::span<const std::uint8_t>({1, 2, 3}));
    const std::uint8_t* block = source.data();
    const ByteBuffer moved = std::move(source);
    const std::span<const std::uint8_t> view(moved);
    ASSERT_EQ(view.size(), 3u);
    EXPECT_EQ(view.data(), block);
    EXPECT_EQ(view[2], 3);
    EXPECT_TRUE(source.empty());  // NOLINT(bugprone-use-after-move): a moved-from buffer is empty
}

TEST(ByteBuffer, AnImpossibleSizeIsBadAllocAndLeavesItEmpty) {
    ByteBuffer buffer(16);
    EXPECT_THROW(buffer.ResizeDiscarding(SIZE_MAX - 8), std::bad_alloc);
    EXPECT_TRUE(buffer.empty());
    EXPECT_EQ(buffer.capacity(), 0u);
}

TEST(Workspace, ANewDumpCutsTheRecordedLengthToItsBytes) {
    Workspace w;
    (void)w.PrepareDump(100);
    w.RecordDumpLength(100);
    (void)w.PrepareDump(40);  // a search's shorter extract
    EXPECT_EQ(w.dumpLength(), 40u);
    EXPECT_EQ(w.HeldDump().size(), 40u);
    (void)w.PrepareDump(400);
    EXPECT_EQ(w.dumpLength(), 40u) << "only a record changes it upwards";
}

TEST(Workspace, ReplacingAFileReplacesItsLength) {
    Workspace w;
    w.ReplaceBase(ByteBuffer(0x12345));
    w.ReplaceMask(ByteBuffer(3));
    EXPECT_EQ(w.baseLength(), 0x12345u);
    EXPECT_EQ(w.maskLength(), 3u);
    w.Release();
    EXPECT_EQ(w.baseLength(), 0u);
    EXPECT_TRUE(w.HeldDump().empty());
}

// A snapshot shares the bytes, costs no copy, and sees none of the changes that follow: the
// workspace copies a shared dump before changing it and takes new blocks for new contents.
TEST(Workspace, SnapshotsShareTheBytesAndNeverSeeLaterChanges) {
    Workspace w;
    ByteBuffer base(8);
    for (std::uint8_t i = 0; i < 8; ++i) base[i] = i;
    w.ReplaceBase(std::move(base));
    std::span<std::uint8_t> fresh = w.PrepareDump(6);
    for (std::uint8_t i = 0; i < 6; ++i) fresh[i] = static_cast<std::uint8_t>(0x10 + i);
    w.RecordDumpLength(4);

    const SharedBytes baseShot = w.BaseSnapshot();
    const SharedBytes dumpShot = w.DumpSnapshot();
    EXPECT_EQ(baseShot.data(), w.Base().data()) << "shared, not copied";
    EXPECT_EQ(dumpShot.data(), w.Dump().data());
    EXPECT_EQ(dumpShot.size(), 4u) << "the recorded dump, not every byte held";

    for (std::uint8_t& byte : w.ChangeDump()) byte ^= 0xFF;  // a transform in place
    EXPECT_NE(w.Dump().data(), dumpShot.data());
    EXPECT_EQ(dumpShot[0], 0x10);
    EXPECT_EQ(w.Dump()[0], 0xEF);
    EXPECT_EQ(w.HeldDump().size(), 6u) << "the copy keeps every byte held";
    EXPECT_EQ(w.HeldDump()[5], 0x15);

    const SharedBytes second = w.DumpSnapshot();
    (void)w.PrepareDump(3);  // a new extract while shared: a block of its own
    EXPECT_EQ(w.dumpLength(), 3u);
    EXPECT_EQ(second[0], 0xEF);
    w.ReplaceBase(ByteBuffer(2));
    w.Release();
    EXPECT_EQ(baseShot[7], 7);
    EXPECT_EQ(dumpShot[3], 0x13);

    const SharedBytes unshared = w.DumpSnapshot();
    EXPECT_TRUE(unshared.empty());
}

}  // namespace
}  // namespace vesperine
