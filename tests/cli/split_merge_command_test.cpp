// split and merge: parts written as the interleave says, round trips, and refusals that write nothing.
#include <gtest/gtest.h>

#include <random>
#include <sstream>

#include "cli/merge_command.h"
#include "cli/split_command.h"
#include "cli_outcome.h"
#include "support/dialog_harness.h"
#include "support/test_bytes.h"

namespace vesperine::cli {
namespace {

using vesperine::testing::FakeFileSystem;
using vesperine::testing::HexBytes;
using vesperine::testing::HexString;

using vesperine::testing::ZlibCrcText;

Outcome Split(FileSystem& files, std::string file, std::uint32_t ways, std::uint32_t width, std::string pattern,
              bool pad = false) {
    SplitOptions options{std::move(file), ways, width, std::move(pattern), pad, false};
    std::ostringstream out, err;
    const int status = RunSplit(options, files, {out, err});
    return {status, out.str(), err.str()};
}

Outcome Merge(FileSystem& files, std::vector<std::string> parts, std::string output, std::uint32_t width = 1) {
    MergeOptions options{std::move(parts), std::move(output), width, false};
    std::ostringstream out, err;
    const int status = RunMerge(options, files, {out, err});
    return {status, out.str(), err.str()};
}

TEST(SplitCommandTest, WritesEachPartUnderItsNumberFromZero) {
    FakeFileSystem files;
    files.files["bus"] = HexBytes("00 01 02 03 10 11 12 13");
    const Outcome run = Split(files, "bus", 4, 1, "rom_{n}.bin");
    ASSERT_EQ(run.status, kExitOk) << run.err;
    EXPECT_EQ(HexString(files.files.at("rom_0.bin")), "00 10");
    EXPECT_EQ(HexString(files.files.at("rom_3.bin")), "03 13");
    EXPECT_EQ(run.out.substr(0, run.out.find('\n')),
              "rom_0.bin: 2 bytes (0x00000002) CRC:" + ZlibCrcText(HexBytes("00 10")));
    EXPECT_NE(run.out.find("rom_3.bin: 2 bytes (0x00000002) CRC:" + ZlibCrcText(HexBytes("03 13"))), std::string::npos);

    files.files["odd"] = HexBytes("A0 A1 B0");
    const Outcome padded = Split(files, "odd", 2, 2, "{n}", true);
    ASSERT_EQ(padded.status, kExitOk) << padded.err;
    EXPECT_EQ(HexString(files.files.at("1")), "B0 FF");
    EXPECT_EQ(padded.err, "vesperine-cli: odd: padded with 1 byte of FF to 4 bytes\n");
}

TEST(SplitCommandTest, MergeOfTheSplitPartsGivesTheFileBack) {
    std::mt19937 random(3);
    for (std::uint32_t ways = 2; ways <= 8; ++ways) {
        for (const std::uint32_t width : {1u, 2u, 4u}) {
            FakeFileSystem files;
            Bytes image(ways * width * (1 + random() % 50));
            for (auto& b : image) b = static_cast<std::uint8_t>(random());
            files.files["image"] = image;
            ASSERT_EQ(Split(files, "image", ways, width, "part{n}").status, kExitOk);
            std::vector<std::string> parts;
            for (std::uint32_t p = 0; p < ways; ++p) parts.push_back("part" + std::to_string(p));
            const Outcome merged = Merge(files, parts, "merged", width);
            ASSERT_EQ(merged.status, kExitOk) << merged.err;
            EXPECT_EQ(files.files.at("merged"), image) << ways << " ways of " << width;
        }
    }
}

TEST(SplitCommandTest, RefusesWithStatusTwoAndWritesNothing) {
    FakeFileSystem files;
    files.files["f"] = Bytes(12, 0xAB);
    files.files["seven"] = Bytes(7, 0xAB);
    files.files["empty"] = Bytes{};
    const struct {
        const char* file;
        std::uint32_t ways;
        std::uint32_t width;
        const char* pattern;
        const char* message;
    } cases[] = {
        {"f", 1, 1, "p{n}", "vesperine-cli: --ways 1: give 2 to 8 chips\n"},
        {"f", 9, 1, "p{n}", "vesperine-cli: --ways 9: give 2 to 8 chips\n"},
        {"f", 2, 3, "p{n}", "vesperine-cli: --width 3: give 1, 2 or 4 bytes per chip\n"},
        {"f", 2, 1, "p.bin",
         "vesperine-cli: -o p.bin: the pattern needs {n} for the part's number, e.g. rom_{n}.bin\n"},
        {"missing", 2, 1, "p{n}", "vesperine-cli: missing: File not found.\n"},
        {"empty", 2, 1, "p{n}", "vesperine-cli: empty: the file is empty: nothing to split\n"},
        {"seven", 2, 1, "p{n}",
         "vesperine-cli: seven: 7 bytes is not a multiple of 2 (2 ways of 1 byte); give --pad to fill the last group "
         "with FF\n"},
        {"f", 2, 4, "p{n}",
         "vesperine-cli: f: 12 bytes is not a multiple of 8 (2 ways of 4 bytes); give --pad to fill the last group "
         "with FF\n"},
    };
    for (const auto& c : cases) {
        const Outcome run = Split(files, c.file, c.ways, c.width, c.pattern);
        EXPECT_EQ(run.status, kExitError) << c.message;
        EXPECT_EQ(run.err, c.message);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(files.writes, 0) << c.message;
    }
    files.files["0"] = Bytes(4, 1);
    const Outcome clash = Split(files, "0", 2, 1, "{n}");
    EXPECT_EQ(clash.err, "vesperine-cli: 0: is the same file as the input 0: nothing written\n");
    EXPECT_EQ(files.writes, 0);

    files.writeFailures["p1"] = WriteStatus::Failed;
    const Outcome failed = Split(files, "f", 2, 1, "p{n}");
    EXPECT_EQ(failed.status, kExitError);
    EXPECT_EQ(failed.err, "vesperine-cli: p1: Write error.\n");
    EXPECT_EQ(files.files.count("p0") + files.files.count("p0.part"), 0u);  // all parts or none
}

TEST(MergeCommandTest, RefusesWithStatusTwoAndWritesNothing) {
    FakeFileSystem files;
    files.files["a"] = Bytes(6, 1);
    files.files["b"] = Bytes(6, 2);
    files.files["short"] = Bytes(4, 3);
    files.files["e1"] = Bytes{};
    files.files["e2"] = Bytes{};
    files.writeFailures["/ro/out"] = WriteStatus::CannotOpen;
    const struct {
        std::vector<std::string> parts;
        std::uint32_t width;
        const char* output;
        const char* message;
    } cases[] = {
        {{"a"}, 1, "out", "vesperine-cli: 1 parts: give 2 to 8 parts\n"},
        {{"a", "b", "a", "b", "a", "b", "a", "b", "a"}, 1, "out", "vesperine-cli: 9 parts: give 2 to 8 parts\n"},
        {{"a", "b"}, 3, "out", "vesperine-cli: --width 3: give 1, 2 or 4 bytes per chip\n"},
        {{"a", "missing"}, 1, "out", "vesperine-cli: missing: File not found.\n"},
        {{"a", "short"}, 1, "out", "vesperine-cli: the parts differ in length: a 6 bytes, short 4 bytes\n"},
        {{"e1", "e2"}, 1, "out", "vesperine-cli: the parts are empty: nothing to merge\n"},
        {{"a", "b"}, 4, "out", "vesperine-cli: 6 bytes per part is not a multiple of the width, 4 bytes\n"},
        {{"a", "b"}, 2, "/ro/out", "vesperine-cli: /ro/out: Write error.\n"},
    };
    for (const auto& c : cases) {
        const Outcome run = Merge(files, c.parts, c.output, c.width);
        EXPECT_EQ(run.status, kExitError) << c.message;
        EXPECT_EQ(run.err, c.message);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(files.files.count("out") + files.files.count("/ro/out"), 0u);
    }
}

}  // namespace
}  // namespace vesperine::cli
