// The rules every writing command keeps, on real files: no output is an input, whatever its
// spelling; outputs are all or nothing; what is printed is what the file on disk holds.
#include <gtest/gtest.h>
#include <zlib.h>

#include <filesystem>
#include <functional>
#include <map>
#include <sstream>

#include "cli/crc_command.h"
#include "cli/dat_command.h"
#include "cli/extract_command.h"
#include "cli/merge_command.h"
#include "cli/repair_command.h"
#include "cli/split_command.h"
#include "platform/native_file_system.h"
#include "support/posix_only.h"
#include "support/scratch_dir.h"
#include "support/test_bytes.h"

namespace vesperine::cli {
namespace {

namespace fs = std::filesystem;
using vesperine::testing::ScratchDir;

// k1.bin is kGood with one bit flipped, which repair mends.
const std::string kGood("\x00\x11\x22\x33\x44\x55\x66\x77", 8);

std::string ZlibCrc(const std::string& bytes) {
    return vesperine::testing::ZlibCrcText(vesperine::testing::BytesOf(bytes));
}

// Every writing command, reading k1.bin (merge: k0.bin and k1.bin) in d; out is the -o
// pattern, {n} taken as 1 by the commands that write one file.
using Run = std::function<int(FileSystem& f, const ScratchDir& d, const std::string& out, Streams s)>;
const std::pair<const char*, Run> kCommands[] = {
    {"extract",
     [](auto& f, auto& d, auto& out, Streams s) {
         return RunExtract({d.Path("k1.bin"), d.Path(PartPath(out, 1)), {}, {}, {}, {}, false}, f, s);
     }},
    {"merge",
     [](auto& f, auto& d, auto& out, Streams s) {
         return RunMerge({{d.Path("k0.bin"), d.Path("k1.bin")}, d.Path(PartPath(out, 1)), 1, false}, f, s);
     }},
    {"split",
     [](auto& f, auto& d, auto& out, Streams s) {
         return RunSplit({d.Path("k1.bin"), 2, 1, d.Path(out), false, false}, f, s);
     }},
    {"dat",
     [](auto& f, auto& d, auto& out, Streams s) {
         return RunDat({{d.Path("k1.bin")}, d.Path(PartPath(out, 1)), "", "", false}, f, s);
     }},
    {"repair",
     [](auto& f, auto& d, auto& out, Streams s) {
         return RunRepair({d.Path("k1.bin"), ZlibCrc(kGood), 1, d.Path(PartPath(out, 1)), false}, f, s);
     }},
};

#ifdef _WIN32
constexpr bool kWindows = true;
#else
constexpr bool kWindows = false;
#endif

// Everything under the folder: each file's bytes, "/" for a folder. Temporaries left behind show.
std::map<std::string, std::string> Snapshot(const ScratchDir& dir) {
    std::map<std::string, std::string> entries;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(dir.path())) {
        entries[Utf8FromPath(entry.path())] = entry.is_directory() ? "/" : ScratchDir::Read(Utf8FromPath(entry.path()));
    }
    return entries;
}

// d0 a folder and d1 a file, so that d{n}/x fails at its second part, even for root; ro1 a
// folder without write permission; h1.bin a hard link to k1.bin.
void MakeFiles(const ScratchDir& dir) {
    std::string flaky = kGood;
    flaky[2] = static_cast<char>(flaky[2] ^ 0x04);
    dir.Write("k0.bin", "abcdefgh");
    dir.Write("k1.bin", flaky);
    for (const char* folder : {"sub", "dir1", "d0", "ro0", "ro1"}) fs::create_directories(dir.path() / folder);
    fs::permissions(dir.path() / "ro1", fs::perms::owner_read | fs::perms::owner_exec);
    dir.Write("d1", "a file, not a folder");
    fs::create_hard_link(PathFromUtf8(dir.Path("k1.bin")), PathFromUtf8(dir.Path("h1.bin")));
}

TEST(OutputRulesTest, NoCommandWritesOverAnInputOrLeavesAPartialGroup) {
    const struct {
        const char* out;
        const char* message;  // in what is said on standard error
    } cases[] = {
        {"k{n}.bin", "is the same file as the input"},
        {"./k{n}.bin", "is the same file as the input"},
        {"sub/../k{n}.bin", "is the same file as the input"},
        {"h{n}.bin", "is the same file as the input"},
        {"dir{n}", "is a folder, not a file: nothing written"},
        {"d{n}/x", "Write error."},
        {"ro{n}/x", "Write error."},  // a read-only folder stops neither root nor Windows: skipped then
    };
    for (const auto& [name, run] : kCommands) {
        for (const auto& c : cases) {
            // A folder's read-only mark stops no write on Windows (only a file's does there): the
            // case holds on POSIX systems only, for users other than root.
            if (c.out[0] == 'r' && (vesperine::testing::RunningAsRoot() || kWindows)) continue;
            SCOPED_TRACE(std::string(name) + " -o " + c.out);
            const ScratchDir dir("vesperine-rules-");
            MakeFiles(dir);
            const std::map<std::string, std::string> before = Snapshot(dir);
            std::ostringstream out, err;
            NativeFileSystem files;
            EXPECT_EQ(run(files, dir, c.out, {out, err}), kExitError);
            EXPECT_NE(err.str().find(c.message), std::string::npos) << err.str();
            EXPECT_EQ(Snapshot(dir), before);
        }
        // Written, each file's line is its size and CRC as it lies on disk (repair says "written").
        const ScratchDir dir("vesperine-rules-");
        MakeFiles(dir);
        std::ostringstream out, err;
        NativeFileSystem files;
        ASSERT_EQ(run(files, dir, "out{n}.bin", {out, err}), kExitOk) << err.str();
        for (const char* part : {"out0.bin", "out1.bin"}) {
            if (!fs::exists(dir.path() / part)) continue;
            const std::string bytes = ScratchDir::Read(dir.Path(part));
            char line[64];
            std::snprintf(line, sizeof line, "%zu bytes (0x%08zX) CRC:%s", bytes.size(), bytes.size(),
                          ZlibCrc(bytes).c_str());
            EXPECT_TRUE(name == std::string("repair") ? bytes == kGood : out.str().find(line) != std::string::npos)
                << out.str();
        }
    }
}

// A folder is called one, not "File not found." (the area and mask messages are in their commands' tests).
TEST(OutputRulesTest, AFolderReadAsAFileIsCalledOne) {
    const ScratchDir dir("vesperine-rules-");
    NativeFileSystem files;
    std::ostringstream out, err;
    EXPECT_EQ(RunCrc({{Utf8FromPath(dir.path())}, {}, false}, files, {out, err}), kExitError);
    EXPECT_EQ(err.str(), "vesperine-cli: " + Utf8FromPath(dir.path()) + ": is a folder, not a file\n");
}

}  // namespace
}  // namespace vesperine::cli
