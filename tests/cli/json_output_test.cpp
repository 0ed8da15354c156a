// JSON that survives any bytes: Latin-1 file names and DATs give U+FFFD, never an exception.
#include "cli/json_output.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>

#include "cli/crc_command.h"
#include "cli/identify_command.h"
#include "cli_outcome.h"
#include "support/fake_file_system.h"

namespace vesperine::cli {
namespace {

TEST(JsonOutputTest, InvalidUtf8InNamesAndDatsBecomesTheReplacementCharacter) {
    testing::FakeFileSystem files;
    files.files["caf\xE9.bin"] = BytesOf("abc");
    files.files["latin1.dat"] =
        BytesOf("game ( name \"Caf\xE9\" rom ( name \"\xE9t\xE9.bin\" size 3 crc 352441C2 ) )\n");
    std::ostringstream out, err;
    ASSERT_EQ(RunCrc(CrcOptions{{"caf\xE9.bin"}, {}, true}, files, {out, err}), kExitOk);
    EXPECT_EQ(nlohmann::json::parse(out.str())["files"][0]["path"], "caf\uFFFD.bin");

    out.str("");
    ASSERT_EQ(RunIdentify(IdentifyOptions{{"caf\xE9.bin"}, {"latin1.dat"}, false, true}, files, {out, err}), kExitOk);
    const auto match = nlohmann::json::parse(out.str())["files"][0]["matches"][0];
    EXPECT_EQ(match["rom"], "\uFFFDt\uFFFD.bin");
    EXPECT_EQ(match["game"], "Caf\uFFFD");
}

}  // namespace
}  // namespace vesperine::cli
