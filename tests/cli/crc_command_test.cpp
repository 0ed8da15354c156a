// crc and the shared dump options: the window's numbers and refusals, strict hex arguments.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>

#include "cli/crc_command.h"
#include "cli/hex_arg.h"
#include "cli_outcome.h"
#include "support/fake_file_system.h"
#include "support/test_bytes.h"

namespace vesperine::cli {
namespace {

using vesperine::testing::FakeFileSystem;

DumpOptions Cut(std::string area, std::string stripe = "full", std::string maskPath = "", std::string maskMode = "") {
    DumpOptions dump;
    dump.area = std::move(area);
    dump.stripe = std::move(stripe);
    dump.maskPath = std::move(maskPath);
    dump.maskMode = std::move(maskMode);
    return dump;
}

CrcOptions Files(std::vector<std::string> paths, DumpOptions dump = {}, bool json = false) {
    CrcOptions options;
    options.files = std::move(paths);
    options.dump = std::move(dump);
    options.json = json;
    return options;
}

Outcome Crc(FakeFileSystem& files, const CrcOptions& options) {
    std::ostringstream out, err;
    const int status = RunCrc(options, files, {out, err});
    return {status, out.str(), err.str()};
}

TEST(HexArgTest, AcceptsOnlyPlainHexNumbers) {
    EXPECT_EQ(ParseHexArg("0"), 0u);
    EXPECT_EQ(ParseHexArg("0x1F"), 0x1Fu);
    EXPECT_EQ(ParseHexArg("ffffffff"), 0xFFFFFFFFu);
    for (const char* bad : {"", "0x", "-1", " 1", "1 ", "12345678a", "g", "1:2"}) {
        EXPECT_FALSE(ParseHexArg(bad)) << bad;
    }
    const auto open = ParseHexRange("100:");
    ASSERT_TRUE(open);
    EXPECT_EQ(open->start, 0x100u);
    EXPECT_FALSE(open->end);
    EXPECT_EQ(ParseHexRange(":20")->end, 0x20u);
    EXPECT_FALSE(ParseHexRange("100"));
    EXPECT_FALSE(ParseHexRange("1:x"));
}

TEST(CrcCommandTest, PrintsTheWindowsSizeAndCrcTexts) {
    FakeFileSystem files;
    files.files["digits"] = BytesOf("123456789");
    const Outcome run = Crc(files, Files({"digits"}));
    EXPECT_EQ(run.status, kExitOk);
    EXPECT_EQ(run.out, "digits: 9 bytes (0x00000009) CRC:CBF43926\n");
}

TEST(CrcCommandTest, StripesAndMasksAsAnalyzeDoes) {
    FakeFileSystem files;
    files.files["pair"] = Bytes{0x10, 0x20, 0x11, 0x21, 0x12, 0x22, 0x13, 0x23};
    files.files["mask"] = Bytes{0xFF};
    const Bytes even{0x20 ^ 0xFF, 0x21 ^ 0xFF, 0x22 ^ 0xFF, 0x23 ^ 0xFF};
    const auto expected = vesperine::testing::ZlibCrc(even);
    char crc[9];
    std::snprintf(crc, sizeof crc, "%08X", expected);
    const Outcome run = Crc(files, Files({"pair"}, Cut("0:8", "even", "mask")));
    EXPECT_EQ(run.status, kExitOk);
    EXPECT_EQ(run.out, std::string("pair: 4 bytes (0x00000004) CRC:") + crc + "\n");
}

TEST(CrcCommandTest, RefusesAsTheWindowRefusesWithStatusTwo) {
    FakeFileSystem files;
    files.files["f"] = Bytes(16, 0xAA);
    files.files["empty"] = Bytes{};
    struct Case {
        CrcOptions options;
        std::string message;
    };
    const Case cases[] = {
        {Files({"missing"}), "vesperine-cli: missing: File not found.\n"},
        {Files({"f"}, Cut("8:20")), "vesperine-cli: f: Target area is outside the base file.\n"},
        {Files({"f"}, Cut("8:4")),
         "vesperine-cli: --area 8:4: its end is before its start (START:END, END exclusive)\n"},
        {Files({"f"}, Cut("", "full", "", "xor")), "vesperine-cli: f: MASK data is nothing.\n"},
        {Files({"f"}, Cut("", "full", "empty")), "vesperine-cli: empty: MASK data is nothing.\n"},
        {Files({"f"}, Cut("zz")), "vesperine-cli: --area zz: give START:END in hexadecimal, e.g. 0:8000\n"},
    };
    for (const Case& c : cases) {
        const Outcome run = Crc(files, c.options);
        EXPECT_EQ(run.status, kExitError) << c.message;
        EXPECT_EQ(run.err, c.message);
        EXPECT_EQ(run.out, "");
    }
}

TEST(CrcCommandTest, JsonListsEveryFileAndItsFailure) {
    FakeFileSystem files;
    files.files["a"] = BytesOf("123456789");
    const Outcome run = Crc(files, Files({"a", "b"}, {}, true));
    EXPECT_EQ(run.status, kExitError);
    const auto doc = nlohmann::json::parse(run.out);
    ASSERT_EQ(doc["files"].size(), 2u);
    EXPECT_EQ(doc["files"][0]["crc32"], "CBF43926");
    EXPECT_EQ(doc["files"][0]["size"], 9);
    EXPECT_EQ(doc["files"][1]["path"], "b");
    EXPECT_TRUE(doc["files"][1].contains("error"));
}

}  // namespace
}  // namespace vesperine::cli
