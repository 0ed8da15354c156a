// extract: the same bytes as Analyze, the transforms and Save DumpFile in the window; the
// command line's order of transforms; refusals that write nothing.
#include <gtest/gtest.h>

#include <CLI/CLI.hpp>
#include <random>
#include <sstream>

#include "cli/crc_command.h"
#include "cli/extract_command.h"
#include "cli/subcommand.h"
#include "cli_outcome.h"
#include "support/dialog_harness.h"
#include "support/test_bytes.h"

namespace vesperine::cli {
namespace {

using vesperine::testing::DialogHarness;
using vesperine::testing::HexBytes;
using vesperine::testing::HexString;

Outcome Extract(FileSystem& files, const ExtractOptions& options) {
    std::ostringstream out, err;
    const int status = RunExtract(options, files, {out, err});
    return {status, out.str(), err.str()};
}

ExtractOptions Options(std::string file, std::string output, std::vector<TransformArg> transforms = {},
                       std::string area = "") {
    ExtractOptions options;
    options.file = std::move(file);
    options.output = std::move(output);
    options.transforms = std::move(transforms);
    options.dump.area = std::move(area);
    return options;
}

const char* kStripes[] = {"full", "odd", "even"};
const char* kMaskModes[] = {"nothing", "xor", "replace"};

TEST(ExtractCommandTest, TransformsComeInTheCommandLinesOrder) {
    CLI::App app;
    ExtractOptions options;
    CLI::App* extract = AddSubcommandOptions(app, kExtractCommand, options);
    app.parse("extract --swap32 --xor 5A b --swap-halves --xor=01 -o a --swap16", false);
    std::string order;
    for (const TransformArg& t : TransformsInOrder(*extract)) {
        order += std::to_string(static_cast<int>(t.kind)) + t.text + " ";
    }
    // Xor 0, Swap16 1, Swap32 2, SwapHalves 3.
    EXPECT_EQ(order, "2 05A 3 001 1 ");
}

TEST(ExtractCommandTest, WritesWhatTheWindowSavesAfterTheSameTransforms) {
    std::mt19937 random(10);
    for (int round = 0; round < 60; ++round) {
        Bytes base(1 + random() % 300);
        for (auto& b : base) b = static_cast<std::uint8_t>(random());
        Bytes mask(random() % 3 == 0 ? 256 : 1 + random() % 20);
        for (auto& b : mask) b = static_cast<std::uint8_t>(random());
        const auto start = static_cast<std::uint32_t>(random() % base.size());
        const auto end = static_cast<std::uint32_t>(start + random() % (base.size() - start + 1));
        const int stripe = static_cast<int>(random() % 3);
        const int maskMode = static_cast<int>(random() % 3);
        char area[32];
        std::snprintf(area, sizeof area, "%X:%X", start, end);

        DialogHarness window;
        window.LoadBase(base);
        window.LoadMask(mask);
        window.TypeArea(std::string(area).substr(0, std::string(area).find(':')),
                        std::string(area).substr(std::string(area).find(':') + 1));
        window.ChooseStripe(stripe);
        window.ChooseMask(maskMode);
        window.dialog.Analyze();

        ExtractOptions options = Options("/roms/base.bin", "/out/cli.bin", {}, area);
        options.dump.stripe = kStripes[stripe];
        options.dump.maskPath = "/roms/mask.bin";
        options.dump.maskMode = kMaskModes[maskMode];
        // crc over the same cut shows what Analyze shows.
        CrcOptions crc;
        crc.files = {"/roms/base.bin"};
        crc.dump = options.dump;
        std::ostringstream crcOut, crcErr;
        ASSERT_EQ(RunCrc(crc, window.files, {crcOut, crcErr}), kExitOk) << crcErr.str();
        EXPECT_EQ(crcOut.str(),
                  "/roms/base.bin: " + window.Text(ids::kDumpSize) + " CRC:" + window.Text(ids::kDumpCrc) + "\n");

        for (int t = 0, count = static_cast<int>(random() % 5); t < count; ++t) {
            switch (random() % 4) {
                case 0: {
                    char value[3];
                    std::snprintf(value, sizeof value, "%02X", static_cast<unsigned>(random() % 256));
                    window.host.Type(ids::kQuickExorText, value);
                    window.dialog.QuickExor();
                    options.transforms.push_back({TransformKind::Xor, value});
                    break;
                }
                case 1:
                    window.host.CheckRadio(ids::kEndian16, ids::kEndian32, 0);
                    window.dialog.EndianConvert();
                    options.transforms.push_back({TransformKind::Swap16, ""});
                    break;
                case 2:
                    window.host.CheckRadio(ids::kEndian16, ids::kEndian32, 1);
                    window.dialog.EndianConvert();
                    options.transforms.push_back({TransformKind::Swap32, ""});
                    break;
                default:
                    window.dialog.SwapHalves();
                    options.transforms.push_back({TransformKind::SwapHalves, ""});
                    break;
            }
        }
        window.host.saveAnswers.push_back("/out/window.bin");
        window.dialog.SaveDumpFile();

        const Outcome run = Extract(window.files, options);
        ASSERT_EQ(run.status, kExitOk) << run.err;
        const Bytes& written = window.files.files.at("/out/cli.bin");
        EXPECT_EQ(HexString(written), HexString(window.files.files.at("/out/window.bin"))) << "round " << round;
        EXPECT_EQ(run.out, "/out/cli.bin: " + window.Text(ids::kDumpSize) +
                               " CRC:" + vesperine::testing::ZlibCrcText(written) + "\n");
    }
}

TEST(ExtractCommandTest, RefusesWithStatusTwoAndWritesNothing) {
    vesperine::testing::FakeFileSystem files;
    files.files["f"] = HexBytes("01 02 03 04");
    files.files["empty"] = Bytes{};
    files.writeFailures["/ro/out"] = WriteStatus::CannotOpen;
    ExtractOptions noMask = Options("f", "out");
    noMask.dump.maskPath = "empty";
    const struct {
        ExtractOptions options;
        const char* message;
    } cases[] = {
        {Options("missing", "out"), "vesperine-cli: missing: File not found.\n"},
        {Options("f", "out", {}, "2:8"), "vesperine-cli: f: Target area is outside the base file.\n"},
        {noMask, "vesperine-cli: empty: MASK data is nothing.\n"},
        {Options("f", "out", {{TransformKind::Xor, "100"}}),
         "vesperine-cli: --xor 100: give one byte in hexadecimal, 00 to FF\n"},
        {Options("f", "out", {{TransformKind::Swap16, ""}, {TransformKind::Xor, "zz"}}),
         "vesperine-cli: --xor zz: give one byte in hexadecimal, 00 to FF\n"},
        {Options("f", "/ro/out"), "vesperine-cli: /ro/out: Write error.\n"},
    };
    for (const auto& c : cases) {
        const Outcome run = Extract(files, c.options);
        EXPECT_EQ(run.status, kExitError) << c.message;
        EXPECT_EQ(run.err, c.message);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(files.files.count("out") + files.files.count("/ro/out"), 0u) << c.message;
    }
}

}  // namespace
}  // namespace vesperine::cli
