// The dump transforms: the byte operations alone, then QuickExor, EndianConvert and SwapHalves
// through the fake host.
#include "analysis/transforms.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <functional>
#include <random>

#include "support/dialog_harness.h"
#include "support/test_bytes.h"

namespace vesperine {
namespace {

using testing::DialogHarness;
using testing::HexBytes;
using testing::HexString;

using Transform = std::function<void(std::span<std::uint8_t>)>;

std::string Applied(const Transform& transform, const std::string& bytes) {
    Bytes buffer = HexBytes(bytes);
    transform(buffer);
    return HexString(buffer);
}

TEST(Transforms, ByteExamples) {
    const Transform xorFF = [](std::span<std::uint8_t> b) { XorEachByte(b, 0xFF); };
    const struct {
        const char* name;
        Transform transform;
        const char* before;
        const char* after;
    } cases[] = {
        {"xor FF", xorFF, "00 0F 5A F0 FF", "FF F0 A5 0F 00"},
        {"xor FF", xorFF, "", ""},
        {"16bit", SwapBytePairs, "01 02 03 04", "02 01 04 03"},
        {"16bit", SwapBytePairs, "01 02 03", "02 01 03"},
        {"16bit", SwapBytePairs, "01", "01"},
        {"16bit", SwapBytePairs, "", ""},
        {"32bit", ReverseByteQuads, "01 02 03 04 05 06 07 08", "04 03 02 01 08 07 06 05"},
        {"32bit", ReverseByteQuads, "01 02 03 04 05", "04 03 02 01 05"},
        {"32bit", ReverseByteQuads, "01 02 03 04 05 06 07", "04 03 02 01 05 06 07"},
        {"32bit", ReverseByteQuads, "01 02 03", "01 02 03"},
        {"32bit", ReverseByteQuads, "", ""},
        {"halves", ExchangeHalves, "01 02 03 04 05 06", "04 05 06 01 02 03"},
        {"halves", ExchangeHalves, "01 02 03 04 05", "03 04 01 02 05"},
        {"halves", ExchangeHalves, "01 02", "02 01"},
        {"halves", ExchangeHalves, "01", "01"},
        {"halves", ExchangeHalves, "", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(Applied(c.transform, c.before), c.after) << c.name << " on " << c.before;
}

// Byte-at-a-time versions written straight from the definitions, against which the block-wise
// code is checked on sizes around its block boundaries.
void NaiveSwapPairs(Bytes& b) {
    for (std::size_t i = 0; i + 1 < b.size(); i += 2) std::swap(b[i], b[i + 1]);
}
void NaiveReverseQuads(Bytes& b) {
    for (std::size_t i = 0; i + 3 < b.size(); i += 4) std::reverse(b.begin() + i, b.begin() + i + 4);
}
void NaiveExchangeHalves(Bytes& b) {
    const std::size_t half = b.size() / 2;
    Bytes result(b.begin() + half, b.begin() + 2 * half);
    result.insert(result.end(), b.begin(), b.begin() + half);
    if (b.size() % 2 == 1) result.push_back(b.back());
    b = result;
}
void NaiveXor5A(Bytes& b) {
    for (auto& x : b) x ^= 0x5A;
}

TEST(Transforms, LongDumpsMatchByteAtATimeAndStayInsideTheirBytes) {
    const struct {
        const char* name;
        Transform fast;
        std::function<void(Bytes&)> naive;
    } transforms[] = {
        {"16bit", SwapBytePairs, NaiveSwapPairs},
        {"32bit", ReverseByteQuads, NaiveReverseQuads},
        {"halves", ExchangeHalves, NaiveExchangeHalves},
        {"xor", [](std::span<std::uint8_t> b) { XorEachByte(b, 0x5A); }, NaiveXor5A},
    };
    std::mt19937 random(11);
    constexpr std::size_t kGuard = 16;
    for (const auto& t : transforms) {
        for (const std::size_t size : {63u, 64u, 65u, 127u, 128u, 129u, 130u, 131u, 257u, 1000u, 65539u}) {
            // The span starts at an odd address, with guard bytes either side that must not change.
            Bytes held(size + 2 * kGuard + 1);
            for (auto& b : held) b = static_cast<std::uint8_t>(random());
            const Bytes before = held;
            const std::span<std::uint8_t> dump(held.data() + kGuard + 1, size);
            Bytes expected(dump.begin(), dump.end());
            t.naive(expected);

            t.fast(dump);
            EXPECT_TRUE(std::equal(dump.begin(), dump.end(), expected.begin())) << t.name << " size " << size;
            EXPECT_TRUE(std::equal(held.begin(), held.begin() + kGuard + 1, before.begin()))
                << t.name << " size " << size;
            EXPECT_TRUE(std::equal(held.end() - kGuard, held.end(), before.end() - kGuard))
                << t.name << " size " << size;

            // Each is its own inverse, for whole and incomplete final groups alike.
            t.fast(dump);
            EXPECT_EQ(held, before) << t.name << " twice, size " << size;
        }
    }
}

// A dialog holding the dump of a whole base file, with helpers for the transform commands.
struct TransformHarness : DialogHarness {
    explicit TransformHarness(const std::string& base) {
        LoadBase(HexBytes(base));
        dialog.Analyze();
    }
    explicit TransformHarness(const Bytes& base) {
        LoadBase(base);
        dialog.Analyze();
    }
    TransformHarness() = default;

    void ChooseEndian(int mode) { host.CheckRadio(ids::kEndian16, ids::kEndian32, mode); }
    [[nodiscard]] std::string LastLogLine() const {
        const std::string log = Text(ids::kMemo);
        const auto at = log.rfind("\r\n");
        return at == std::string::npos ? log : log.substr(at + 2);
    }
    // The CRC of the bytes Save DumpFile writes now, by zlib.
    [[nodiscard]] std::string SavedDumpCrc() {
        host.saveAnswers.push_back("/out/dump.bin");
        dialog.SaveDumpFile();
        const Bytes& saved = files.files.at("/out/dump.bin");
        return testing::ZlibCrcText(saved);
    }
};

TEST(QuickExor, UsesTheLowByteOfTheValue) {
    const struct {
        const char* value;
        const char* dump;
    } cases[] = {
        {"FF", "FF A5 00 7E"},  {"1FF", "FF A5 00 7E"}, {"FFFFFFFF", "FF A5 00 7E"},
        {"100", "00 5A FF 81"}, {"", "00 5A FF 81"},    {"0x3", "03 59 FC 82"},
    };
    for (const auto& c : cases) {
        TransformHarness h("00 5A FF 81");
        h.host.Type(ids::kQuickExorText, c.value);
        h.dialog.QuickExor();
        EXPECT_EQ(h.HeldDump(), c.dump) << c.value;
        // The pane shows the changed bytes at once.
        EXPECT_EQ(h.Text(ids::kDumpHex).substr(8, 12), " " + std::string(c.dump)) << c.value;

        h.dialog.QuickExor();
        EXPECT_EQ(h.HeldDump(), "00 5A FF 81") << c.value << " twice";
    }
}

TEST(QuickExor, LeavesCrcTextAndLogAlone) {
    TransformHarness h("31 32 33 34 35 36 37 38 39");
    const std::string log = h.Text(ids::kMemo);
    h.host.Type(ids::kQuickExorText, "FF");
    h.dialog.QuickExor();
    EXPECT_EQ(h.Text(ids::kDumpCrc), "CBF43926");
    EXPECT_EQ(h.Text(ids::kMemo), log);
}

TEST(EndianConvert, ConvertsByModeAndLogsTheNewCrc) {
    const struct {
        int mode;
        const char* before;
        const char* after;
        const char* logPrefix;
    } cases[] = {
        {0, "01 02 03 04", "02 01 04 03", "16Bit EndianConv CRC:"},
        {1, "01 02 03 04 05 06 07 08", "04 03 02 01 08 07 06 05", "32Bit EndianConv CRC:"},
        {0, "01 02 03", "02 01 03", "16Bit EndianConv CRC:"},
        {1, "01 02 03 04 05 06", "04 03 02 01 05 06", "32Bit EndianConv CRC:"},
    };
    for (const auto& c : cases) {
        TransformHarness h(c.before);
        h.ChooseEndian(c.mode);
        h.dialog.EndianConvert();
        EXPECT_EQ(h.HeldDump(), c.after) << c.before;
        EXPECT_EQ(h.Text(ids::kDumpCrc), h.SavedDumpCrc()) << c.before;
        EXPECT_EQ(h.LastLogLine(), c.logPrefix + h.Text(ids::kDumpCrc)) << c.before;
    }
}

TEST(EndianConvert, TwiceInTheSameModeRestoresTheDump) {
    for (const int mode : {0, 1}) {
        TransformHarness h("10 11 12 13 14 15 16 17");
        h.ChooseEndian(mode);
        h.dialog.EndianConvert();
        h.dialog.EndianConvert();
        EXPECT_EQ(h.HeldDump(), "10 11 12 13 14 15 16 17") << mode;
        EXPECT_EQ(h.Text(ids::kDumpCrc), h.SavedDumpCrc());
    }
}

TEST(SwapHalves, ExchangesHalvesAndLogsTheNewCrc) {
    const struct {
        const char* before;
        const char* after;
    } cases[] = {
        {"01 02 03 04 05 06", "04 05 06 01 02 03"},
        {"01 02 03 04 05", "03 04 01 02 05"},
        {"01", "01"},
    };
    for (const auto& c : cases) {
        TransformHarness h(c.before);
        h.dialog.SwapHalves();
        EXPECT_EQ(h.HeldDump(), c.after) << c.before;
        EXPECT_EQ(h.Text(ids::kDumpCrc), h.SavedDumpCrc()) << c.before;
        EXPECT_EQ(h.LastLogLine(), "Swap 1stHalf & 2ndHalf CRC:" + h.Text(ids::kDumpCrc)) << c.before;
        h.dialog.SwapHalves();
        EXPECT_EQ(h.HeldDump(), c.before) << c.before << " twice";
    }
}

TEST(SwapHalves, PutsBackWhatWasTypedSinceTheLastPull) {
    TransformHarness h("01 02 03 04");
    h.host.Type(ids::kQuickExorText, "FF");
    h.host.Type(ids::kDumpJumpText, "100");
    h.dialog.SwapHalves();
    EXPECT_EQ(h.Text(ids::kQuickExorText), "");
    EXPECT_EQ(h.Text(ids::kDumpJumpText), "");
}

TEST(Transforms, WithoutADumpChangeNothingButStillLogTheEmptyCrc) {
    TransformHarness h;
    h.host.Type(ids::kQuickExorText, "FF");
    h.dialog.QuickExor();
    EXPECT_EQ(h.Text(ids::kMemo), "");
    EXPECT_EQ(h.Text(ids::kDumpCrc), "");

    h.dialog.EndianConvert();
    EXPECT_EQ(h.Text(ids::kDumpCrc), "00000000");
    EXPECT_EQ(h.LastLogLine(), "16Bit EndianConv CRC:00000000");

    h.dialog.SwapHalves();
    EXPECT_EQ(h.Text(ids::kDumpCrc), "00000000");
    EXPECT_EQ(h.LastLogLine(), "Swap 1stHalf & 2ndHalf CRC:00000000");
    EXPECT_EQ(h.dialog.workspace().dumpLength(), 0u);
}

TEST(Transforms, KeepSizeTextAndTheDumpPanesRows) {
    Bytes base(0x1000);
    for (std::size_t i = 0; i < base.size(); ++i) base[i] = static_cast<std::uint8_t>(i);
    TransformHarness h(base);
    const std::string size = h.Text(ids::kDumpSize);
    h.host.SetScrollPos(ids::kDumpScrollBar, 5);
    const std::function<void()> commands[] = {
        [&] { h.dialog.QuickExor(); },
        [&] { h.dialog.EndianConvert(); },
        [&] { h.dialog.SwapHalves(); },
    };
    h.host.Type(ids::kQuickExorText, "FF");
    for (const auto& command : commands) {
        command();
        EXPECT_EQ(h.Text(ids::kDumpSize), size);
        EXPECT_EQ(h.host.ScrollPos(ids::kDumpScrollBar), 5);
        EXPECT_EQ(h.Text(ids::kDumpHex).substr(0, 8), "00000050");
        EXPECT_EQ(h.dialog.workspace().dumpLength(), 0x1000u);
    }
    // The base file is never touched.
    EXPECT_TRUE(std::ranges::equal(h.dialog.workspace().Base(), base));
}

}  // namespace
}  // namespace vesperine
