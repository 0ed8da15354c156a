// Long tasks through the fake host's real thread: commands refused meanwhile, failures shown, a
// close honoured, large loads and Analyze on the worker with their progress.
#include <gtest/gtest.h>

#include <algorithm>
#include <new>
#include <stdexcept>

#include "base/format.h"
#include "support/dialog_harness.h"
#include "support/test_bytes.h"

namespace vesperine {
namespace {

using testing::DialogHarness;
using testing::HexBytes;
using testing::HexString;

constexpr const char* kDigits = "31 32 33 34 35 36 37 38 39";

// A search that runs until it is broken off (step 0, no hit), for commands to meet.
void StartEndlessSearch(DialogHarness& h) {
    h.host.Type(ids::kSearchCrc, "12345678");
    h.host.Type(ids::kSearchSize, "4");
    h.host.Type(ids::kSearchStep, "0");
    h.dialog.OnButtonClicked(ids::kAttackButton);
}

// Bytes whose every value differs from its neighbours', so a wrong offset shows.
Bytes Counting(std::size_t size) {
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
    return bytes;
}

using vesperine::testing::ZlibCrc;

TEST(LongTaskGuard, NoCommandThatTouchesABufferRunsWhileASearchRuns) {
    DialogHarness h;
    h.LoadBase(HexBytes(kDigits));
    h.dialog.Analyze();
    h.files.files["/roms/other.bin"] = HexBytes("EE EE");
    const std::string logBefore = h.Text(ids::kMemo);
    bool running = false;
    h.host.duringTask = [&] {
        running = h.dialog.LongTaskRunning();
        h.host.openAnswers.push_back("/roms/other.bin");
        h.host.openAnswers.push_back("/roms/other.bin");
        h.host.saveAnswers.push_back("/out/dump.bin");
        h.host.Type(ids::kQuickExorText, "FF");
        h.dialog.LoadBaseFile();
        h.dialog.LoadMaskFile();
        h.dialog.Analyze();
        h.dialog.QuickExor();
        h.dialog.EndianConvert();
        h.dialog.SwapHalves();
        h.dialog.SaveDumpFile();
        h.dialog.CrcSearch();
        h.dialog.OnMenuCommand(ids::kMenuLoadBase);
        h.dialog.OnKeyDown(FilterKey::F4);
        h.dialog.OnVScroll(ScrollRequest::LineDown, ids::kDumpScrollBar);
    };
    h.host.breakRequested = [](int) { return true; };
    StartEndlessSearch(h);

    EXPECT_TRUE(running);
    EXPECT_FALSE(h.dialog.LongTaskRunning());
    EXPECT_EQ(h.host.openDialogs, 1) << "only the first load asked";
    EXPECT_EQ(h.host.saveDialogs, 0);
    EXPECT_EQ(h.host.longTasks, 1);
    EXPECT_EQ(h.host.MessageTexts(), std::vector<std::string>{"break."});
    EXPECT_EQ(HexString(h.dialog.workspace().Base()), kDigits);
    EXPECT_EQ(h.dialog.workspace().maskLength(), 0u);
    EXPECT_EQ(h.HeldDump(), kDigits);
    EXPECT_EQ(h.Text(ids::kMemo), logBefore);
}

TEST(LongTaskGuard, ACloseDuringASearchBreaksItAndClosesWithoutAMessage) {
    DialogHarness h;
    h.LoadBase(HexBytes(kDigits));
    h.host.duringTask = [&] { h.dialog.OnCancel(); };
    StartEndlessSearch(h);
    EXPECT_TRUE(h.host.messages.empty());
    EXPECT_EQ(h.host.endedWith, 0);
    EXPECT_TRUE(h.dialog.workspace().Base().empty()) << "released as a close does";
    EXPECT_EQ(h.host.waitDepth, 0);
}

TEST(LongTaskGuard, AThreadThatCannotStartIsToldAndChangesNoRecordedDump) {
    DialogHarness h;
    h.LoadBase(HexBytes(kDigits));
    h.dialog.Analyze();
    h.host.threadsRefused = true;
    StartEndlessSearch(h);
    ASSERT_EQ(h.host.messages.size(), 1u);
    EXPECT_NE(h.host.messages[0].text.find("could not be started"), std::string::npos);
    EXPECT_EQ(h.dialog.workspace().dumpLength(), 9u);
    EXPECT_EQ(h.host.waitDepth, 0);
}

TEST(LongTaskGuard, WorkThatThrowsIsToldAndTheFileInUseStays) {
    const struct {
        std::function<void()> fault;
        const char* message;
    } cases[] = {
        {[] { throw std::bad_alloc(); }, "Out of memory."},
        {[] { throw std::runtime_error("disk gone"); }, "The work failed: disk gone"},
        {[] { throw 7; }, "The work failed."},
    };
    for (const auto& c : cases) {
        DialogHarness h;
        h.LoadBase(HexBytes("01 02"));
        h.files.files["/roms/big.bin"] = Bytes(kLongTaskBytes, 0x11);
        h.files.beforeRead = [&](const std::string&) { c.fault(); };
        h.host.openAnswers.push_back("/roms/big.bin");
        h.dialog.LoadBaseFile();
        EXPECT_EQ(h.host.MessageTexts(), std::vector<std::string>{c.message});
        EXPECT_EQ(HexString(h.dialog.workspace().Base()), "01 02");
        EXPECT_EQ(h.Text(ids::kAreaEnd), "00000002");
    }
}

TEST(LongTask, ALargeLoadReadsOnTheWorkerAndTellsBytesRead) {
    DialogHarness h;
    const Bytes file = Counting(kLongTaskBytes + 5);
    h.files.chunkBytes = std::size_t{1} << 20;
    h.LoadBase(file);
    ASSERT_EQ(h.host.longTasks, 1);
    EXPECT_EQ(h.host.taskTitles[0], "Load BaseFile");
    ASSERT_EQ(h.host.progressSeen.size(), 5u);
    EXPECT_EQ(h.host.progressSeen[0].unit, ProgressUnit::BytesRead);
    EXPECT_EQ(h.host.progressSeen[0].done, 1u << 20);
    EXPECT_EQ(h.host.progressSeen[4].done, file.size());
    EXPECT_EQ(h.host.progressSeen[4].total, file.size());
    EXPECT_EQ(h.Text(ids::kAreaEnd), "00400005");
    EXPECT_EQ(ZlibCrc(h.dialog.workspace().Base()), ZlibCrc(file));
}

TEST(LongTask, ALargeAnalyzeExtractsAndHashesOnTheWorkerPieceByPiece) {
    // The last case is the whole base as it is: the dump shares the base's block, only hashed.
    const struct {
        std::size_t start;
        int stripe;
        int mask;
    } cases[] = {{3, 0, 0}, {3, 1, 1}, {3, 2, 2}, {0, 0, 0}};
    for (const auto& c : cases) {
        DialogHarness h;
        const Bytes base = Counting(3 * kLongTaskBytes + 3);
        const Bytes mask = HexBytes("5A A5 3C");
        h.LoadBase(base);
        h.LoadMask(mask);
        h.ChooseStripe(c.stripe);
        h.ChooseMask(c.mask);
        h.TypeArea(HexDigits(c.start, 1), "C00003");
        h.host.progressSeen.clear();  // the load's
        h.dialog.Analyze();
        // The naive reference: every dump byte from its definition.
        const std::size_t length = (0xC00003 - c.start) / (c.stripe == 0 ? 1 : 2);
        Bytes expected(length);
        for (std::size_t i = 0; i < length; ++i) {
            const std::uint8_t b = base[c.start + (c.stripe == 0 ? i : 2 * i + (c.stripe == 2 ? 1 : 0))];
            expected[i] = c.mask == 1   ? static_cast<std::uint8_t>(b ^ mask[i % 3])
                          : c.mask == 2 ? (b < 3 ? mask[b] : b)
                                        : b;
        }
        EXPECT_EQ(h.dialog.workspace().dumpLength(), length) << c.stripe;
        EXPECT_EQ(h.Text(ids::kDumpCrc), HexDigits(ZlibCrc(expected), 8)) << c.stripe;
        EXPECT_EQ(h.host.taskTitles.back(), "Go Analyze!");
        ASSERT_FALSE(h.host.progressSeen.empty());
        EXPECT_EQ(h.host.progressSeen.front().unit, ProgressUnit::BytesHashed);
        EXPECT_EQ(h.host.progressSeen.front().done, std::min<std::size_t>(length, 8u << 20))
            << "hashed as extracted, piece by piece";
        EXPECT_EQ(h.host.progressSeen.back().done, length);
    }
}

TEST(LongTask, ABrokenAnalyzeKeepsTheTextsAndTheRecordedLengthWithinTheDump) {
    DialogHarness h;
    h.LoadBase(Counting(2 * kLongTaskBytes));
    h.TypeArea("0", "10");
    h.dialog.Analyze();
    const std::string crc = h.Text(ids::kDumpCrc);
    h.TypeArea("0", "800000");
    h.host.breakRequested = [](int) { return true; };
    h.dialog.Analyze();
    EXPECT_EQ(h.host.MessageTexts(), std::vector<std::string>{"break."});
    EXPECT_EQ(h.Text(ids::kDumpCrc), crc);
    EXPECT_EQ(h.dialog.workspace().dumpLength(), 0x10u);
}

TEST(Save, TakesTheDumpAsItStandsWhenTheDialogReturns) {
    DialogHarness h;
    h.LoadBase(HexBytes("10 11 12 13 14 15 16 17"));
    h.dialog.Analyze();
    h.host.saveAnswers.push_back("/out/dump.bin");
    h.host.duringFileDialog = [&] {
        h.host.duringFileDialog = nullptr;
        h.TypeArea("2", "4");
        h.dialog.Analyze();  // a shorter dump, in a new place of the block
    };
    h.dialog.SaveDumpFile();
    EXPECT_EQ(HexString(h.files.files.at("/out/dump.bin")), "12 13");
}

}  // namespace
}  // namespace vesperine
