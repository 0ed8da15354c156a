// Zip members inflated one at a time within limits, and sizes that lie refused without trusting them.
#include "dat/zip_members.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "dat/dat_reader.h"
#include "zip_maker.h"

namespace vesperine::dat {
namespace {

// Sets the uncompressed size of the archive's only member, in its local header and its directory
// entry alike (so the archive stays consistent), to what a damaged or hostile archive might say.
void ClaimSize(std::vector<std::uint8_t>& zip, std::uint32_t size) {
    const std::uint8_t directory[] = {'P', 'K', 1, 2};
    const auto entry = std::search(zip.begin(), zip.end(), std::begin(directory), std::end(directory));
    for (const std::size_t at : {std::size_t{22}, static_cast<std::size_t>(entry - zip.begin()) + 24}) {
        for (int i = 0; i < 4; ++i) zip[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(size >> (8 * i));
    }
}

[[nodiscard]] std::string Visit(const std::vector<std::uint8_t>& zip, ZipLimits limits, std::string* seen = nullptr) {
    return ForEachZipMember(
        zip, [](std::string_view) { return true; }, limits,
        [&](std::string_view name, std::span<const std::uint8_t> bytes) {
            if (seen) *seen += std::string(name) + "=" + std::string(bytes.begin(), bytes.end()) + " ";
            return true;
        });
}

TEST(ZipMembersTest, MembersOverTheLimitsAreRefusedBeforeAnyIsInflated) {
    const auto zip = testing::MakeZip({{"a.bin", "0123456789"}, {"b.bin", "abcdefghij"}});
    std::string seen;
    EXPECT_EQ(Visit(zip, {10, 20}, &seen), "");
    EXPECT_EQ(seen, "a.bin=0123456789 b.bin=abcdefghij ");
    seen.clear();
    EXPECT_EQ(Visit(zip, {9, 100}, &seen),
              "zip: a.bin: inflates to 10 bytes, more than the 9 bytes a member may take; unzip it and give its "
              "files themselves");
    EXPECT_EQ(Visit(zip, {10, 19}, &seen),
              "zip: its members inflate to more than the 19 bytes an archive may take; unzip it and give its files "
              "themselves");
    EXPECT_EQ(seen, "");
}

TEST(ZipMembersTest, ASizeThatLiesIsADamagedMemberAndNeverALargerBuffer) {
    for (const std::uint32_t claimed : {5u, 11u}) {
        auto zip = testing::MakeZip({{"a.bin", "0123456789"}});
        ClaimSize(zip, claimed);
        EXPECT_EQ(Visit(zip, {100, 100}).rfind("zip: a.bin: ", 0), 0u) << claimed;
    }
    // A DAT member claiming 1.25 GiB is refused from its header: nothing of that size is taken.
    auto zip = testing::MakeZip({{"huge.dat", "game ( name g )"}});
    ClaimSize(zip, 0x50000000);
    const DatParse parse = ReadDat(zip);
    ASSERT_TRUE(parse.error);
    EXPECT_EQ(parse.error->message,
              "zip: huge.dat: inflates to 1,342,177,280 bytes, more than the 1,073,741,824 bytes a member may take; "
              "unzip it and give its files themselves");
}

}  // namespace
}  // namespace vesperine::dat
