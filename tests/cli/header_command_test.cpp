// header: the report, a fixed copy written beside its target and checked, and what is refused.
#include "cli/header_command.h"
#include "cli_outcome.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>

#include "headers/header_check.h"
#include "support/fake_file_system.h"

namespace vesperine::cli {
namespace {

using vesperine::testing::FakeFileSystem;

// A Game Boy image: the logo the boot ROM compares, and both checksums zero (both bad).
Bytes GameBoyImage() {
    Bytes b(0x8000, 0x11);
    const Bytes logo = {0xCE, 0xED, 0x66, 0x66, 0xCC, 0x0D, 0x00, 0x0B, 0x03, 0x73, 0x00, 0x83, 0x00, 0x0C, 0x00, 0x0D,
                        0x00, 0x08, 0x11, 0x1F, 0x88, 0x89, 0x00, 0x0E, 0xDC, 0xCC, 0x6E, 0xE6, 0xDD, 0xDD, 0xD9, 0x99,
                        0xBB, 0xBB, 0x67, 0x63, 0x6E, 0x0E, 0xEC, 0xCC, 0xDD, 0xDC, 0x99, 0x9F, 0xBB, 0xB9, 0x33, 0x3E};
    std::copy(logo.begin(), logo.end(), b.begin() + 0x104);
    b[0x14D] = b[0x14E] = b[0x14F] = 0;
    return b;
}

Outcome Header(FakeFileSystem& files, HeaderOptions options) {
    std::ostringstream out, err;
    const int status = RunHeader(options, files, {out, err});
    return {status, out.str(), err.str()};
}

TEST(HeaderCommandTest, FixWritesACopyThatChecksGoodAndSaysWhatChanged) {
    FakeFileSystem files;
    files.files["game.gb"] = GameBoyImage();
    const Outcome check = Header(files, {"game.gb", false, "", false});
    EXPECT_EQ(check.status, kExitNo);
    // 0x134..0x14C are 25 bytes of 11: x = -(25 * 0x12) = 0x3E in 8 bits.
    EXPECT_NE(check.out.find("header checksum at 0x00014D: stored 00, computed 3E"), std::string::npos) << check.out;

    const Outcome fix = Header(files, {"game.gb", true, "fixed.gb", false});
    EXPECT_EQ(fix.status, kExitOk) << fix.err;
    EXPECT_TRUE(headers::CheckHeader(files.files["fixed.gb"]).good());
    EXPECT_EQ(files.files["game.gb"], GameBoyImage());
    EXPECT_NE(fix.out.find("fixed: fixed.gb\n  0x00014D: 00 00 00 -> 3E "), std::string::npos) << fix.out;

    const Outcome again = Header(files, {"fixed.gb", true, "twice.gb", true});
    EXPECT_EQ(again.status, kExitOk);
    const auto json = nlohmann::json::parse(again.out);
    EXPECT_EQ(json["system"], "Game Boy");
    EXPECT_EQ(json["verdict"], "good");
    EXPECT_TRUE(json["good"].get<bool>());
    EXPECT_TRUE(json["fixed"].is_null());
    EXPECT_EQ(json["notFixed"],
              "nothing to fix: all checksums of the Game Boy header agree; no file written to twice.gb");
    EXPECT_EQ(files.files.count("twice.gb"), 0u);
}

TEST(HeaderCommandTest, RefusesWithoutWritingAnything) {
    FakeFileSystem files;
    files.files["game.gb"] = GameBoyImage();
    files.files["noise.bin"] = Bytes(0x1000, 0x5A);
    files.files["near.gb"] = GameBoyImage();
    files.files["near.gb"][0x110] ^= 0x04;
    files.files["far.gb"] = GameBoyImage();
    for (int i = 0; i < 12; ++i) files.files["far.gb"][0x104 + i] ^= 0xFF;
    const struct {
        HeaderOptions options;
        int status;
        const char* says;
    } cases[] = {
        {{"game.gb", true, "game.gb", false}, kExitError, "is the same file as the input"},
        {{"game.gb", true, "", false}, kExitError, "--fix needs -o OUT"},
        {{"game.gb", false, "out.gb", false}, kExitError, "is for --fix"},
        {{"missing.gb", false, "", false}, kExitError, "missing.gb"},
        {{"noise.bin", true, "out.bin", false}, kExitNo, "no known system (tried: Nintendo 64, "},
        {{"noise.bin", true, "out.bin", false}, kExitNo, "cannot fix: the image is of no known system; --system NAME"},
        {{"near.gb", true, "out.gb", false},
         kExitNo,
         "warning: recognised by marks that differ from its own: the logo"},
        {{"near.gb", true, "out.gb", false}, kExitNo, "; --system gameboy states it; nothing written to out.gb"},
        {{"far.gb", false, "", false, "gameboy"},
         kExitNo,
         "  system: given (--system gameboy), not recognised: the logo at 0x000104 differs from Nintendo's in 12 of "
         "48 bytes (at 0x000104, 0x000105, 0x000106, 0x000107, ...)"},
        {{"game.gb", false, "", false, "snes"}, kExitError, "--system snes: no such system (known: n64, gba, "},
        {{"game.gb", false, "", false, "", "6104"}, kExitError, "--cic 6104: no such CIC chip (known: 6102, 6101"},
        {{"game.gb", false, "", false, "", "6102"}, kExitError, "--cic states a Nintendo 64 boot chip, and the image"},
    };
    for (const auto& c : cases) {
        const Outcome run = Header(files, c.options);
        EXPECT_EQ(run.status, c.status) << c.says;
        EXPECT_NE((run.out + run.err).find(c.says), std::string::npos) << run.out << run.err;
    }
    EXPECT_EQ(files.writes, 0);
}

}  // namespace
}  // namespace vesperine::cli
