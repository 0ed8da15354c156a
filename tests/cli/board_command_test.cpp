// board as a script sees it: the report's lines, JSON, --write, --reads and exit statuses.
#include <gtest/gtest.h>
#include <zlib.h>

#include <nlohmann/json.hpp>
#include <sstream>

#include "cli/board_command.h"
#include "cli_outcome.h"
#include "dat/digests.h"
#include "dat/rom_fields.h"
#include "support/fake_file_system.h"
#include "support/test_bytes.h"

namespace vesperine::cli {
namespace {

using vesperine::testing::FakeFileSystem;
using vesperine::testing::RandomBytes;

std::string RomXml(const std::string& name, const Bytes& bytes, const std::string& extra = "") {
    char crc[9];
    std::snprintf(crc, sizeof crc, "%08x", vesperine::testing::ZlibCrc(bytes));
    return "<rom name=\"" + name + "\" size=\"" + std::to_string(bytes.size()) + "\" crc=\"" + crc + "\" sha1=\"" +
           dat::HexOf(dat::ComputeDigests(bytes).sha1) + "\"" + extra + "/>\n";
}

Outcome RunBoardWith(FileSystem& files, BoardOptions options) {
    std::ostringstream out, err;
    const int status = RunBoard(options, files, Streams{out, err});
    return {status, out.str(), err.str()};
}

TEST(BoardCommandTest, ReportsWritesAndExitsAsTheBoardStands) {
    const Bytes lo = RandomBytes(4096, 1), hi = RandomBytes(4096, 2);
    FakeFileSystem files;
    files.files["game.xml"] =
        BytesOf("<mame>\n<machine name=\"game\"><description>A &amp; B</description>\n" + RomXml("lo.u3", lo) +
                RomXml("hi.u4", hi) + "<rom name=\"pal.u9\" size=\"260\" status=\"nodump\"/>\n</machine>\n</mame>\n");
    Bytes faulty = hi;
    faulty[0x100] ^= 0x08;
    files.files["U3.bin"] = lo;
    files.files["U4.bin"] = faulty;
    files.files["U4b.bin"] = faulty;
    files.files["U4b.bin"][0x100] ^= 0x08;  // the further read has the bit right, and another wrong
    files.files["U4b.bin"][0x200] ^= 0x01;
    BoardOptions options;
    options.files = {"U3.bin", "U4.bin"};
    options.dats = {"game.xml"};
    options.write = ".";
    const Outcome first = RunBoardWith(files, options);
    EXPECT_EQ(first.status, kExitNo) << first.err;
    EXPECT_EQ(first.out,
              "\"game\" (A & B): complete once mended: 1 of 3 ROMs good, 1 near (1 mended), 1 nodump\n"
              "  good     \"lo.u3\" (4096 bytes) from U3.bin (whole): crc32 sha1\n"
              "  near     \"hi.u4\" (4096 bytes) from U4.bin (whole): same size and layout, crc32 " +
                  vesperine::testing::ZlibCrcText(faulty) + " where the DAT has " +
                  vesperine::testing::ZlibCrcText(hi) +
                  "\n"
                  "           mend by flipped bits: verified (crc32 sha1): offset 0x00000100 bit 3: " +
                  ((faulty[0x100] & 8) != 0 ? "1 -> 0" : "0 -> 1") +
                  " (U4.bin 0x00000100)\n"
                  "  nodump   \"pal.u9\" (260 bytes): the DAT knows no dump; it cannot be verified\n"
                  "Wrote ./lo.u3 (4096 bytes, crc32 " +
                  vesperine::testing::ZlibCrcText(lo) + "; verified crc32 sha1)\nWrote ./hi.u4 (4096 bytes, crc32 " +
                  vesperine::testing::ZlibCrcText(hi) + "; verified crc32 sha1)\n");
    EXPECT_EQ(files.files.at("./hi.u4"), hi);

    options.write.clear();
    options.json = true;
    options.reads = {"U4.bin=U4b.bin"};
    options.files = {"U3.bin", "U4.bin", "U4b.bin"};  // a read named among the chips stays a chip too
    const nlohmann::json json = nlohmann::json::parse(RunBoardWith(files, options).out);
    const nlohmann::json& mend = json["candidates"][0]["roms"][1]["mends"][0];
    EXPECT_EQ(mend["kind"], "reads");
    EXPECT_EQ(mend["outcome"], "verified");
    EXPECT_EQ(mend["bits"].size(), 1u);

    // The missing chip's ROM completes the set; a broken DAT and a --reads without '=' are errors.
    options = BoardOptions{};
    files.files["U4.bin"] = hi;
    options.files = {"U3.bin", "U4.bin"};
    options.dats = {"game.xml"};
    EXPECT_EQ(RunBoardWith(files, options).status, kExitOk);
    files.files["U3copy.bin"] = lo;  // a copy is a chip of its own; one file named twice is one
    options.files = {"U3.bin", "U4.bin", "U3.bin", "U3copy.bin"};
    const std::string twice = RunBoardWith(files, options).out;
    EXPECT_TRUE(
        twice.ends_with("  files that provide none of its ROMs: U3copy.bin\n"
                        "U3.bin and U3.bin are one file; counted once.\n"))
        << twice;
    options.files = {"U3.bin", "U4.bin"};
    options.reads = {"U4.bin"};
    EXPECT_EQ(RunBoardWith(files, options).err, "vesperine-cli: --reads \"U4.bin\" is not CHIP=READ[,READ...]\n");
    options.reads.clear();
    files.files["game.xml"] = BytesOf("<mame>\n<machine name=\"g\">\n<rom name=\"a\" size=\"4\"/>\n</mame>\n");
    const Outcome broken = RunBoardWith(files, options);
    EXPECT_EQ(broken.status, kExitError);
    EXPECT_EQ(broken.err, "vesperine-cli: game.xml: line 4: XML: Start-end tags mismatch\n");
}

}  // namespace
}  // namespace vesperine::cli
