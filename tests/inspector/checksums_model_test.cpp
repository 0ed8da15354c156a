// The Checksums panel's model: the piecewise pass against one pass over the whole, and the model names as typed.
#include "inspector/checksums_model.h"

#include <gtest/gtest.h>

#include <zlib.h>
#include <algorithm>

#include <random>

#include "base/format.h"
#include "checksum/catalogue.h"

namespace vesperine::inspector {
namespace {

TEST(ChecksumsModel, OnePassInPiecesAgreesWithTheWholeAndBreaksOffWhenPolled) {
    // Past two pieces, with an odd tail, so that lanes and running CRCs cross piece edges.
    std::vector<std::uint8_t> bytes((std::size_t{9} << 20) + 3);
    std::mt19937 random(8);
    for (auto& b : bytes) b = static_cast<std::uint8_t>(random());
    std::vector<std::uint64_t> polled;
    const std::optional<Sums> sums = ComputeSums(bytes, SplitModelNames("CRC-16/ARC,  crc-32/mpeg-2\tNO-SUCH-CRC"),
                                                 [&](std::uint64_t done, std::uint64_t total) {
                                                     EXPECT_EQ(total, 3 * bytes.size());  // hashing, header
                                                     polled.push_back(done);
                                                     return false;
                                                 });
    ASSERT_TRUE(sums.has_value());
    ASSERT_GE(polled.size(), 3u);
    EXPECT_EQ(std::vector<std::uint64_t>(polled.begin(), polled.begin() + 3),
              (std::vector<std::uint64_t>{0, 4 << 20, 8 << 20}));
    EXPECT_TRUE(std::is_sorted(polled.begin(), polled.end()));
    EXPECT_EQ(sums->crc32, static_cast<std::uint32_t>(crc32(0, bytes.data(), static_cast<uInt>(bytes.size()))));
    const checksum::LaneTotals whole = checksum::TotalLanes(bytes);
    for (std::size_t k = 0; k < 4; ++k) EXPECT_EQ(sums->lanes.lane[k], whole.lane[k]) << "lane " << k;
    const Rows rows = SumsRows(*sums);
    ASSERT_EQ(rows.size(), checksum::SumRows().size() + 3);
    for (std::size_t k = 0; k < 2; ++k) {
        const checksum::CrcEngine engine(*checksum::FindCrcModel(sums->crcs[k].name));
        const Row& row = rows[checksum::SumRows().size() + k];
        EXPECT_EQ(row[1], ChecksumDigits(engine.Finish(engine.Update(engine.Start(), bytes)), engine.Model().width));
    }
    EXPECT_EQ(rows.back(), (Row{"NO-SUCH-CRC", "not in the catalogue"}));
    EXPECT_EQ(SizeBoxText(bytes.size()), "9,437,187 bytes (0x00900003)");
    EXPECT_FALSE(ComputeSums(bytes, {}, [](std::uint64_t, std::uint64_t) { return true; }).has_value());
}

}  // namespace
}  // namespace vesperine::inspector
