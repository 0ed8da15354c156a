// reads: bad input refused with nothing written, the consensus and the mended image written.
#include "cli/reads_command.h"
#include "cli_outcome.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <sstream>

#include "diagnosis/dump_maker.h"
#include "platform/native_file_system.h"
#include "support/fake_file_system.h"
#include "support/scratch_dir.h"
#include "support/test_bytes.h"

namespace vesperine::cli {
namespace {

using vesperine::testing::FakeFileSystem;

Outcome Reads(FileSystem& files, std::vector<std::string> reads, std::string out = "", std::string crc = "",
              bool json = false) {
    ReadsOptions options;
    options.files = std::move(reads);
    options.outPath = std::move(out);
    options.crc = std::move(crc);
    options.json = json;
    std::ostringstream o, e;
    const int status = RunReads(options, files, {o, e});
    return {status, o.str(), e.str()};
}

std::string CrcText(const Bytes& bytes) { return vesperine::testing::ZlibCrcText(bytes); }

// Three reads of an image: `weak` bits each wrong in one read, and two bits wrong in reads 1 and 2,
// which the majority gets wrong too.
FakeFileSystem ThreeReads(const Bytes& image, std::size_t weak) {
    FakeFileSystem files;
    Bytes reads[3] = {image, image, image};
    for (std::size_t k = 0; k < weak; ++k) reads[k % 3][(k * 7919) % image.size()] ^= std::uint8_t(1u << k % 8);
    for (std::size_t offset : {0x155u, 0x1AAu}) reads[0][offset] ^= 0x10, reads[1][offset] ^= 0x10;
    for (int r = 0; r < 3; ++r) files.files["r" + std::to_string(r + 1) + ".bin"] = reads[r];
    return files;
}

TEST(ReadsCommandTest, RefusesBadInputAndWritesNothing) {
    const Bytes image = diagnosis::testing::CodeImage(0x800);
    FakeFileSystem files = ThreeReads(image, 6);
    files.files["short.bin"] = Bytes(image.begin(), image.begin() + 0x400);
    const struct {
        std::vector<std::string> reads;
        std::string out, crc, message;
    } cases[] = {
        {{"r1.bin"}, "out.bin", "", "reads needs two reads of the chip or more; 1 was given"},
        {{"r1.bin", "short.bin"}, "out.bin", "", "the reads differ in length: r1.bin has 2,048 bytes, short.bin 1,024"},
        {{"r1.bin", "gone.bin"}, "out.bin", "", "gone.bin: File not found."},
        {{"r1.bin", "r2.bin"}, "r2.bin", "", "r2.bin: is the same file as the input r2.bin"},
        {{"r1.bin", "r2.bin"}, "out.bin", "12345678Z", "--crc 12345678Z: not a CRC-32 in hex"},
    };
    for (const auto& c : cases) {
        const Bytes before = files.files["r2.bin"];
        const Outcome run = Reads(files, c.reads, c.out, c.crc);
        EXPECT_EQ(run.status, kExitError) << c.message;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
        EXPECT_EQ(files.files.count("out.bin"), 0u);
        EXPECT_EQ(files.files["r2.bin"], before);
    }
}

TEST(ReadsCommandTest, AnOutputThatIsAReadByAnotherNameIsRefused) {
    vesperine::testing::ScratchDir dir("vesperine-reads-");
    const std::string a = dir.Write("a.bin", "ABCD"), b = dir.Write("b.bin", "ABCE");
    std::filesystem::create_hard_link(PathFromUtf8(a), PathFromUtf8(dir.Path("link.bin")));
    NativeFileSystem files;
    for (const std::string& out : {dir.Path("link.bin"), dir.Path(".") + "/./b.bin"}) {
        const Outcome run = Reads(files, {a, b}, out);
        EXPECT_EQ(run.status, kExitError) << out;
        EXPECT_NE(run.err.find("is the same file as the input"), std::string::npos) << run.err;
    }
    Bytes left(4);
    std::ifstream(PathFromUtf8(a), std::ios::binary).read(reinterpret_cast<char*>(left.data()), 4);
    EXPECT_EQ(left, BytesOf("ABCD"));
}

TEST(ReadsCommandTest, OneFileUnderTwoNamesIsNotTwoReads) {
    vesperine::testing::ScratchDir dir("vesperine-reads-");
    const std::string a = dir.Write("a.bin", "ABCD"), b = dir.Write("b.bin", "ABCE");
    std::filesystem::create_hard_link(PathFromUtf8(a), PathFromUtf8(dir.Path("hard.bin")));
    std::error_code noLink;
    std::filesystem::create_symlink(PathFromUtf8(a), PathFromUtf8(dir.Path("sym.bin")), noLink);
    if (noLink)
        GTEST_SKIP() << "no symbolic link can be made here (Windows without the privilege): " << noLink.message();
    NativeFileSystem files;
    const struct {
        std::vector<std::string> reads;
        std::string message;
    } cases[] = {
        {{a, dir.Path("hard.bin"), dir.Path("sym.bin")},
         "reads 1 and 2, " + a + " and " + dir.Path("hard.bin") + ", are one file"},
        {{b, a, dir.Path("sym.bin")}, "reads 2 and 3, " + a + " and " + dir.Path("sym.bin") + ", are one file"},
        {{a, b, dir.Path(".") + "/./b.bin"},
         ", are one file: each read must be a read of its own, or its bits are counted twice."},
    };
    for (const auto& c : cases) {
        const Outcome run = Reads(files, c.reads, dir.Path("out.bin"));
        EXPECT_EQ(run.status, kExitError) << c.message;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
        EXPECT_EQ(run.out, "");
        EXPECT_FALSE(std::filesystem::exists(PathFromUtf8(dir.Path("out.bin"))));
    }
}

TEST(ReadsCommandTest, WritesTheConsensusOrTheOneMendedImage) {
    const Bytes image = diagnosis::testing::CodeImage(0x800);
    FakeFileSystem files = ThreeReads(image, 12);
    const std::vector<std::string> reads = {"r1.bin", "r2.bin", "r3.bin"};

    Outcome run = Reads(files, reads, "consensus.bin");
    EXPECT_EQ(run.status, kExitNo) << run.err;
    Bytes wrong = image;
    wrong[0x155] ^= 0x10, wrong[0x1AA] ^= 0x10;
    EXPECT_EQ(files.files["consensus.bin"], wrong);

    run = Reads(files, reads, "mended.bin", CrcText(image), true);
    ASSERT_EQ(run.status, kExitOk) << run.err;
    EXPECT_EQ(files.files["mended.bin"], image);
    const nlohmann::json doc = nlohmann::json::parse(run.out);
    EXPECT_EQ(doc["mend"]["outcome"], "unique");
    EXPECT_EQ(doc["unstableBits"], 14);
    EXPECT_EQ(doc["mend"]["assignments"][0].size(), 2u);
    std::uint64_t accounted = 0;  // each group's bits once, over the groups
    for (std::size_t k = 0; k < doc["findings"].size(); ++k) {
        const auto& f = doc["findings"][k];
        if (f["group"] != 0 && (k == 0 || f["group"] != doc["findings"][k - 1]["group"]))
            accounted += f["bits"].get<std::uint64_t>();
    }
    EXPECT_EQ(accounted, 14u);

    FakeFileSystem many = ThreeReads(image, 40);  // 42 unknowns against 32 equations
    run = Reads(many, reads, "mended.bin", CrcText(image));
    EXPECT_EQ(run.status, kExitNo);
    EXPECT_NE(run.out.find("mend: 2^10 assignments of the 42 unstable bits"), std::string::npos) << run.out;
    EXPECT_EQ(many.files.count("mended.bin"), 0u);
}

}  // namespace
}  // namespace vesperine::cli
