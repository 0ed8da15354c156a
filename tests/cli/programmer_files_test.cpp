// Intel HEX and S-records through the subcommands: extract writes them, every reader takes
// them as their name or --as says (crc's and hash's streamed paths too), and bad input writes nothing.
#include <gtest/gtest.h>

#include <sstream>

#include "cli/crc_command.h"
#include "cli/extract_command.h"
#include "cli/hash_command.h"
#include "cli/merge_command.h"
#include "cli/split_command.h"
#include "cli_outcome.h"
#include "support/fake_file_system.h"

namespace vesperine::cli {
namespace {

Outcome Extract(FileSystem& files, std::string file, std::string output, ProgrammerArgs programmer,
                std::string as = "") {
    ExtractOptions options;
    options.dump.input.as = std::move(as);
    options.file = std::move(file);
    options.output = std::move(output);
    options.programmer = std::move(programmer);
    std::ostringstream out, err;
    const int status = RunExtract(options, files, {out, err});
    return {status, out.str(), err.str()};
}

Outcome Crc(FileSystem& files, std::string file, std::string as = "", std::string base = "") {
    CrcOptions options;
    options.files = {std::move(file)};
    options.dump.input.as = std::move(as);
    options.dump.input.base = std::move(base);
    std::ostringstream out, err;
    const int status = RunCrc(options, files, {out, err});
    return {status, out.str(), err.str()};
}

Outcome Hash(FileSystem& files, std::string file, std::string as = "") {
    HashOptions options;
    options.files = {std::move(file)};
    options.dump.input.as = std::move(as);
    std::ostringstream out, err;
    const int status = RunHash(options, files, {out, err});
    return {status, out.str(), err.str()};
}

TEST(ProgrammerFilesTest, ExtractWritesRecordsThatEveryReaderTakesBack) {
    vesperine::testing::FakeFileSystem files;
    Bytes image(0x18000);
    for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<std::uint8_t>(i * 7 + (i >> 9));
    files.files["rom.bin"] = image;
    const std::string crc = Crc(files, "rom.bin").out.substr(std::string("rom.bin").size());
    const std::string digests = Hash(files, "rom.bin").out.substr(std::string("rom.bin").size());
    for (const char* format : {"ihex", "srec", "s37"}) {
        const Outcome written = Extract(files, "rom.bin", "rom.txt", {format, "", "", ""});
        ASSERT_EQ(written.status, kExitOk) << written.err;
        const std::string crcOut = Crc(files, "rom.txt", "auto").out;  // streamed path
        EXPECT_EQ(crcOut.substr(0, crcOut.find('\n') + 1), "rom.txt" + crc) << format;
        const std::string hashOut = Hash(files, "rom.txt", "auto").out;
        EXPECT_EQ(hashOut.substr(0, hashOut.find('\n') + 1), "rom.txt" + digests) << format;
        ASSERT_EQ(Extract(files, "rom.txt", "back.bin", {}, "auto").status, kExitOk);
        EXPECT_TRUE(files.files["back.bin"] == image) << format;
    }
    EXPECT_EQ(Extract(files, "rom.bin", "rom.txt", {"srec", "", "", ""}).out,
              "rom.txt: 98304 bytes (0x00018000) CRC:" + crc.substr(crc.find("CRC:") + 4, 8) + " as S28\n");
    // Padded to a 27C010 with --fill 00, which fills the gap before --address 4000 too.
    ASSERT_EQ(Extract(files, "rom.bin", "high.hex", {"ihex", "4000", "", ""}).status, kExitOk);
    ASSERT_EQ(Extract(files, "high.hex", "chip.bin", {"binary", "", "00", "27C010"}).status, kExitOk);
    const Bytes& chip = files.files["chip.bin"];
    ASSERT_EQ(chip.size(), 0x20000u);
    EXPECT_EQ(chip[0x3FFF], 0x00);
    EXPECT_EQ(chip[0x1FFFF], 0x00);
    EXPECT_TRUE(std::equal(image.begin(), image.end(), chip.begin() + 0x4000));
}

TEST(ProgrammerFilesTest, BadInputExitsTwoAndWritesNothing) {
    vesperine::testing::FakeFileSystem files;
    files.files["rom.bin"] = Bytes(0x20000, 0x5A);
    files.files["bad.hex"] = BytesOf(":0100000055AA\n:0100000055AB\n:00000001FF\n");
    const struct {
        const char* file;
        ProgrammerArgs args;
        const char* error;
    } cases[] = {
        {"bad.hex",
         {},
         "vesperine-cli: bad.hex: line 2: bad checksum: the record holds AB, its bytes need AA (read as Intel HEX)\n"},
        {"rom.bin",
         {"binary", "", "", "27C512"},
         "vesperine-cli: the image is 131072 bytes (0x00020000), larger than the chip's 65536 bytes (0x00010000)\n"},
        {"rom.bin", {"binary", "", "", "27C999"}, "vesperine-cli: --chip 27C999: neither a part this tool knows"},
        {"rom.bin", {"s19", "", "", ""}, "vesperine-cli: the image's addresses do not fit S19"},
        {"rom.bin", {"ihex", "FFFF0000", "", ""}, "vesperine-cli: --address FFFF0000: the image would pass 4 GiB\n"},
        {"rom.bin", {"hex", "", "", ""}, "vesperine-cli: --format hex: give binary, ihex, srec, s19, s28 or s37\n"},
        {"rom.bin", {"binary", "", "100", ""}, "vesperine-cli: --fill 100: give one byte in hexadecimal, 00 to FF\n"},
    };
    for (const auto& c : cases) {
        const Outcome outcome = Extract(files, c.file, "out.bin", c.args);
        EXPECT_EQ(outcome.status, kExitError);
        EXPECT_EQ(outcome.err.substr(0, std::string_view(c.error).size()), c.error);
        EXPECT_EQ(files.files.count("out.bin"), 0u);
    }
    EXPECT_EQ(Crc(files, "bad.hex").err, cases[0].error);
}

// What a file is comes from --as, else its extension (any case), else it is raw; a file read as
// records parses whole or is refused at its line, never read raw; raw text that starts with a
// whole record gets a note.
TEST(ProgrammerFilesTest, FilesAreReadAsTheirNameOrAsSays) {
    vesperine::testing::FakeFileSystem files;
    const char* hex = ":0400000001020304F2\n:00000001FF\n";  // 01 02 03 04, CRC B63CFBCD
    files.files["good.hex"] = files.files["good.TXT"] = BytesOf(hex);
    files.files["bad1.hex"] = BytesOf(":0400000001020304F3\n:00000001FF\n");
    files.files["good.S19"] = BytesOf("S107000001020304EE\nS9030000FC\n");
    files.files["rom.bin"] = BytesOf("\x55\xAA\x10\x01");
    const struct {
        const char* file;
        const char* as;
        const char* out;  // the start of the output, or of the message with kExitError
        const char* err = "";
    } cases[] = {
        {"good.hex", "",
         "good.hex: 4 bytes (0x00000004) CRC:B63CFBCD\ngood.hex: as Intel HEX (by its name): "
         "an image of 4 bytes from 0x00000000, decoded from 32 bytes of text\n"},
        {"good.TXT", "", "good.TXT: 32 bytes",
         "vesperine-cli: note: good.TXT looks like Intel HEX; read as raw "
         "bytes (--as ihex decodes it)\n"},
        {"good.hex", "raw", "good.hex: 32 bytes", "vesperine-cli: note: good.hex looks like Intel HEX"},
        {"good.TXT", "ihex", "good.TXT: 4 bytes (0x00000004) CRC:B63CFBCD\ngood.TXT: as Intel HEX (by --as)"},
        {"good.TXT", "auto", "good.TXT: 4 bytes (0x00000004) CRC:B63CFBCD\ngood.TXT: as Intel HEX (by its content)"},
        {"good.S19", "", "good.S19: 4 bytes (0x00000004) CRC:B63CFBCD\ngood.S19: as S-records (by its name)"},
        {"good.hex", "srec", nullptr, "vesperine-cli: good.hex: line 1: not an S-record"},
        {"bad1.hex", "", nullptr,
         "vesperine-cli: bad1.hex: line 1: bad checksum: the record holds F3, its bytes "
         "need F2 (read as Intel HEX)\n"},
        {"bad1.hex", "auto", nullptr, "vesperine-cli: bad1.hex: line 1: bad checksum"},
        {"rom.bin", "auto", "rom.bin: 4 bytes (0x00000004) CRC:"},
        {"rom.bin", "ihex", nullptr, "vesperine-cli: rom.bin: line 1: not an Intel HEX record"},
    };
    for (const auto& c : cases) {
        const Outcome outcome = Crc(files, c.file, c.as);
        EXPECT_EQ(outcome.status, c.out ? kExitOk : kExitError) << c.file << " --as " << c.as << ": " << outcome.err;
        if (c.out) {
            EXPECT_EQ(outcome.out.substr(0, std::string_view(c.out).size()), c.out) << c.file << c.as;
        }
        EXPECT_EQ(outcome.err.substr(0, std::string_view(c.err).size()), c.err) << c.file << " --as " << c.as;
    }
}

// Records far from 0 are refused before anything is allocated, naming --base lowest; whatever
// extract writes with --address, --base reads back.
TEST(ProgrammerFilesTest, FarRecordsNeedABaseAndReadBackWithIt) {
    vesperine::testing::FakeFileSystem files;
    files.files["far.hex"] = BytesOf(":020000047FFE7D\n:0400000001020304F2\n:00000001FF\n");
    const Outcome far = Crc(files, "far.hex");
    EXPECT_EQ(far.status, kExitError);
    EXPECT_NE(far.err.find("; --base lowest starts the image at the lowest address, 0x7FFE0000 (read as Intel"),
              std::string::npos)
        << far.err;
    EXPECT_EQ(Crc(files, "far.hex", "", "lowest").out.substr(0, 42), "far.hex: 4 bytes (0x00000004) CRC:B63CFBCD");
    Bytes image(0x20000);
    for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<std::uint8_t>(i * 13 + (i >> 8));
    files.files["bios.bin"] = image;
    const std::string crc = Crc(files, "bios.bin").out.substr(8);
    for (const char* format : {"ihex", "srec"}) {
        ASSERT_EQ(Extract(files, "bios.bin", "top.mot", {format, "FFFE0000", "", ""}).status, kExitOk);
        const std::string as = format == std::string("ihex") ? "ihex" : "srec";
        EXPECT_NE(Crc(files, "top.mot", as).err.find("2 GiB or more; --base lowest"), std::string::npos);
        for (const char* base : {"FFFE0000", "lowest"}) {
            const std::string out = Crc(files, "top.mot", as, base).out;
            EXPECT_EQ(out.substr(0, out.find('\n') + 1), "top.mot" + crc) << format << " --base " << base;
        }
    }
}

// Writers of images write the format their output's name says; parts without a programmer
// extension are raw, so merge never reads a part whose bytes happen to look like a record.
TEST(ProgrammerFilesTest, WritersFollowTheOutputsExtension) {
    vesperine::testing::FakeFileSystem files;
    // A fuzzing finding: split into 8 parts, part 3 began ":3" and was read back as Intel HEX.
    const std::string_view hex =
        "3a3a3a3a000039393030f73030303086303030303030303031393033383732313837e539393939393939"
        "3939393939393939393939393f393939393939393939393939399ac139393939393939393953c2533935";
    Bytes image;
    for (std::size_t i = 0; i < hex.size(); i += 2) {
        image.push_back(static_cast<std::uint8_t>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16)));
    }
    ASSERT_EQ(image.size(), 84u);
    files.files["image"] = image;
    std::ostringstream out, err;
    ASSERT_EQ(RunSplit({"image", 8, 1, "part{n}", true, false}, files, {out, err}), kExitOk) << err.str();
    std::vector<std::string> parts;
    for (int p = 0; p < 8; ++p) parts.push_back("part" + std::to_string(p));
    ASSERT_EQ(RunMerge({parts, "merged.s19", 1, false}, files, {out, err}), kExitOk) << err.str();
    Bytes padded = image;
    padded.resize(88, 0xFF);
    EXPECT_EQ(files.files["merged.s19"][0], 'S');
    ASSERT_EQ(Extract(files, "merged.s19", "merged.bin", {}).status, kExitOk);
    EXPECT_TRUE(files.files["merged.bin"] == padded);
    ASSERT_EQ(RunSplit({"merged.s19", 2, 1, "half{n}.hex", false, false}, files, {out, err}), kExitOk) << err.str();
    EXPECT_EQ(files.files["half0.hex"][0], ':');
    ASSERT_EQ(RunMerge({{"half0.hex", "half1.hex"}, "again.bin", 1, false}, files, {out, err}), kExitOk);
    EXPECT_TRUE(files.files["again.bin"] == padded);
}

}  // namespace
}  // namespace vesperine::cli
