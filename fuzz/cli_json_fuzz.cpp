// libFuzzer target: every subcommand with --json, on any bytes in file names, member names and DAT
// fields, writes one valid JSON document (or nothing, with the error status) and never throws.
#include <fuzzer/FuzzedDataProvider.h>

#include <nlohmann/json.hpp>
#include <sstream>
#include <string>

#include "base/crc32.h"
#include "base/format.h"
#include "cli/commands.h"
#include "cli/compare_command.h"
#include "cli/crc_command.h"
#include "cli/dat_command.h"
#include "cli/diagnose_command.h"
#include "cli/extract_command.h"
#include "cli/hash_command.h"
#include "cli/identify_command.h"
#include "cli/merge_command.h"
#include "cli/repair_command.h"
#include "cli/search_command.h"
#include "cli/split_command.h"
#include "dat/zip_maker.h"
#include "support/fake_file_system.h"

namespace {

using namespace vesperine;
using namespace vesperine::cli;

template <typename Options, typename Run>
void Check(const Options& options, testing::FakeFileSystem& files, Run run) {
    std::ostringstream out, err;
    const int status = run(options, files, Streams{out, err});
    const std::string text = out.str();
    if (text.empty() ? status != kExitError : !nlohmann::json::accept(text)) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const std::string name = input.ConsumeRandomLengthString(64);
    const std::string other = input.ConsumeRandomLengthString(64);
    const std::string game = input.ConsumeRandomLengthString(64);
    const std::string content = input.ConsumeRemainingBytesAsString();
    const Bytes bytes(content.begin(), content.end());

    testing::FakeFileSystem files;
    files.files[name] = bytes;
    files.files[other] = bytes;
    // A DAT whose game and ROM names come from the input and whose ROM is the file: its names
    // reach the identification's JSON.
    const std::string dat = "game ( name \"" + game + "\" rom ( name \"" + other + "\" size " +
                            std::to_string(bytes.size()) + " crc " + HexDigits(Crc32(bytes), 8) + " ) )\n";
    files.files["d.dat"] = Bytes(dat.begin(), dat.end());
    // A member name that is never empty nor a folder's, for libzip to accept.
    files.files["s.zip"] = dat::testing::MakeZip({{"m" + name + ".bin", content}});

    Check(CrcOptions{{name, other, "missing"}, {}, true}, files, RunCrc);
    Check(HashOptions{{name, "missing"}, {}, true}, files, RunHash);
    Check(ExtractOptions{name, other + "x", {}, {}, {}, {}, true}, files, RunExtract);
    Check(SplitOptions{name, 2, 1, other + "{n}", true, true}, files, RunSplit);
    Check(MergeOptions{{name, other}, other + "m", 1, true}, files, RunMerge);
    Check(SearchOptions{.file = name, .crc = "0", .size = "1", .all = true, .json = true}, files, RunSearch);
    Check(DiagnoseOptions{name, {}, 1, false, true}, files, RunDiagnose);
    Check(CompareOptions{name, other, true}, files, RunCompare);
    Check(RepairOptions{name, "0", 1, "", true}, files, RunRepair);
    Check(IdentifyOptions{{name, "s.zip", "missing"}, {"d.dat"}, true, true}, files, RunIdentify);
    Check(DatOptions{{name}, other + ".dat", game, "", true}, files, RunDat);
    return 0;
}
