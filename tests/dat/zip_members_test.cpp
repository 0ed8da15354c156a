// Zip members inflated one at a time within limits, and sizes that lie refused without trusting them.
#include "dat/zip_members.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "dat/dat_reader.h"
#include "zip_maker.h"

namespace vesperine::dat {
namespace {

#define HINT "; unzip it and give its files themselves"

// Sets the only member's size in its local header and its directory entry alike, as a damaged or
// hostile archive might (the two agree, so the archive still opens).
void ClaimSize(std::vector<std::uint8_t>& zip, std::uint32_t size) {
    const std::uint8_t entry[] = {'P', 'K', 1, 2};
    const auto at = std::search(zip.begin(), zip.end(), std::begin(entry), std::end(entry)) - zip.begin();
    for (const std::ptrdiff_t field : {std::ptrdiff_t{22}, at + 24}) {
        for (int i = 0; i < 4; ++i)
            zip[static_cast<std::size_t>(field + i)] = static_cast<std::uint8_t>(size >> (8 * i));
    }
}

TEST(ZipMembersTest, LimitsAreCheckedBeforeInflatingAndASizeThatLiesIsRefused) {
    const auto zip = testing::MakeZip({{"a.bin", "0123456789"}, {"b.bin", "abcdefghij"}});
    std::string seen;
    auto visit = [&](ZipLimits limits) {
        return ForEachZipMember(
            zip, [](std::string_view) { return true; }, limits,
            [&](std::string_view name, std::span<const std::uint8_t> bytes) {
                seen += std::string(name) + "=" + std::string(bytes.begin(), bytes.end()) + " ";
                return true;
            });
    };
    EXPECT_EQ(visit({9, 100}), "zip: a.bin: inflates to 10 bytes, more than the 9 bytes a member may take" HINT);
    EXPECT_EQ(visit({10, 19}), "zip: its members inflate to more than the 19 bytes an archive may take" HINT);
    EXPECT_EQ(seen, "");
    EXPECT_EQ(visit({10, 20}), "");
    EXPECT_EQ(seen, "a.bin=0123456789 b.bin=abcdefghij ");

    // Fewer bytes than said, more bytes than said, and more than a DAT's member may take (1 GiB).
    const std::pair<std::uint32_t, const char*> lies[] = {
        {11, "zip: a.dat: Zip archive inconsistent"},
        {5, "zip: a.dat: damaged member"},
        {0x50000000,
         "zip: a.dat: inflates to 1,342,177,280 bytes, more than the 1,073,741,824 bytes a member may take" HINT}};
    for (const auto& [claimed, message] : lies) {
        auto one = testing::MakeZip({{"a.dat", "0123456789"}});
        ClaimSize(one, claimed);
        const DatParse parse = ReadDat(one);
        ASSERT_TRUE(parse.error);
        EXPECT_EQ(parse.error->message, message);
    }
}

}  // namespace
}  // namespace vesperine::dat
