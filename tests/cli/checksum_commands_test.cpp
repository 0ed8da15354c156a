// sum, checksum and solve: their texts, JSON, and refusals of bad input before any work.
#include <gtest/gtest.h>

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>
#include <random>
#include <sstream>

#include "analysis/views.h"
#include "base/format.h"
#include "checksum/naive_sums.h"

#include "cli/checksum_command.h"
#include "cli/solve_command.h"
#include "cli/subcommand.h"
#include "cli/sum_command.h"
#include "cli_outcome.h"
#include "support/fake_file_system.h"

namespace vesperine::cli {
namespace {

using vesperine::testing::FakeFileSystem;

template <typename Options, typename Run>
Outcome RunWith(FakeFileSystem& files, const Options& options, Run run) {
    std::ostringstream out, err;
    const int status = run(options, files, Streams{out, err});
    return {status, out.str(), err.str()};
}

TEST(ChecksumCommandsTest, SumTableAndJsonSurviveAnyFileName) {
    FakeFileSystem files;
    files.files["digits"] = BytesOf("123456789");
    files.files["\xFF.bin"] = BytesOf("123456789");
    const Outcome text = RunWith(files, SumOptions{{"digits"}, {}, false}, RunSum);
    EXPECT_EQ(text.status, kExitOk);
    EXPECT_NE(text.out.find("    SUM-8                           DD            23            22\n"), std::string::npos)
        << text.out;
    const Outcome json = RunWith(files, SumOptions{{"\xFF.bin", "missing"}, {}, true}, RunSum);
    EXPECT_EQ(json.status, kExitError);
    const auto parsed = nlohmann::json::parse(json.out);
    EXPECT_EQ(parsed["files"][0]["views"][0]["sums"][0]["plain"], "DD");
    EXPECT_TRUE(parsed["files"][1].contains("error"));
}

// The tables from one pass of wide totals, against every view cut out and summed unit by unit
// (the dump cut as every command cuts it), over random lengths, areas and stripes.
TEST(ChecksumCommandsTest, SumTablesAgreeWithEveryViewSummedAfresh) {
    std::mt19937 random(31);
    for (int round = 0; round < 60; ++round) {
        FakeFileSystem files;
        Bytes bytes(random() % 600);
        for (auto& b : bytes) b = static_cast<std::uint8_t>(random());
        files.files["f.bin"] = bytes;
        SumOptions options{{"f.bin"}, {}, true};
        if (round % 3 == 1) options.dump.area = HexDigits(random() % 64, 2) + ":" + HexDigits(64 + random() % 600, 3);
        if (round % 3 == 2) options.dump.stripe = round % 2 ? "odd" : "even";
        const Outcome outcome = RunWith(files, options, RunSum);
        std::ostringstream ignored;
        const std::optional<CutFile> cut = LoadAndCut(options.dump, "f.bin", files, ignored);
        ASSERT_EQ(outcome.status, cut ? kExitOk : kExitError) << outcome.err;
        if (!cut) continue;
        const auto views = nlohmann::json::parse(outcome.out)["files"][0]["views"];
        const std::vector<View> expected = ChecksumViewsOf(cut->dump.bytes, false);
        ASSERT_EQ(views.size(), expected.size());
        for (std::size_t v = 0; v < expected.size(); ++v) {
            EXPECT_EQ(views[v]["view"], expected[v].plan.name);
            for (std::size_t r = 0; r < checksum::SumRows().size(); ++r) {
                for (const auto& [form, column] : {std::pair{checksum::SumForm::Plain, "plain"},
                                                   {checksum::SumForm::Negated, "negated"},
                                                   {checksum::SumForm::Complemented, "complemented"}}) {
                    checksum::SumKind kind = checksum::SumRows()[r];
                    kind.form = form;
                    EXPECT_EQ(views[v]["sums"][r][column],
                              ChecksumDigits(checksum::NaiveSum(expected[v].bytes, kind), kind.width))
                        << expected[v].plan.name << " " << checksum::SumName(kind) << " of " << bytes.size();
                }
            }
        }
    }
}

TEST(ChecksumCommandsTest, ChecksumByNameAndItsRefusals) {
    FakeFileSystem files;
    files.files["digits"] = BytesOf("123456789");
    ChecksumOptions options;
    options.files = {"digits"};
    options.algorithms = {"crc-16/arc,CRC-32", "SUM-8/NEG"};
    Outcome run = RunWith(files, options, RunChecksum);
    EXPECT_EQ(run.status, kExitOk);
    EXPECT_EQ(run.out, "digits: CRC-16/ARC BB3D\ndigits: CRC-32/ISO-HDLC CBF43926\ndigits: SUM-8/NEG 23\n");
    options.algorithms = {"CRC-16/ARC", "CRC-99/NOPE"};
    run = RunWith(files, options, RunChecksum);
    EXPECT_EQ(run.status, kExitError);
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find("unknown checksum \"CRC-99/NOPE\""), std::string::npos);
    options.algorithms.clear();
    EXPECT_EQ(RunWith(files, options, RunChecksum).status, kExitError);
    options.list = true;
    run = RunWith(files, options, RunChecksum);
    EXPECT_NE(run.out.find("width=16 poly=0x8005 init=0x0000 refin=true refout=true xorout=0x0000 check=0xBB3D "
                           "name=\"CRC-16/ARC\" aliases: ARC CRC-16 CRC-16/LHA CRC-IBM\n"),
              std::string::npos);
}

TEST(ChecksumCommandsTest, SolveFindsTheCheckValueAndRefusesBadInput) {
    FakeFileSystem files;
    files.files["digits"] = BytesOf("123456789");
    files.files["big"] = Bytes(65536, 0x5A);
    SolveOptions options;
    options.file = "digits";
    options.value = "31C3";
    Outcome run = RunWith(files, options, RunSolve);
    EXPECT_EQ(run.status, kExitOk);
    EXPECT_NE(run.out.find("  CRC-16/XMODEM over whole\n"), std::string::npos) << run.out;
    const struct {
        const char* file;
        const char* value;
        unsigned width;
        const char* min;
        const char* limit;
        const char* message;
    } refused[] = {
        {"digits", "12345", 16, "", "20", "--value 12345 is wider than 16 bits"},
        {"digits", "12", 24, "", "20", "--width 24: give 8, 16 or 32"},
        {"digits", "xyz", 0, "", "20", "--value xyz: give 1 to 8 hexadecimal digits"},
        {"big", "1234", 0, "1", "20", "times by chance at 16 bits (measured over 8 decoy values): bound the length"},
        // Counts that size memory: no sign, no wrap to 2^64 - 1, and a bound.
        {"digits", "31C3", 0, "", "-1", "--limit -1: give a whole number from 0 to 1,000,000"},
        {"digits", "31C3", 0, "", "18446744073709551616", "--limit 18446744073709551616: give a whole number"},
        {"digits", "31C3", 0, "", "1000001", "--limit 1000001: give a whole number from 0 to 1,000,000"},
    };
    for (const auto& c : refused) {
        SolveOptions bad;
        bad.file = c.file;
        bad.value = c.value;
        bad.width = c.width;
        bad.minLength = c.min;
        bad.limit = c.limit;
        run = RunWith(files, bad, RunSolve);
        EXPECT_EQ(run.status, kExitError) << c.message;
        EXPECT_EQ(run.out, "");
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    }
}

// Each --algo takes one value (several by commas): a file after it is a file.
TEST(ChecksumCommandsTest, AFileAfterAlgoIsAFile) {
    CLI::App app;
    ChecksumOptions options;
    static_cast<void>(AddSubcommandOptions(app, kChecksumCommand, options));
    app.parse("checksum --algo CRC-32C bios.bin --algo crc-16/arc,SUM-8 vga.bin", false);
    EXPECT_EQ(options.algorithms, (std::vector<std::string>{"CRC-32C", "crc-16/arc,SUM-8"}));
    EXPECT_EQ(options.files, (std::vector<std::string>{"bios.bin", "vga.bin"}));
}

}  // namespace
}  // namespace vesperine::cli
