// repair and compare: candidates listed, a mended file written only when exactly one exists.
#include "cli/repair_command.h"
#include "cli_outcome.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <random>
#include <sstream>

#include "cli/compare_command.h"
#include "support/fake_file_system.h"
#include "support/test_bytes.h"

namespace vesperine::cli {
namespace {

using vesperine::testing::FakeFileSystem;

Bytes Random(std::size_t length, unsigned seed = 3) { return vesperine::testing::RandomBytes(length, seed); }
using vesperine::testing::ZlibCrcText;

Outcome Repair(FakeFileSystem& files, const std::string& path, const std::string& crc, unsigned bits,
               const std::string& write = "", bool json = false) {
    RepairOptions options{path, crc, bits, write, json};
    std::ostringstream out, err;
    const int status = RunRepair(options, files, {out, err});
    return {status, out.str(), err.str()};
}

TEST(RepairCommandTest, WritesTheOneCandidate) {
    FakeFileSystem files;
    const Bytes good = Random(0x1000);
    Bytes flaky = good;
    flaky[0x123] ^= 0x40;
    files.files["flaky.bin"] = flaky;
    const Outcome run = Repair(files, "flaky.bin", ZlibCrcText(good), 1, "mended.bin");
    EXPECT_EQ(run.status, kExitOk) << run.err;
    EXPECT_EQ(files.files["mended.bin"], good);
    char flip[64];
    std::snprintf(flip, sizeof flip, "  flip offset 0x00123 bit 6 (%02X -> %02X)\n", flaky[0x123], good[0x123]);
    EXPECT_EQ(run.out, "flaky.bin: CRC:" + ZlibCrcText(flaky) + ", expected " + ZlibCrcText(good) +
                           "\n1 candidate with one flipped bit\n" + flip + "written: mended.bin\n");
}

TEST(RepairCommandTest, WritesNothingWhenAmbiguousOrNone) {
    FakeFileSystem files;
    const Bytes good = Random(0x10000);
    Bytes flaky = good;
    flaky[0x10] ^= 0x01;
    flaky[0x8000] ^= 0x80;
    files.files["flaky.bin"] = flaky;
    const Outcome pairs = Repair(files, "flaky.bin", ZlibCrcText(good), 2, "mended.bin");
    EXPECT_EQ(pairs.status, kExitNo);
    EXPECT_NE(pairs.out.find("with two flipped bits: ambiguous, no repair can be chosen"), std::string::npos)
        << pairs.out;
    EXPECT_NE(pairs.out.find("nothing written to mended.bin"), std::string::npos);
    const Outcome single = Repair(files, "flaky.bin", ZlibCrcText(good), 1, "mended.bin");
    EXPECT_EQ(single.status, kExitNo);
    EXPECT_NE(single.out.find("no flip of one bit gives the expected CRC-32 (try --bits 2)"), std::string::npos);
    EXPECT_EQ(files.files.count("mended.bin"), 0u);
    EXPECT_EQ(files.writes, 0);
}

TEST(RepairCommandTest, JsonListsTheFlips) {
    FakeFileSystem files;
    const Bytes good = Random(64);
    Bytes flaky = good;
    flaky[5] ^= 0x02;
    flaky[60] ^= 0x10;
    files.files["f.bin"] = flaky;
    const Outcome run = Repair(files, "f.bin", ZlibCrcText(good), 2, "", true);
    EXPECT_EQ(run.status, kExitOk);
    const auto doc = nlohmann::json::parse(run.out);
    EXPECT_EQ(doc["outcome"], "unique");
    ASSERT_EQ(doc["candidates"].size(), 1u);
    const auto& flips = doc["candidates"][0]["flips"];
    EXPECT_EQ(flips[0]["offset"], 5);
    EXPECT_EQ(flips[0]["bit"], 1);
    EXPECT_EQ(flips[1]["offset"], 60);
    EXPECT_EQ(flips[1]["to"], good[60]);
    EXPECT_TRUE(doc["written"].is_null());
}

TEST(RepairCommandTest, Refusals) {
    FakeFileSystem files;
    files.files["big.bin"] = Bytes((8 << 20) + 1, 0x55);
    files.files["ok.bin"] = Random(16);
    const Outcome big = Repair(files, "big.bin", "0", 2);
    EXPECT_EQ(big.status, kExitError);
    EXPECT_NE(big.err.find("more than the 1,024 MiB allowed; files up to 8,388,608 bytes"), std::string::npos)
        << big.err;
    EXPECT_EQ(Repair(files, "ok.bin", "12345678x", 1).status, kExitError);
    EXPECT_EQ(Repair(files, "missing.bin", "0", 1).err, "vesperine-cli: missing.bin: File not found.\n");
    files.writeFailures["out.bin"] = WriteStatus::Failed;
    Bytes flaky = files.files["ok.bin"];
    flaky[0] ^= 1;
    files.files["flaky.bin"] = flaky;
    EXPECT_EQ(Repair(files, "flaky.bin", ZlibCrcText(files.files["ok.bin"]), 1, "out.bin").status, kExitError);
}

TEST(CompareCommandTest, EqualIsZeroDifferentIsOne) {
    FakeFileSystem files;
    const Bytes a = Random(0x1000);
    Bytes swapped(a.size());
    for (std::size_t i = 0; i < a.size(); ++i) swapped[i] = a[i ^ 1];
    files.files["a.bin"] = a;
    files.files["b.bin"] = swapped;
    std::ostringstream out, err;
    EXPECT_EQ(RunCompare({"a.bin", "a.bin", false}, files, {out, err}), kExitOk);
    EXPECT_EQ(out.str(), "a.bin and a.bin:\n  identical\n");
    std::ostringstream jsonOut;
    EXPECT_EQ(RunCompare({"a.bin", "b.bin", true}, files, {jsonOut, err}), kExitNo);
    const auto doc = nlohmann::json::parse(jsonOut.str());
    EXPECT_EQ(doc["transforms"][0]["name"], "byte lanes swapped");
    EXPECT_EQ(doc["first"], 0);
    EXPECT_EQ(RunCompare({"a.bin", "none.bin", false}, files, {out, err}), kExitError);
}

}  // namespace
}  // namespace vesperine::cli
