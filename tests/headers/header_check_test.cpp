// Header checksums: images built here with planted headers, their sums from short formulas of their own.
#include "headers/header_check.h"
#include "base/crc32.h"
#include "support/poll_probe.h"
#include "support/test_bytes.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>

namespace vesperine::headers {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Random(std::size_t size, unsigned seed) { return vesperine::testing::RandomBytes(size, seed); }

void Put(Bytes& b, std::size_t at, std::initializer_list<std::uint8_t> bytes) {
    for (const std::uint8_t x : bytes) b[at++] = x;
}

std::uint32_t Sum(const Bytes& b) {
    std::uint32_t s = 0;
    for (const std::uint8_t x : b) s += x;
    return s;
}

// An SNES image: a header at base, its checksum over the picture the console sees (the part above
// the largest power of two copied until it fills as much again), planted with its complement.
Bytes Snes(std::size_t size, std::size_t base, std::uint8_t map) {
    Bytes b = Random(size, 1);
    Put(b, base, {'V', 'E', 'S', 'P', 'E', 'R', 'I', 'N', 'E', ' ', 'T',  'E',
                  'S', 'T', ' ', ' ', ' ', ' ', ' ', ' ', ' ', map, 0x00, 0x0A});
    Put(b, base + 0x1C, {0xFF, 0xFF, 0x00, 0x00});
    std::size_t p = 1;
    while (p * 2 <= size) p *= 2;
    Bytes picture(b.begin(), b.begin() + static_cast<std::ptrdiff_t>(p));
    while (size > p && picture.size() < 2 * p) picture.insert(picture.end(), b.begin() + p, b.end());
    const auto sum = static_cast<std::uint16_t>(Sum(picture));
    Put(b, base + 0x1C,
        {static_cast<std::uint8_t>(~sum), static_cast<std::uint8_t>(~sum >> 8), static_cast<std::uint8_t>(sum),
         static_cast<std::uint8_t>(sum >> 8)});
    return b;
}

Bytes MegaDrive() {
    Bytes b = Random(0x10000, 2);
    Put(b, 0x100, {'S', 'E', 'G', 'A'});
    std::uint16_t sum = 0;
    for (std::size_t i = 0x200; i < b.size(); i += 2) sum = static_cast<std::uint16_t>(sum + (b[i] << 8 | b[i + 1]));
    Put(b, 0x18E, {static_cast<std::uint8_t>(sum >> 8), static_cast<std::uint8_t>(sum)});
    return b;
}

Bytes GameBoy() {
    Bytes b = Random(0x8000, 3);
    Put(b, 0x104, {0xCE, 0xED, 0x66, 0x66, 0xCC, 0x0D, 0x00, 0x0B, 0x03, 0x73, 0x00, 0x83, 0x00, 0x0C, 0x00, 0x0D,
                   0x00, 0x08, 0x11, 0x1F, 0x88, 0x89, 0x00, 0x0E, 0xDC, 0xCC, 0x6E, 0xE6, 0xDD, 0xDD, 0xD9, 0x99,
                   0xBB, 0xBB, 0x67, 0x63, 0x6E, 0x0E, 0xEC, 0xCC, 0xDD, 0xDC, 0x99, 0x9F, 0xBB, 0xB9, 0x33, 0x3E});
    int x = 0;
    for (std::size_t i = 0x134; i <= 0x14C; ++i) x -= b[i] + 1;
    b[0x14D] = static_cast<std::uint8_t>(x);
    b[0x14E] = b[0x14F] = 0;
    const auto global = static_cast<std::uint16_t>(Sum(b));
    Put(b, 0x14E, {static_cast<std::uint8_t>(global >> 8), static_cast<std::uint8_t>(global)});
    return b;
}

Bytes GameBoyAdvance() {
    Bytes b = Random(0x400, 4);
    b[3] = 0xEA;
    b[0xB2] = 0x96;
    int sum = 0;
    for (std::size_t i = 0xA0; i <= 0xBC; ++i) sum += b[i];
    b[0xBD] = static_cast<std::uint8_t>(-sum - 0x19);
    return b;
}

// A boot code whose CRC-32 is crc: zeros, then four bytes that steer the register to it, found
// by running the reflected table backwards from the CRC wanted.
void ForgeBootCode(Bytes& b, std::uint32_t crc) {
    std::uint32_t table[256];
    for (std::uint32_t k = 0; k < 256; ++k) {
        std::uint32_t c = k;
        for (int bit = 0; bit < 8; ++bit) c = c & 1 ? c >> 1 ^ 0xEDB88320 : c >> 1;
        table[k] = c;
    }
    const std::uint32_t before = ~Crc32(std::span(b).subspan(0x40, 0xFBC));
    std::uint32_t x = ~crc;
    for (int i = 0; i < 4; ++i) {
        std::uint32_t k = 0;
        while (table[k] >> 24 != x >> 24) ++k;
        x = (x ^ table[k]) << 8 | k;
    }
    x ^= before;
    Put(b, 0xFFC,
        {static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(x >> 8), static_cast<std::uint8_t>(x >> 16),
         static_cast<std::uint8_t>(x >> 24)});
}

// The 6102's boot code (by its CRC-32), and every word after it zero: all six registers keep the
// seed but t1, which gains it 0x40000 times, so CRC1 = seed and CRC2 = seed * 0x40001 (6102:
// F8CA4DDC and 303A4DDC).
Bytes Nintendo64() {
    Bytes b(0x101000, 0);
    Put(b, 0, {0x80, 0x37, 0x12, 0x40});
    Put(b, 0x10, {0xF8, 0xCA, 0x4D, 0xDC, 0x30, 0x3A, 0x4D, 0xDC});
    ForgeBootCode(b, 0x90BB6CB5);
    return b;
}

// A WPC image: vectors into the fixed bank, a checksum, and leading bytes that make the sum of all
// bytes equal it.
Bytes Wpc() {
    Bytes b = Random(0x40000, 5);
    for (std::size_t i = b.size() - 14; i < b.size(); i += 2) b[i] |= 0x80;
    Put(b, b.size() - 18, {0x12, 0x34});
    std::fill(b.begin(), b.begin() + 300, 0);
    std::uint32_t need = (0x1234 - Sum(b)) & 0xFFFF;
    for (std::size_t i = 0; need != 0; ++i, need -= b[i - 1]) b[i] = static_cast<std::uint8_t>(std::min(need, 255u));
    return b;
}

Bytes Swapped(Bytes b, std::size_t width) {
    for (std::size_t i = 0; i + width <= b.size(); i += width) std::reverse(b.begin() + i, b.begin() + i + width);
    return b;
}

Bytes WithCopierHeader(const Bytes& image) {
    Bytes b(512 + image.size(), 0);
    std::copy(image.begin(), image.end(), b.begin() + 512);
    return b;
}

struct Case {
    const char* system;
    const char* layout;
    std::function<Bytes()> build;
    std::size_t corrupt;         // an offset whose change makes a sum bad
    const char* weak = nullptr;  // the system's code, where it is recognised by a weak sign only
};

const Case kCases[] = {
    {"SNES LoROM", "", [] { return Snes(0x28000, 0x7FC0, 0x20); }, 0x7FDE},
    {"SNES HiROM", "", [] { return Snes(0x18000, 0xFFC0, 0x31); }, 0xFFDE},
    {"SNES LoROM", "with a 512-byte copier header", [] { return WithCopierHeader(Snes(0x20000, 0x7FC0, 0x20)); },
     0x81DE},
    {"Mega Drive", "", MegaDrive, 0x18E},
    {"Game Boy", "", GameBoy, 0x14D},
    {"Game Boy Advance", "", GameBoyAdvance, 0xBD},
    {"Nintendo 64 (CIC-6102/7101)", "", Nintendo64, 0x10},
    {"Nintendo 64 (CIC-6102/7101)", "in v64 byte order (16-bit words byte-swapped)",
     [] { return Swapped(Nintendo64(), 2); }, 0x11},
    {"Nintendo 64 (CIC-6102/7101)", "in n64 byte order (32-bit words byte-reversed)",
     [] { return Swapped(Nintendo64(), 4); }, 0x13},
    {"Williams WPC", "", Wpc, 0x1000, "wpc"},
};

TEST(HeaderCheckTest, PlantedChecksumsAreGoodAndACorruptedOneIsBadThenFixed) {
    for (const Case& c : kCases) {
        const Bytes good = c.build();
        ASSERT_FALSE(good.empty()) << c.system;
        const HeaderReport report = CheckHeader(good);
        EXPECT_EQ(report.system, c.system);
        EXPECT_EQ(report.layout, c.layout) << c.system;
        ASSERT_FALSE(report.fields.empty()) << c.system;
        EXPECT_TRUE(report.good()) << c.system << ": " << report.fields[0].field << " computed "
                                   << report.fields[0].computed << " stored " << report.fields[0].stored;

        Bytes bad = good;
        bad[c.corrupt] ^= 0x01;
        EXPECT_FALSE(CheckHeader(bad).good()) << c.system;
        if (c.weak) {  // a weak sign with a bad sum is a guess: the fix needs the system stated
            EXPECT_EQ(FixHeader(bad).statedBy, std::string("--system ") + c.weak) << c.system;
        }
        const FixResult fix = FixHeader(bad, c.weak ? Stated{c.weak, ""} : Stated{});
        ASSERT_TRUE(fix.refusal.empty()) << c.system << ": " << fix.refusal;
        EXPECT_TRUE(CheckHeader(fix.bytes).good()) << c.system;
        EXPECT_EQ(CheckHeader(fix.bytes).system, c.system);
    }
}

TEST(HeaderCheckTest, TheSnesChecksumCoversTheMirroredPicture) {
    Bytes image = Snes(0x28000, 0x7FC0, 0x20);
    const int old = image[0x27FFF];
    image[0x27FFF] ^= 0x01;  // in the 32 KiB that the picture holds four times
    const HeaderReport report = CheckHeader(image);
    ASSERT_EQ(report.fields.size(), 2u);
    EXPECT_EQ((report.fields[0].computed - report.fields[0].stored) & 0xFFFF,
              static_cast<std::uint32_t>(4 * (image[0x27FFF] - old)) & 0xFFFF);
    EXPECT_EQ(report.fields[0].range,
              "16-bit sum of all 160 KiB of the image, the 32 KiB above 128 KiB mirrored to fill 256 KiB");
}

TEST(HeaderCheckTest, OtherImagesAreOfNoKnownSystemAndAreNotFixed) {
    for (const Bytes& image : {Random(0x20000, 9), Bytes{}, Bytes(0x100, 0xFF), Bytes(0x40000, 0xFF)}) {
        EXPECT_FALSE(CheckHeader(image).known());
        EXPECT_EQ(FixHeader(image).refusal, "the image is of no known system");
    }
    Bytes shortN64(0x2000, 0);
    Put(shortN64, 0, {0x80, 0x37, 0x12, 0x40});
    EXPECT_FALSE(CheckHeader(shortN64).problem.empty());
    EXPECT_FALSE(FixHeader(shortN64).refusal.empty());
}

bool Has(const std::string& text, const char* part) { return text.find(part) != std::string::npos; }

// A damaged boot code is the likeliest cause of CRCs that agree with no chip: no seed is assumed.
TEST(HeaderCheckTest, AnN64BootCodeOfNoKnownChipIsCheckedOnlyByEvidenceOrAStatedCic) {
    Bytes b = Nintendo64();
    ASSERT_EQ(Crc32(std::span(b).subspan(0x40, 0xFC0)), 0x90BB6CB5u);
    b[0x100] ^= 0x01;
    const HeaderReport agreeing = CheckHeader(b);  // the CRCs still agree with the 6102's sum
    EXPECT_TRUE(agreeing.good());
    ASSERT_EQ(agreeing.notes.size(), 1u);
    EXPECT_TRUE(Has(agreeing.notes[0], "matches no known CIC chip; the stored CRCs agree with CIC-6102/7101's sum"));

    b[0x10] ^= 0x01;
    const HeaderReport unknown = CheckHeader(b);
    EXPECT_STREQ(unknown.verdict(), "unverifiable");
    EXPECT_EQ(unknown.system, "Nintendo 64 (boot code of no known CIC chip)");
    EXPECT_TRUE(unknown.fields.empty());
    EXPECT_TRUE(Has(unknown.problem, "matches no known CIC chip, and no chip's sum gives the stored CRCs F9CA4DDC"));
    EXPECT_EQ(unknown.statedBy, "--cic 6102 (or 6101, 6103, 6105, 6106, 7101, 7102, 7103, 7105, 7106)");
    const FixResult refused = FixHeader(b);
    EXPECT_TRUE(refused.bytes.empty());
    EXPECT_EQ(refused.statedBy, unknown.statedBy);

    const Stated cic{"", "CIC-6102"};
    const HeaderReport stated = CheckHeader(b, cic);
    EXPECT_STREQ(stated.verdict(), "bad");
    EXPECT_TRUE(Has(stated.notes.at(0), "the CIC is given as 6102, not recognised: the boot code"));
    const FixResult fixed = FixHeader(b, cic);
    ASSERT_EQ(fixed.bytes.size(), b.size()) << fixed.refusal;
    EXPECT_TRUE(CheckHeader(fixed.bytes, cic).good());
    EXPECT_TRUE(Has(CheckHeader(Nintendo64(), {"", "6105"}).notes.at(0), "is CIC-6102/7101's, not the given chip's"));
}

// Logo bytes of a Game Boy image flipped one by one: up to four are a doubtful Game Boy, five
// none; stated, it is checked and fixed whatever the logo, and the count is shown.
TEST(HeaderCheckTest, AGameBoyLogoAFewBytesOffIsDoubtfulAndFixedOnlyWhenStated) {
    Bytes b = GameBoy();
    for (unsigned differ = 1; differ <= 6; ++differ) {
        b[0x104 + 7 * differ] ^= 0x10;
        const std::string count = "differs from Nintendo's in " + std::to_string(differ) + " of 48 bytes";
        const HeaderReport seen = CheckHeader(b);
        EXPECT_EQ(seen.known(), differ <= 4) << differ;
        EXPECT_EQ(seen.doubtful, differ <= 4) << differ;
        if (seen.known()) {
            EXPECT_TRUE(Has(seen.recognition, count.c_str())) << seen.recognition;
        }
        const FixResult refused = FixHeader(b);
        EXPECT_TRUE(refused.bytes.empty());
        EXPECT_EQ(refused.statedBy, differ <= 4 ? "--system gameboy"
                                                : "--system NAME (n64, gba, gameboy, megadrive, "
                                                  "snes-lorom, snes-hirom, wpc)");
        const HeaderReport given = CheckHeader(b, {"gameboy", ""});
        EXPECT_TRUE(given.systemGiven && !given.doubtful && Has(given.recognition, count.c_str()));
        const FixResult fixed = FixHeader(b, {"gameboy", ""});
        ASSERT_FALSE(fixed.bytes.empty()) << fixed.refusal;
        EXPECT_TRUE(CheckHeader(fixed.bytes, {"gameboy", ""}).good());
    }
}

TEST(HeaderCheckTest, AStatedSystemIsCheckedAsGivenAndSaysWhatItsMarksShow) {
    const HeaderReport asMegaDrive = CheckHeader(GameBoy(), {"megadrive", ""});
    EXPECT_EQ(asMegaDrive.system, "Mega Drive");
    EXPECT_TRUE(Has(asMegaDrive.recognition, "not \"SEGA\" (53 45 47 41)"));
    EXPECT_TRUE(Has(CheckHeader(Bytes(0x200, 0), {"n64", ""}).problem, "fewer than the 4 KiB a Nintendo 64 header"));
    EXPECT_TRUE(Has(CheckHeader(GameBoy(), {"snes", ""}).problem, "no system is called snes (known: n64, gba,"));
    EXPECT_FALSE(CheckHeader(WithCopierHeader(Snes(0x20000, 0x7FC0, 0x20)), {"snes-lorom", ""}).fields.empty());
    EXPECT_TRUE(CheckHeader(WithCopierHeader(Snes(0x20000, 0x7FC0, 0x20)), {"snes-lorom", ""}).good());
}

// Past the 1 MiB between polls: zeros added keep each byte sum, and the N64 CRCs end at 0x101000.
Bytes Padded(Bytes b) {
    b.resize(0x180001, 0);
    return b;
}

std::string Said(const HeaderReport& r) {
    std::string text = r.system + "|" + r.layout + "|" + r.verdict() + "|" + r.problem;
    for (const FieldCheck& f : r.fields)
        text += "|" + f.field + " " + std::to_string(f.stored) + " " + std::to_string(f.computed);
    for (const std::string& note : r.notes) text += "|" + note;
    return text;
}

TEST(HeaderCheckTest, TheMeteredCheckAndFixGiveThePlainResultsBreakOffAtOnceAndNeverGoBack) {
    const std::pair<Bytes, Stated> images[] = {
        {Snes(0x1C0000, 0x7FC0, 0x20), {}},
        {Padded(MegaDrive()), {}},
        {Padded(GameBoy()), {}},
        {Swapped(Padded(Nintendo64()), 2), {}},
        {Padded(Random(0x100, 9)), {"wpc", ""}},
    };
    for (const auto& [clean, stated] : images) {
        for (const Bytes& image : {clean, [&] {
                                       Bytes corrupt = clean;
                                       corrupt[0x100000] ^= 0x5A;
                                       return corrupt;
                                   }()}) {
            vesperine::testing::ExpectMetered<HeaderReport>(
                [&](const WorkPoll& poll) { return CheckHeader(image, stated, poll); }, CheckHeader(image, stated),
                [](const HeaderReport& a, const HeaderReport& b) { return Said(a) == Said(b); });
            vesperine::testing::ExpectMetered<FixResult>(
                [&](const WorkPoll& poll) { return FixHeader(image, stated, poll); }, FixHeader(image, stated),
                [](const FixResult& a, const FixResult& b) {
                    return a.bytes == b.bytes && a.refusal == b.refusal && Said(a.after) == Said(b.after);
                });
        }
    }
}

}  // namespace
}  // namespace vesperine::headers
