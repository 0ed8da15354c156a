// diagnose: the plain and JSON forms of a diagnosis, its exit statuses and its refusals.
#include "cli/diagnose_command.h"
#include "cli_outcome.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <random>
#include <sstream>

#include "support/fake_file_system.h"
#include "support/test_bytes.h"

namespace vesperine::cli {
namespace {

using vesperine::testing::FakeFileSystem;

Bytes Random(std::size_t length) { return vesperine::testing::RandomBytes(length, 7); }

Outcome Diagnose(FakeFileSystem& files, const std::string& path, unsigned width = 1, bool json = false,
                 std::string area = "") {
    DiagnoseOptions options;
    options.file = path;
    options.width = width;
    options.json = json;
    options.dump.area = std::move(area);
    std::ostringstream out, err;
    const int status = RunDiagnose(options, files, {out, err});
    return {status, out.str(), err.str()};
}

TEST(DiagnoseCommandTest, ACleanDumpSaysSoAndExitsZero) {
    FakeFileSystem files;
    Bytes dump = Random(0x10000);
    std::fill(dump.begin() + 0x8000, dump.end(), 0xFF);
    files.files["good.bin"] = dump;
    const Outcome run = Diagnose(files, "good.bin");
    EXPECT_EQ(run.status, kExitOk);
    EXPECT_EQ(run.out,
              "good.bin: 65536 bytes (0x00010000), 8-bit words, whole file and both byte lanes\n"
              "No faults found: every data line toggles, every address line has an effect, no byte lane is empty "
              "and the image is not repeated.\n"
              "info     upper half (A15 = 1) is all FF: unused (erased)\n"
              "         (start 0x08000, last 0x0FFFF, value 0xFF, bytes 32768)\n");
}

TEST(DiagnoseCommandTest, AFaultExitsOneAndJsonCarriesTheSameFinding) {
    FakeFileSystem files;
    Bytes dump = Random(0x4000);
    for (auto& b : dump) b |= 0x08;
    files.files["bad.bin"] = dump;
    const Outcome plain = Diagnose(files, "bad.bin");
    EXPECT_EQ(plain.status, kExitNo);
    EXPECT_NE(plain.out.find("fault    D3 stuck at 1: data line 3 is always high (open pin or shorted to VCC)\n"
                             "         (line 3, level 1, words 16384)\n"),
              std::string::npos)
        << plain.out;
    const Outcome json = Diagnose(files, "bad.bin", 1, true);
    EXPECT_EQ(json.status, kExitNo);
    const auto doc = nlohmann::json::parse(json.out);
    EXPECT_EQ(doc["clean"], false);
    ASSERT_EQ(doc["findings"].size(), 1u);
    const auto& finding = doc["findings"][0];
    EXPECT_EQ(finding["severity"], "fault");
    EXPECT_EQ(finding["kind"], "data-line");
    EXPECT_EQ(finding["line"], 3);
    EXPECT_EQ(finding["scope"], "whole file");
    EXPECT_EQ(finding["evidence"]["words"], 16384);
}

TEST(DiagnoseCommandTest, AnAreaIsDiagnosedAlone) {
    FakeFileSystem files;
    Bytes dump = Random(0x2000);
    std::fill(dump.begin(), dump.begin() + 0x1000, 0xFF);
    files.files["half.bin"] = dump;
    EXPECT_EQ(Diagnose(files, "half.bin", 1, false, "0:1000").out,
              "half.bin: 4096 bytes (0x00001000), 8-bit words, whole file\n"
              "fault    blank: every byte is FF (erased or unread chip)\n"
              "         (value 0xFF, bytes 4096)\n");
}

TEST(DiagnoseCommandTest, RefusesWhatCannotBeDiagnosed) {
    FakeFileSystem files;
    files.files["empty.bin"] = {};
    files.files["odd.bin"] = Random(1001);
    const struct {
        const char* path;
        unsigned width;
        const char* err;
    } cases[] = {
        {"missing.bin", 1, "vesperine-cli: missing.bin: File not found.\n"},
        {"empty.bin", 1, "vesperine-cli: empty.bin: Nothing to diagnose: the dump is empty.\n"},
        {"odd.bin", 2,
         "vesperine-cli: odd.bin: --width 2 needs whole 16-bit words; the dump is 1001 bytes, an odd length.\n"},
    };
    for (const auto& c : cases) {
        const Outcome run = Diagnose(files, c.path, c.width);
        EXPECT_EQ(run.status, kExitError) << c.path;
        EXPECT_EQ(run.err, c.err);
        EXPECT_EQ(run.out, "");
    }
    EXPECT_EQ(Diagnose(files, "odd.bin", 1).status, kExitOk);
}

}  // namespace
}  // namespace vesperine::cli
