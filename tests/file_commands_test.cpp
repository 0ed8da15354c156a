// The file commands through the fake host and an in-memory file system.
#include <gtest/gtest.h>

#include "support/dialog_harness.h"

namespace vesperine {
namespace {

using testing::DialogHarness;
using testing::HexBytes;

TEST(LoadBaseFile, SetsTheAreaToTheWholeFileAndShowsItFromTheTop) {
    DialogHarness h;
    h.host.Type(ids::kAreaStart, "77");  // typing no pull has taken is overwritten
    h.host.SetScrollRangeAndPos(ids::kBaseScrollBar, 0, 100, 50);
    h.LoadBase(Bytes(0x12345, 0x41), "/roms/big.bin");
    EXPECT_EQ(h.Text(ids::kBasePath), "/roms/big.bin");
    EXPECT_EQ(h.Text(ids::kAreaStart), "0");
    EXPECT_EQ(h.Text(ids::kAreaEnd), "00012345");
    EXPECT_EQ(h.host.ScrollPos(ids::kBaseScrollBar), 0);
    EXPECT_EQ(h.Text(ids::kBaseHex).substr(0, 11), "00000000 41");
    EXPECT_EQ(h.dialog.workspace().baseLength(), 0x12345u);

    h.LoadBase({}, "/roms/empty.bin");
    EXPECT_EQ(h.Text(ids::kAreaEnd), "00000000");
}

TEST(LoadBaseFile, CancellingChangesNothing) {
    DialogHarness h;
    h.LoadBase(HexBytes("01 02"));
    h.host.openAnswers.push_back(std::nullopt);
    h.dialog.LoadBaseFile();
    EXPECT_EQ(h.dialog.workspace().baseLength(), 2u);
    EXPECT_TRUE(h.host.messages.empty());
    EXPECT_EQ(h.Text(ids::kBasePath), "/roms/base.bin");
}

TEST(LoadBaseFile, RefusalsNameTheFileAndKeepThePreviousOneInUse) {
    const struct {
        ReadStatus status;
        const char* message;
        bool captioned;
    } cases[] = {
        {ReadStatus::CannotOpen, "File not found.", true},
        {ReadStatus::TooLarge, "File too large: 2 GiB or more cannot be loaded.", true},
        {ReadStatus::NoSize, "File size unknown: only regular files can be loaded.", true},
        {ReadStatus::ShortRead, "Read error.", true},
        {ReadStatus::OutOfMemory, "Out of memory.", false},
    };
    for (const auto& c : cases) {
        DialogHarness h;
        h.LoadBase(HexBytes("01 02 03"));
        h.host.Type(ids::kAreaEnd, "2");
        h.dialog.PullFromControls();
        h.files.readFailures["/roms/bad"] = c.status;
        h.host.openAnswers.push_back("/roms/bad");
        h.dialog.LoadBaseFile();
        ASSERT_EQ(h.host.messages.size(), 1u) << c.message;
        EXPECT_EQ(h.host.messages[0].text, c.message);
        EXPECT_EQ(h.host.messages[0].caption.has_value(), c.captioned);
        if (c.captioned) {
            EXPECT_EQ(*h.host.messages[0].caption, "/roms/bad");
        }
        EXPECT_EQ(testing::HexString(h.dialog.workspace().Base()), "01 02 03");
        EXPECT_EQ(h.dialog.fields().areaEnd, "2");
        EXPECT_EQ(h.dialog.fields().basePath, "/roms/bad") << "the field holds the failed path";
        EXPECT_EQ(h.Text(ids::kBasePath), "/roms/base.bin") << "while the control shows the previous one";
        h.dialog.PullFromControls();
        EXPECT_EQ(h.dialog.fields().basePath, "/roms/base.bin");
    }
}

TEST(LoadMaskFile, ChangesOnlyTheMask) {
    DialogHarness h;
    h.LoadBase(HexBytes("01 02 03"));
    h.host.SetScrollPos(ids::kBaseScrollBar, 0);
    const std::string pane = h.Text(ids::kBaseHex);
    h.LoadMask(HexBytes("FF"), "/roms/m.bin");
    EXPECT_EQ(h.Text(ids::kMaskPath), "/roms/m.bin");
    EXPECT_EQ(h.dialog.workspace().maskLength(), 1u);
    EXPECT_EQ(h.Text(ids::kAreaEnd), "00000003");
    EXPECT_EQ(h.Text(ids::kBaseHex), pane);
    EXPECT_EQ(h.Text(ids::kDumpHex), "");
}

TEST(LoadFileFromAPath, LoadsAsTheDialogWouldWithoutOpeningIt) {
    DialogHarness h;
    h.host.Type(ids::kAreaStart, "77");
    h.files.files["/roms/given.bin"] = HexBytes("41 42 43");
    h.files.files["/roms/mask.bin"] = HexBytes("FF");
    h.dialog.LoadBaseFileFrom("/roms/given.bin");
    h.dialog.LoadMaskFileFrom("/roms/mask.bin");
    EXPECT_EQ(h.host.openDialogs, 0);
    EXPECT_EQ(h.Text(ids::kBasePath), "/roms/given.bin");
    EXPECT_EQ(h.Text(ids::kMaskPath), "/roms/mask.bin");
    EXPECT_EQ(h.Text(ids::kAreaStart), "0");
    EXPECT_EQ(h.Text(ids::kAreaEnd), "00000003");
    EXPECT_EQ(h.Text(ids::kBaseHex).substr(0, 17), "00000000 41 42 43");
    EXPECT_EQ(h.dialog.workspace().maskLength(), 1u);

    h.dialog.LoadMaskFileFrom("/roms/missing.bin");
    ASSERT_EQ(h.host.messages.size(), 1u);
    EXPECT_EQ(h.host.messages[0].text, "File not found.");
    EXPECT_EQ(h.host.messages[0].caption, std::optional<std::string>("/roms/missing.bin"));
    EXPECT_EQ(h.dialog.workspace().maskLength(), 1u);
}

TEST(SaveDumpFile, WritesTheDumpOrNothingBeforeAnyAnalyze) {
    DialogHarness h;
    h.host.saveAnswers.push_back("/out/empty.bin");
    h.dialog.SaveDumpFile();
    ASSERT_TRUE(h.files.files.count("/out/empty.bin"));
    EXPECT_TRUE(h.files.files["/out/empty.bin"].empty());

    h.LoadBase(HexBytes("10 20 11 21"));
    h.ChooseStripe(1);
    h.dialog.Analyze();
    h.host.saveAnswers.push_back("/out/odd.bin");
    h.dialog.SaveDumpFile();
    EXPECT_EQ(testing::HexString(h.files.files["/out/odd.bin"]), "10 11");
    EXPECT_TRUE(h.host.messages.empty());
}

TEST(SaveDumpFile, AFailedWriteIsReportedWithThePath) {
    for (const WriteStatus status : {WriteStatus::CannotOpen, WriteStatus::Failed}) {
        DialogHarness h;
        h.files.writeFailures["/full/disk.bin"] = status;
        h.host.saveAnswers.push_back("/full/disk.bin");
        h.dialog.SaveDumpFile();
        ASSERT_EQ(h.host.messages.size(), 1u);
        EXPECT_EQ(h.host.messages[0].text, "Write error.");
        EXPECT_EQ(h.host.messages[0].caption, std::optional<std::string>("/full/disk.bin"));
    }
    DialogHarness cancelled;
    cancelled.dialog.SaveDumpFile();
    EXPECT_EQ(cancelled.files.writes, 0);
    EXPECT_TRUE(cancelled.host.messages.empty());
}

TEST(SaveDetectedWindow, WritesExactlyTheWindow) {
    DialogHarness h;
    Bytes base(0x20);
    for (std::size_t i = 0; i < base.size(); ++i) base[i] = static_cast<std::uint8_t>(i);
    h.LoadBase(base);
    h.dialog.Analyze();
    h.host.saveAnswers.push_back("/out/window.bin");
    h.dialog.SaveDetectedWindow(0x10, 4);
    EXPECT_EQ(testing::HexString(h.files.files["/out/window.bin"]), "10 11 12 13");
    h.host.saveAnswers.push_back("/out/clipped.bin");
    h.dialog.SaveDetectedWindow(0x1E, 8);
    EXPECT_EQ(testing::HexString(h.files.files["/out/clipped.bin"]), "1E 1F") << "never past the bytes held";
}

}  // namespace
}  // namespace vesperine
