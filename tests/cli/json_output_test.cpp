// JSON that survives any bytes: a Latin-1 file name and DAT give U+FFFD, never an exception.
#include "cli/json_output.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>

#include "cli/identify_command.h"
#include "cli_outcome.h"
#include "support/fake_file_system.h"

namespace vesperine::cli {

TEST(JsonOutputTest, InvalidUtf8InNamesAndDatsBecomesTheReplacementCharacter) {
    testing::FakeFileSystem files;
    files.files["caf\xE9.bin"] = BytesOf("abc");
    files.files["latin1.dat"] = BytesOf("game ( name \"Caf\xE9\" rom ( name \"\xE9t\xE9\" size 3 crc 352441C2 ) )");
    std::ostringstream out, err;
    ASSERT_EQ(RunIdentify(IdentifyOptions{{"caf\xE9.bin"}, {"latin1.dat"}, false, true}, files, {out, err}), kExitOk);
    const auto file = nlohmann::json::parse(out.str())["files"][0];
    EXPECT_EQ(file["path"], "caf\uFFFD.bin");
    EXPECT_EQ(file["matches"][0]["rom"].get<std::string>() + file["matches"][0]["game"].get<std::string>(),
              "\uFFFDt\uFFFDCaf\uFFFD");
}

}  // namespace vesperine::cli
