// Intel HEX and S-records through the subcommands: extract writes them, every reader takes
// them by content (crc's and hash's streamed paths too), and bad input writes nothing.
#include <gtest/gtest.h>

#include <sstream>

#include "cli/crc_command.h"
#include "cli/extract_command.h"
#include "cli/hash_command.h"
#include "cli_outcome.h"
#include "support/fake_file_system.h"

namespace vesperine::cli {
namespace {

Outcome Extract(FileSystem& files, std::string file, std::string output, ProgrammerArgs programmer) {
    ExtractOptions options;
    options.file = std::move(file);
    options.output = std::move(output);
    options.programmer = std::move(programmer);
    std::ostringstream out, err;
    const int status = RunExtract(options, files, {out, err});
    return {status, out.str(), err.str()};
}

Outcome Crc(FileSystem& files, std::string file) {
    CrcOptions options;
    options.files = {std::move(file)};
    std::ostringstream out, err;
    const int status = RunCrc(options, files, {out, err});
    return {status, out.str(), err.str()};
}

Outcome Hash(FileSystem& files, std::string file) {
    HashOptions options;
    options.files = {std::move(file)};
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
        EXPECT_EQ(Crc(files, "rom.txt").out, "rom.txt" + crc) << format;  // streamed path
        EXPECT_EQ(Hash(files, "rom.txt").out, "rom.txt" + digests) << format;
        ASSERT_EQ(Extract(files, "rom.txt", "back.bin", {}).status, kExitOk);
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

}  // namespace
}  // namespace vesperine::cli
