// Intel HEX and S-records: exact round trips against a naive layout, srec_cat both ways, and
// malformed records refused with their line.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <random>

#include "formats/chip_size.h"
#include "formats/intel_hex.h"
#include "formats/programmer_file.h"
#include "formats/srecord.h"
#include "support/scratch_dir.h"

namespace vesperine::formats {
namespace {

std::span<const std::uint8_t> AsBytes(std::string_view text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

// Segments with gaps, one across a 64 KiB boundary, one above 16 MiB.
struct Layout {
    std::vector<std::vector<std::uint8_t>> blocks;
    std::vector<Segment> segments;
    std::vector<std::uint8_t> image;  // the naive oracle: FF everywhere, each block at its address
};

Layout MakeLayout() {
    Layout layout;
    std::mt19937 random(7);
    const std::pair<std::uint32_t, std::size_t> places[] = {{0x100, 40}, {0x1FFF0, 100}, {0x1000010, 300}};
    for (const auto& [address, size] : places) {
        std::vector<std::uint8_t> block(size);
        for (std::uint8_t& b : block) b = static_cast<std::uint8_t>(random());
        layout.blocks.push_back(block);
        if (layout.image.size() < address + size) layout.image.resize(address + size, 0xFF);
        std::copy(block.begin(), block.end(), layout.image.begin() + address);
    }
    for (std::size_t i = 0; i < layout.blocks.size(); ++i)
        layout.segments.push_back({places[i].first, layout.blocks[i]});
    return layout;
}

std::vector<std::uint8_t> Decoded(std::string_view text) {
    const FileFormat format = DetectFormat(AsBytes(text));
    EXPECT_NE(format, FileFormat::Binary);
    // The layout's 16 MiB image is far larger than its text: the default bound would refuse it.
    const DecodedFile file = DecodeProgrammerFile(AsBytes(text), format, 0xFF, {}, kImageEndLimit - 1);
    EXPECT_FALSE(file.error) << Describe(*file.error);
    return {file.image.begin(), file.image.end()};
}

TEST(ProgrammerFileTest, RoundTripsAreExactWithGapsAndHighAddresses) {
    const Layout layout = MakeLayout();
    // EXPECT_TRUE, not EXPECT_EQ: a failure should not print 16 MiB.
    EXPECT_TRUE(Decoded(WriteIntelHex(layout.segments, 0x1000010, 16)) == layout.image);
    EXPECT_TRUE(Decoded(WriteSRecords(layout.segments, SRecordKind::S37)) == layout.image);
    EXPECT_EQ(NarrowestSRecordKind(layout.segments), SRecordKind::S37);
    const std::vector<Segment> low(layout.segments.begin(), layout.segments.begin() + 2);
    EXPECT_EQ(NarrowestSRecordKind(low), SRecordKind::S28);
    EXPECT_TRUE(Decoded(WriteSRecords(low, SRecordKind::S28)) ==
                std::vector(layout.image.begin(), layout.image.begin() + 0x20054));
    // Records in any order, and the same bytes given twice, make the same image.
    const std::vector<Segment> shuffled = {layout.segments[2], layout.segments[0], layout.segments[1],
                                           layout.segments[0]};
    EXPECT_TRUE(Decoded(WriteIntelHex(shuffled)) == layout.image);
}

// srec_cat reads our files, and a segmented (I16HEX) one whose record wraps within its
// segment, and writes each in the other format (its own layout: 32 bytes a record, its S0
// header, no termination without a start address); we read that as the same image.
TEST(ProgrammerFileTest, SrecCatReadsWhatWeWriteAndWeReadWhatItWrites) {
#ifdef _WIN32
    GTEST_SKIP() << "srec_cat runs on the build system only";
#else
    if (std::system("srec_cat -version >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "srec_cat (Debian srecord) is not installed";
    const vesperine::testing::ScratchDir dir("vesperine-srec-");
    const Layout layout = MakeLayout();
    const std::string segmented = ":020000021000EC\n:04FFFE0055AA55AA01\n:00000001FF\n";
    const struct {
        std::string text;
        const char* from;
        const char* to;
    } conversions[] = {{WriteIntelHex(layout.segments, std::nullopt, 16), "-intel", "-motorola"},
                       {WriteSRecords(layout.segments, SRecordKind::S37), "", "-intel"},
                       {segmented, "-intel", "-motorola"}};
    for (const auto& c : conversions) {
        const std::string command = "srec_cat " + dir.Write("ours", c.text) + " " + c.from + " -o " +
                                    dir.Path("theirs") + " " + c.to + " 2>/dev/null";
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
        EXPECT_TRUE(Decoded(vesperine::testing::ScratchDir::Read(dir.Path("theirs"))) == Decoded(c.text)) << command;
    }
    const std::vector<std::uint8_t> wrapped = Decoded(segmented);
    EXPECT_EQ(std::vector(wrapped.begin() + 0x1FFFE, wrapped.end()), (std::vector<std::uint8_t>{0x55, 0xAA}));
    EXPECT_EQ(std::vector(wrapped.begin() + 0x10000, wrapped.begin() + 0x10003),
              (std::vector<std::uint8_t>{0x55, 0xAA, 0xFF}));
#endif
}

TEST(ProgrammerFileTest, MalformedRecordsAreRefusedWithTheirLine) {
    const struct {
        FileFormat format;
        const char* text;
        const char* error;
    } cases[] = {
        {FileFormat::IntelHex, ":0100000055AB\n:00000001FF\n",
         "line 1: bad checksum: the record holds AB, its bytes need AA"},
        {FileFormat::IntelHex, "\n:0100000055AA\n:0200000055AA\n",
         "line 3: the length field says 2 data bytes, the record holds 1"},
        {FileFormat::IntelHex, ":01000000G5AA\n", "line 1: 'G' at column 10 is not a hexadecimal digit"},
        {FileFormat::IntelHex, ":0100000055A\n", "line 1: an odd number of hexadecimal digits"},
        {FileFormat::IntelHex, ":0100000055AA\r\n:01000000669\x39\r\n:00000001FF\r\n",
         "line 2: address 0x00000000 is given 55 by line 1 and 66 here"},
        {FileFormat::IntelHex, ":0100000055AA\n", "no end record (:00000001FF): the file may be cut short"},
        {FileFormat::IntelHex, ":00000001FF\n:0100000055AA\n", "line 2: a record after the end record of line 1"},
        {FileFormat::IntelHex, ":02000004FFFFFC\n:0100000055AA\n:00000001FF\n",
         "the records reach 0xFFFF0000: an image from 0x00000000 would hold 4294901761 bytes, 2 GiB or more; "
         "--base lowest starts the image at the lowest address, 0xFFFF0000"},
        {FileFormat::IntelHex, ":020000047FFE7D\n:0100000055AA\n:00000001FF\n",
         "the records reach 0x7FFE0000: an image from 0x00000000 would hold 2147352577 bytes, far more than 42 "
         "bytes of text describe (the bound is 64 times the text plus 1 MiB, 1051264 bytes); --base lowest"},
        {FileFormat::IntelHex, ":00000006FA\n", "line 1: unknown record type 06"},
        {FileFormat::IntelHex, "0100000055AA\n", "line 1: not an Intel HEX record"},
        {FileFormat::SRecord, "S104000055A7\n", "line 1: bad checksum: the record holds A7, its bytes need A6"},
        {FileFormat::SRecord, "S104000055A6\nS5030002FA\n",
         "line 2: the count record says 2 data records, the file has 1"},
        {FileFormat::SRecord, "S9030000FC\nS104000055A6\n", "line 2: a record after the termination record of line 1"},
        {FileFormat::SRecord, "S4030000FC\n", "line 1: S4 is a reserved record type"},
        {FileFormat::SRecord, "S105000055A6\n", "line 1: the count byte says 5 bytes follow, the record holds 4"},
    };
    for (const auto& c : cases) {
        const DecodedFile file = DecodeProgrammerFile(AsBytes(c.text), c.format);
        ASSERT_TRUE(file.error) << c.text;
        EXPECT_EQ(Describe(*file.error).substr(0, std::string_view(c.error).size()), c.error) << c.text;
        EXPECT_TRUE(file.image.empty());
    }
}

// Damaged texts of both formats, each read by us and by srec_cat: both accept or both refuse,
// except where we refuse on purpose what srec_cat reads past with a warning: a comment line,
// and a first line behind a byte-order mark, which it skips as garbage (with the mark goes
// that line's data), and a HEX file without its end record. A file cut short before its count and termination is read
// by both with a warning.
TEST(ProgrammerFileTest, DamagedFilesAreJudgedAsSrecCatJudgesThem) {
#ifdef _WIN32
    GTEST_SKIP() << "srec_cat runs on the build system only";
#else
    if (std::system("srec_cat -version >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "srec_cat (Debian srecord) is not installed";
    const vesperine::testing::ScratchDir dir("vesperine-damage-");
    const std::vector<std::uint8_t> block = {0x01, 0x02, 0x03, 0x04, 0x55, 0xAA};
    const Segment segments[] = {{0x0000, block}, {0x0100, block}};
    const struct {
        FileFormat format;
        std::string text;
        const char* option;
    } goods[] = {{FileFormat::IntelHex, WriteIntelHex(segments), "-intel"},
                 {FileFormat::SRecord, WriteSRecords(segments, SRecordKind::S19), ""}};
    const auto flipDigit = [](std::string text, std::size_t line) {
        std::size_t end = 0;
        for (std::size_t k = 0; k <= line; ++k) end = text.find('\n', end + (k == 0 ? 0 : 1));
        text[end - 1] = text[end - 1] == '0' ? '1' : '0';
        return text;
    };
    for (const auto& good : goods) {
        const bool hex = good.format == FileFormat::IntelHex;
        std::string crOnly = good.text;
        std::replace(crOnly.begin(), crOnly.end(), '\n', '\r');
        const std::string lastCut = good.text.substr(0, good.text.rfind('\n', good.text.size() - 2) + 1);
        std::string dataOnly;  // S-records without header, count and termination: a file cut short
        for (std::size_t at = 0; at < good.text.size(); at = good.text.find('\n', at) + 1) {
            if (good.text.compare(at, 2, "S1") == 0)
                dataOnly += good.text.substr(at, good.text.find('\n', at) + 1 - at);
        }
        const struct {
            const char* damage;
            std::string text;
            bool weAccept;
            bool theyAccept;
        } cases[] = {
            {"none", good.text, true, true},
            {"checksum digit, line 1", flipDigit(good.text, 0), false, false},
            {"checksum digit, line 2", flipDigit(good.text, 1), false, false},
            {"byte-order mark", "\xEF\xBB\xBF" + good.text, false, true},
            {"CR-only line ends", crOnly, false, false},
            {"comment line", "; dumped by hand\n" + good.text, false, true},
            {"last line cut off", lastCut, !hex, true},
            {"data records only", hex ? lastCut : dataOnly, !hex, true},
            {"last record cut short", good.text.substr(0, good.text.size() - 4), false, false},
        };
        for (const auto& c : cases) {
            const std::string path = dir.Write("damaged", c.text);
            const std::string command = "srec_cat " + path + " " + good.option + " -o " + dir.Path("out.bin") +
                                        " -binary 2>" + dir.Path("warnings");
            EXPECT_EQ(std::system(command.c_str()) == 0, c.theyAccept) << c.damage << ": " << command;
            const DecodedFile ours = DecodeProgrammerFile(AsBytes(c.text), good.format);
            EXPECT_EQ(!ours.error, c.weAccept) << FormatName(good.format) << ", " << c.damage;
            // We warn of S-records with neither count nor termination; srec_cat warns of a missing
            // termination even after a count record, which its own files end with.
            const bool cutShort = !hex && c.text == dataOnly;
            EXPECT_EQ(ours.notes.unterminated, cutShort) << c.damage;
            if (cutShort) {
                EXPECT_NE(vesperine::testing::ScratchDir::Read(dir.Path("warnings")).find("warning"),
                          std::string::npos);
            }
        }
    }
    // A bad S0 (header) checksum is refused by both.
    const std::string badHeader = "S00600004844521C\nS107000001020304EE\nS9030000FC\n";
    EXPECT_NE(std::system(("srec_cat " + dir.Write("s0.s19", badHeader) + " -o /dev/null -binary 2>/dev/null").c_str()),
              0);
    EXPECT_EQ(Describe(*DecodeProgrammerFile(AsBytes(badHeader), FileFormat::SRecord).error),
              "line 1: bad checksum: the record holds 1C, its bytes need 1B");
#endif
}

TEST(ProgrammerFileTest, FormatIsToldByContentAndChipsByName) {
    EXPECT_EQ(DetectFormat(AsBytes("\r\n  :00000001FF\r\n")), FileFormat::IntelHex);
    EXPECT_EQ(DetectFormat(AsBytes("S00600004844521B\nS9030000FC\n")), FileFormat::SRecord);
    EXPECT_EQ(DetectFormat(AsBytes(":00000001FE\n")), FileFormat::Binary);  // a bad checksum is no record
    EXPECT_EQ(DetectFormat(AsBytes("S1 is not a record")), FileFormat::Binary);
    EXPECT_EQ(DetectFormat(AsBytes("\x55\xAA\x40\xE9")), FileFormat::Binary);
    const std::pair<const char*, std::optional<std::uint32_t>> chips[] = {
        {"27C512", 0x10000},    {"M27C801-100F1", 0x100000}, {"2716", 0x800},     {"27c322", 0x400000},
        {"AM27C010", 0x20000},  {"0x27512", 0x27512},        {"8000", 0x8000},    {"27C999", std::nullopt},
        {"0x27C999", 0x27C999}, {"9000", std::nullopt},      {"0", std::nullopt}, {"80000000", std::nullopt},
        {"64K", std::nullopt},
    };
    for (const auto& [text, size] : chips) EXPECT_EQ(ParseChipSize(text), size) << text;
}

}  // namespace
}  // namespace vesperine::formats
