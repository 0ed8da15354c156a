// The diagnosis of faulty dumps built from real-looking images: each fault found, nothing false.
#include "diagnosis/diagnose.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "dump_maker.h"

namespace vesperine::diagnosis {
namespace {

using namespace testing;

constexpr std::size_t k128K = 0x20000;

std::vector<const Finding*> Serious(const Diagnosis& d) {
    std::vector<const Finding*> out;
    for (const Finding& f : d.findings) {
        if (f.severity != Severity::Info) out.push_back(&f);
    }
    return out;
}

std::string Dump(const Diagnosis& d) {
    std::string text;
    for (const Finding& f : d.findings) text += "[" + f.scope + "] " + f.text + "\n";
    return text;
}

Image Base(const std::string& kind) {
    if (kind == "random") return RandomImage(k128K);
    if (kind == "text") return TextImage(k128K);
    return CodeImage(k128K);
}

// One fault, and the one serious finding it must give: its kind, scope, line and text.
struct FaultCase {
    const char* base;
    const char* fault;
    Image (*make)(const Image&);
    FindingKind kind;
    const char* scope;
    int line;
    const char* text;
};

const FaultCase kFaults[] = {
    {"random", "D3 high", [](const Image& b) { return StickDataLine(b, 3, true); }, FindingKind::DataLine, "", 3,
     "D3 stuck at 1: data line 3 is always high (open pin or shorted to VCC)"},
    {"code", "D0 low", [](const Image& b) { return StickDataLine(b, 0, false); }, FindingKind::DataLine, "", 0,
     "D0 stuck at 0: data line 0 is always low (shorted to GND, or a dead output)"},
    {"text", "D5 high", [](const Image& b) { return StickDataLine(b, 5, true); }, FindingKind::DataLine, "", 5,
     "D5 stuck at 1: data line 5 is always high (open pin or shorted to VCC)"},
    {"random", "A5 tied", [](const Image& b) { return TieAddressLine(b, 5); }, FindingKind::AddressLine, "", 5,
     "A5 has no effect: address line open or shorted (every byte equals the byte 0x20 away)"},
    {"code", "A0 tied", [](const Image& b) { return TieAddressLine(b, 0); }, FindingKind::AddressLine, "", 0,
     "A0 has no effect: address line open or shorted (every byte equals the byte 0x01 away)"},
    {"text", "A11 tied", [](const Image& b) { return TieAddressLine(b, 11); }, FindingKind::AddressLine, "", 11,
     "A11 has no effect: address line open or shorted (every byte equals the byte 0x800 away)"},
    {"code", "A16 tied", [](const Image& b) { return TieAddressLine(b, 16); }, FindingKind::Overdump, "", 16,
     "A16 has no effect: the two halves are identical (overdump, or a chip half the size)"},
    {"random", "even lane 00", [](const Image& b) { return BlankLane(b, 1, 0x00); }, FindingKind::ByteLane, "", -1,
     "even byte lane (offsets 1, 3, 5 ...) is all 00: an unused lane of a 16-bit board, or that chip was not read"},
    {"code", "odd lane FF in upper half", [](const Image& b) { return BlankLane(b, 0, 0xFF, 0x10000); },
     FindingKind::ByteLane, "", -1,
     "odd byte lane (offsets 0, 2, 4 ...) is all FF in upper half (A16 = 1): an unused lane of a 16-bit board, or "
     "that chip was not read"},
    {"random", "odd lane's D6 high",
     [](const Image& b) {
         Image out = b;
         for (std::size_t i = 0; i < out.size(); i += 2) out[i] |= 0x40;
         return out;
     },
     FindingKind::DataLine, "odd lane", 6, "D6 stuck at 1: data line 6 is always high (open pin or shorted to VCC)"},
    {"code", "even lane's A3 tied",
     [](const Image& b) {
         // The even chip's A3 is offset bit 4 of the file, in its bytes only.
         Image out = b;
         for (std::size_t i = 1; i < out.size(); i += 2) out[i] = b[i & ~std::size_t{0x10}];
         return out;
     },
     FindingKind::AddressLine, "even lane", 3,
     "A3 has no effect: address line open or shorted (every byte equals the byte 0x08 away)"},
    {"random", "read 4 times", [](const Image& b) { return Repeat(Image(b.begin(), b.begin() + 0x8000), 4); },
     FindingKind::Overdump, "", 15,
     "overdump: the image is 0x08000 bytes, repeated 4 times (A15 and A16 have no effect)"},
    {"text", "read 3 times", [](const Image& b) { return Repeat(Image(b.begin(), b.begin() + 0x6000), 3); },
     FindingKind::Overdump, "", -1, "overdump: the image is 0x06000 bytes, repeated 3 times"},
};

TEST(DiagnoseTest, FindsEachFaultAndNothingElseSerious) {
    for (const FaultCase& c : kFaults) {
        const Image dump = c.make(Base(c.base));
        const Diagnosis d = Diagnose(dump, {});
        const auto serious = Serious(d);
        ASSERT_EQ(serious.size(), 1u) << c.base << " / " << c.fault << "\n" << Dump(d);
        EXPECT_EQ(serious[0]->kind, c.kind) << c.fault;
        EXPECT_EQ(serious[0]->scope, c.scope) << c.fault;
        EXPECT_EQ(serious[0]->line, c.line) << c.fault;
        EXPECT_EQ(serious[0]->text, c.text) << c.fault;
        EXPECT_TRUE(d.NeedsAttention());
    }
}

TEST(DiagnoseTest, CleanRandomDumpsOfManyLengthsGiveNoFinding) {
    for (const std::size_t length : {32, 33, 64, 1000, 4096, 39936, 0x20000}) {
        for (std::uint64_t seed = 1; seed <= 3; ++seed) {
            const Diagnosis d = Diagnose(RandomImage(length, seed), {});
            EXPECT_TRUE(d.findings.empty()) << length << "\n" << Dump(d);
            const Diagnosis wide = Diagnose(RandomImage(length / 2 * 2, seed), {2, false});
            EXPECT_TRUE(wide.findings.empty()) << length << "\n" << Dump(wide);
        }
    }
}

TEST(DiagnoseTest, SevenBitTextIsNotAStuckLine) {
    const Diagnosis d = Diagnose(TextImage(8192), {});
    EXPECT_FALSE(d.NeedsAttention()) << Dump(d);
    ASSERT_FALSE(d.findings.empty());
    EXPECT_EQ(d.findings[0].text, "D7 always 0: every byte is 7-bit text (or data line 7 is stuck low)");
}

TEST(DiagnoseTest, BlankAndConstantDumpsSayOnlyThat) {
    const struct {
        std::uint8_t value;
        FindingKind kind;
        const char* text;
    } cases[] = {
        {0xFF, FindingKind::Blank, "blank: every byte is FF (erased or unread chip)"},
        {0x00, FindingKind::Blank, "blank: every byte is 00 (no chip, or a chip that does not drive the data lines)"},
        {0x5A, FindingKind::Constant, "constant: every byte is 5A (the chip does not answer, or is not selected)"},
    };
    for (const auto& c : cases) {
        const Diagnosis d = Diagnose(Image(0x8000, c.value), {});
        ASSERT_EQ(d.findings.size(), 1u) << Dump(d);
        EXPECT_EQ(d.findings[0].kind, c.kind);
        EXPECT_EQ(d.findings[0].text, c.text);
        EXPECT_EQ(d.findings[0].severity, Severity::Fault);
    }
}

TEST(DiagnoseTest, FillsAreDescribedByTheirAddressBits) {
    Image dump = CodeImage(0x40000);
    std::fill(dump.begin() + 0x20000, dump.end(), 0xFF);
    std::fill(dump.begin() + 0x08000, dump.begin() + 0x10000, 0x00);
    const Diagnosis d = Diagnose(dump, {});
    EXPECT_FALSE(d.NeedsAttention()) << Dump(d);
    ASSERT_EQ(d.findings.size(), 2u) << Dump(d);
    EXPECT_EQ(d.findings[0].text, "upper half (A17 = 1) is all FF: unused (erased)");
    EXPECT_EQ(d.findings[1].text,
              "0x08000-0x0FFFF (A17 = 0, A16 = 0, A15 = 1) is all 00: unused, or filled with zeros");
}

TEST(DiagnoseTest, WidthTwoNamesSixteenDataLinesAndWordAddressLines) {
    Image dump = RandomImage(0x10000);
    for (std::size_t i = 1; i < dump.size(); i += 2) dump[i] |= 0x04;  // D10: bit 2 of the high byte
    dump = TieAddressLine(dump, 4);                                    // word line A3
    const Diagnosis d = Diagnose(dump, {2, false});
    const auto serious = Serious(d);
    ASSERT_EQ(serious.size(), 2u) << Dump(d);
    EXPECT_EQ(serious[0]->text,
              "A3 has no effect: address line open or shorted (every byte equals the byte 0x10 away)");
    EXPECT_EQ(serious[1]->text, "D10 stuck at 1: data line 10 is always high (open pin or shorted to VCC)");
}

TEST(DiagnoseTest, WidthTwoExplainsAnEmptyLaneOnceNotAsEightStuckLines) {
    const Diagnosis d = Diagnose(BlankLane(RandomImage(0x8000), 1, 0xFF), {2, false});
    ASSERT_EQ(d.findings.size(), 1u) << Dump(d);
    EXPECT_EQ(d.findings[0].kind, FindingKind::ByteLane);
    EXPECT_NE(d.findings[0].text.find("D8-D15"), std::string::npos);
}

TEST(DiagnoseTest, WholeOnlyLeavesOutTheLanes) {
    Image dump = RandomImage(0x8000);
    for (std::size_t i = 0; i < dump.size(); i += 2) dump[i] &= 0xFE;
    EXPECT_EQ(Serious(Diagnose(dump, {})).size(), 1u);
    EXPECT_TRUE(Diagnose(dump, {1, true}).findings.empty());
}

TEST(DiagnoseTest, MostSeriousFirst) {
    Image dump = StickDataLine(RandomImage(0x10000), 2, true);
    std::fill(dump.begin(), dump.begin() + 0x8000, 0xFF);
    dump = BlankLane(dump, 1, 0x00, 0x8000);
    const Diagnosis d = Diagnose(dump, {});
    ASSERT_GE(d.findings.size(), 3u) << Dump(d);
    EXPECT_TRUE(std::is_sorted(d.findings.begin(), d.findings.end(),
                               [](const Finding& a, const Finding& b) { return a.severity < b.severity; }));
    EXPECT_EQ(d.findings.back().severity, Severity::Info);
}

TEST(DiagnoseTest, TooShortToJudgeIsSaid) {
    for (const Image& dump : {Image{0x12, 0x34, 0x56}, Image{0xFF}, Image(30, 0x00)}) {
        const unsigned width = dump.size() == 30 ? 2 : 1;
        const Diagnosis d = Diagnose(dump, {width, false});
        ASSERT_EQ(d.findings.size(), 1u) << Dump(d);
        EXPECT_EQ(d.findings[0].kind, FindingKind::TooShort);
        EXPECT_FALSE(d.NeedsAttention());
    }
}

// The real BIOS images of this machine: no fault, and their zero fills told as fills.
TEST(DiagnoseTest, RealRomImagesHaveNoFault) {
    int found = 0;
    for (const char* name : {"bios.bin", "bios-256k.bin", "vgabios-stdvga.bin", "vgabios-cirrus.bin"}) {
        const auto rom = SystemRom(name);
        if (!rom) continue;
        ++found;
        for (const unsigned width : {1u, 2u}) {
            const Diagnosis d = Diagnose(*rom, {width, false});
            EXPECT_FALSE(d.NeedsAttention()) << name << "\n" << Dump(d);
            for (const Finding& f : d.findings) EXPECT_EQ(f.kind, FindingKind::Fill) << name << " " << f.text;
        }
        // A real image with a fault put in it.
        const Diagnosis stuck = Diagnose(StickDataLine(*rom, 4, false), {});
        ASSERT_EQ(Serious(stuck).size(), 1u) << name << "\n" << Dump(stuck);
        EXPECT_EQ(Serious(stuck)[0]->line, 4);
    }
    if (found == 0) GTEST_SKIP() << "no ROM images in /usr/share/seabios";
}

}  // namespace
}  // namespace vesperine::diagnosis
