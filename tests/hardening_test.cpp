// States no click produces but a field can hold, found by the dialog fuzzer.
#include <gtest/gtest.h>

#include <climits>

#include "support/dialog_harness.h"

namespace vesperine {
namespace {

using testing::DialogHarness;
using testing::HexBytes;

// A pull that meets an over-long text stops there, so the fields of later rows, the endian
// mode among them, keep whatever they held.
TEST(ModeFieldsOutsideTheirGroups, EndianConvertLogsTheWidthWithoutOverflow) {
    const struct {
        std::int32_t mode;
        const char* prefix;
    } cases[] = {
        {INT_MAX, "34359738368Bit EndianConv CRC:"},
        {INT_MIN, "-34359738352Bit EndianConv CRC:"},
        {-1, "0Bit EndianConv CRC:"},
    };
    for (const auto& c : cases) {
        DialogHarness h;
        h.LoadBase(HexBytes("01 02 03 04"));
        h.dialog.Analyze();
        h.dialog.fields().endianMode = c.mode;
        h.host.Type(ids::kAreaStart, "123456789");
        h.dialog.EndianConvert();
        EXPECT_EQ(h.HeldDump(), "01 02 03 04") << "no group converted for " << c.mode;
        const std::string& log = h.dialog.fields().logText;
        const std::string last = log.substr(log.rfind('\n') + 1);
        EXPECT_EQ(last.substr(0, last.size() - 8), c.prefix);
    }
}

}  // namespace
}  // namespace vesperine
