// Area extraction, striping, masking and Analyze through the fake host.
#include "analysis/extract.h"

#include <gtest/gtest.h>

#include "support/dialog_harness.h"

namespace vesperine {
namespace {

using testing::DialogHarness;
using testing::HexBytes;
using testing::HexString;

struct AnalyzeHarness : DialogHarness {
    void Run(const std::string& start, const std::string& end, int stripe = 0, int mask = 0) {
        TypeArea(start, end);
        ChooseStripe(stripe);
        ChooseMask(mask);
        dialog.Analyze();
    }
    [[nodiscard]] std::string LastLogLine() const {
        const std::string log = Text(ids::kMemo);
        const auto at = log.rfind("\r\n");
        return at == std::string::npos ? log : log.substr(at + 2);
    }
};

TEST(Analyze, StripesCutWholeOddAndEvenBytes) {
    const struct {
        const char* base;
        const char* start;
        const char* end;
        int stripe;
        const char* dump;
    } cases[] = {
        {"10 20 11 21 12 22 13 23", "0", "8", 0, "10 20 11 21 12 22 13 23"},
        {"10 20 11 21 12 22 13 23", "0", "8", 1, "10 11 12 13"},
        {"10 20 11 21 12 22 13 23", "0", "8", 2, "20 21 22 23"},
        {"A0 A1 A2 A3 A4", "0", "5", 1, "A0 A2"},
        {"A0 A1 A2 A3 A4", "0", "5", 2, "A1 A3"},
        {"A0 A1 A2 A3 A4", "1", "5", 1, "A1 A3"},
        {"A0 A1 A2 A3 A4", "", "3", 0, "A0 A1 A2"},
        {"A0 A1 A2 A3 A4", "2", "4", 7, "A2 A3"},  // an unknown stripe cuts whole
    };
    for (const auto& c : cases) {
        AnalyzeHarness h;
        h.LoadBase(HexBytes(c.base));
        h.Run(c.start, c.end, c.stripe);
        EXPECT_EQ(h.HeldDump(), c.dump) << c.base << " stripe " << c.stripe;
    }
}

TEST(Analyze, ShowsSizeAndCrcAndLogsTheArea) {
    AnalyzeHarness h;
    h.LoadBase(HexBytes("00 31 32 33 34 35 36 37 38 39"));
    h.Run("1", "A");
    EXPECT_EQ(h.Text(ids::kDumpCrc), "CBF43926");
    EXPECT_EQ(h.Text(ids::kDumpSize), "9 bytes (0x00000009)");
    EXPECT_EQ(h.LastLogLine(), "[AN] Addr:00000001 Size:00000009 CRC:CBF43926");
    EXPECT_EQ(h.dialog.workspace().dumpLength(), 9u);

    h.Run("0", "A", 1);
    EXPECT_EQ(h.LastLogLine().substr(0, 33), "[AN] Addr:00000000 Size:00000005 ");
}

// Analyze of the whole base, Full and unmasked, shares the base's block instead of copying it;
// whatever changes either afterwards (a transform, another extract, another base) must leave
// the other as it was.
TEST(Analyze, AWholeBaseDumpIsTheBaseUntilEitherChanges) {
    AnalyzeHarness h;
    h.LoadBase(HexBytes("10 20 30 40"));
    h.Run("0", "4");
    EXPECT_EQ(h.dialog.workspace().Dump().data(), h.dialog.workspace().Base().data()) << "no copy";
    EXPECT_EQ(h.Text(ids::kDumpCrc), "E08AB900");
    h.host.Type(ids::kQuickExorText, "FF");
    h.dialog.QuickExor();
    EXPECT_EQ(h.HeldDump(), "EF DF CF BF");
    EXPECT_EQ(HexString(h.dialog.workspace().Base()), "10 20 30 40");

    h.Run("0", "4");
    h.Run("1", "4", 1);  // a new extract while the dump is the base
    EXPECT_EQ(h.HeldDump(), "20");
    EXPECT_EQ(HexString(h.dialog.workspace().Base()), "10 20 30 40");

    h.Run("0", "4");
    h.LoadBase(HexBytes("55 66"));
    EXPECT_EQ(h.HeldDump(), "10 20 30 40") << "the dump keeps the base it was cut from";
}

TEST(Analyze, EmptyAreaGivesAnEmptyDumpWhateverItsStart) {
    AnalyzeHarness h;
    h.LoadBase(HexBytes("01 02"));
    h.Run("40", "40");
    EXPECT_EQ(h.Text(ids::kDumpSize), "0 bytes (0x00000000)");
    EXPECT_EQ(h.Text(ids::kDumpCrc), "00000000");
    EXPECT_EQ(h.LastLogLine(), "[AN] Addr:00000040 Size:00000000 CRC:00000000");
    EXPECT_TRUE(h.host.messages.empty());
}

TEST(Analyze, EmptyAreaEndDoesNothingAtAll) {
    AnalyzeHarness h;
    h.dialog.Analyze();
    EXPECT_TRUE(h.host.messages.empty());
    EXPECT_EQ(h.Text(ids::kMemo), "");
    EXPECT_EQ(h.Text(ids::kDumpHex), "");
}

TEST(Analyze, ExorRepeatsTheMaskFromTheFirstDumpByte) {
    const struct {
        const char* base;
        const char* mask;
        int stripe;
        const char* dump;
    } cases[] = {
        {"00 01 02 03", "FF", 0, "FF FE FD FC"},
        {"00 01 02 03", "10 20 30 40", 0, "10 21 32 43"},
        {"00 00 00 00 00 00 00", "01 02 03", 0, "01 02 03 01 02 03 01"},
        {"00 00 00 00 00 00 00", "01 02 03 04 05 06 07 08 09", 0, "01 02 03 04 05 06 07"},
        {"AA 0F AA 1F AA 2F", "01 02", 2, "0E 1D 2E"},  // Even: dump byte 0 meets mask byte 0
    };
    for (const auto& c : cases) {
        AnalyzeHarness h;
        h.LoadBase(HexBytes(c.base));
        h.LoadMask(HexBytes(c.mask));
        h.Run("0", h.Text(ids::kAreaEnd), c.stripe, 1);
        EXPECT_EQ(h.HeldDump(), c.dump) << c.base << " ^ " << c.mask;
    }
}

TEST(Analyze, ReplaceSubstitutesThroughTheMaskTable) {
    Bytes identity(256), inverse(256);
    for (int k = 0; k < 256; ++k) {
        identity[k] = static_cast<std::uint8_t>(k);
        inverse[k] = static_cast<std::uint8_t>(255 - k);
    }
    AnalyzeHarness h;
    h.LoadBase(HexBytes("00 7F 80 FF 12"));
    h.LoadMask(identity);
    h.Run("0", "5", 0, 2);
    EXPECT_EQ(h.HeldDump(), "00 7F 80 FF 12");
    h.LoadMask(inverse);
    h.Run("0", "5", 0, 2);
    EXPECT_EQ(h.HeldDump(), "FF 80 7F 00 ED");
    // A short table replaces the values it has entries for and leaves the others as they are.
    h.LoadMask(HexBytes("AA BB"));
    h.LoadBase(HexBytes("00 01 02 FF"));
    h.Run("0", "4", 0, 2);
    EXPECT_EQ(h.HeldDump(), "AA BB 02 FF");
}

TEST(Analyze, MaskModesWithoutAMaskAreRefusedAndChangeNothing) {
    for (const int mode : {1, 2}) {
        AnalyzeHarness h;
        h.LoadBase(HexBytes("01 02 03 04"));
        h.Run("0", "2");
        const std::string log = h.Text(ids::kMemo);
        h.Run("1", "1", 0, mode);  // an empty area too
        ASSERT_EQ(h.host.MessageTexts(), std::vector<std::string>{"MASK data is nothing."});
        EXPECT_FALSE(h.host.messages[0].caption.has_value());
        EXPECT_EQ(h.Text(ids::kMemo), log);
        EXPECT_EQ(h.Text(ids::kDumpSize), "2 bytes (0x00000002)");
        EXPECT_EQ(h.HeldDump(), "01 02") << "the dump shown stays the dump held";
    }
    AnalyzeHarness h;
    h.LoadBase(HexBytes("01 02"));
    h.Run("0", "2", 0, 0);
    EXPECT_TRUE(h.host.messages.empty()) << "Nothing needs no mask";
}

TEST(Analyze, AreasOutsideTheBaseFileAreRefusedBeforeAnythingIsRead) {
    const struct {
        const char* start;
        const char* end;
    } cases[] = {{"0", "5"}, {"3", "2"}, {"FFFFFFFF", "1"}, {"2", "FFFFFFFF"}, {"5", "6"}};
    for (const auto& c : cases) {
        AnalyzeHarness h;
        h.LoadBase(HexBytes("01 02 03 04"));
        h.Run("0", "4");
        h.Run(c.start, c.end, 1);
        ASSERT_EQ(h.host.MessageTexts(), std::vector<std::string>{"Target area is outside the base file."})
            << c.start << ".." << c.end;
        EXPECT_EQ(h.HeldDump(), "01 02 03 04");
        EXPECT_EQ(h.dialog.workspace().dumpLength(), 4u);
    }
    AnalyzeHarness none;
    none.TypeArea("0", "10");
    none.dialog.Analyze();
    EXPECT_EQ(none.host.MessageTexts(), std::vector<std::string>{"Target area is outside the base file."})
        << "a non-empty area with no base file loaded";
}

TEST(Analyze, ShowsTheNewDumpFromItsFirstRow) {
    AnalyzeHarness h;
    h.LoadBase(Bytes(0x2000, 0x5A));
    h.Run("0", "2000");
    h.host.SetScrollPos(ids::kDumpScrollBar, 100);
    h.Run("10", "2000");
    EXPECT_EQ(h.host.ScrollPos(ids::kDumpScrollBar), 0);
    EXPECT_EQ(h.host.bars[ids::kDumpScrollBar].maximum, static_cast<int>(0x1FF0 / 16 - 15));
    EXPECT_EQ(h.Text(ids::kDumpHex).substr(0, 8), "00000000") << "dump offsets count from the first dump byte";
}

TEST(Analyze, RepeatedAnalyzeGivesIdenticalLines) {
    AnalyzeHarness h;
    h.LoadBase(HexBytes("01 02 03"));
    h.Run("0", "3");
    h.dialog.Analyze();
    EXPECT_EQ(h.Text(ids::kMemo),
              "[AN] Addr:00000000 Size:00000003 CRC:55BC801D\r\n"
              "[AN] Addr:00000000 Size:00000003 CRC:55BC801D");
}

TEST(CheckArea, EmptyAreasPassAnywhereAndLengthsHalve) {
    EXPECT_EQ(CheckArea({9, 9, StripeMode::Full, MaskMode::Nothing}, 0, 0), AreaCheck::Ok);
    EXPECT_EQ(CheckArea({0, 1, StripeMode::Full, MaskMode::Nothing}, 0, 0), AreaCheck::OutsideBase);
    EXPECT_EQ(CheckArea({0, 4, StripeMode::Full, MaskMode::Exor}, 4, 0), AreaCheck::NoMask);
    EXPECT_EQ(DumpLengthOf({1, 6, StripeMode::Odd, MaskMode::Nothing}), 2u);
    EXPECT_EQ(DumpLengthOf({1, 6, StripeMode::Full, MaskMode::Nothing}), 5u);
}

}  // namespace
}  // namespace vesperine
