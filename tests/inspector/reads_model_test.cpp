// The Reads panel's model: the unstable-bit rows against a bit-by-bit vote over the reads, the expected CRC as pasted,
// the checked mend.
#include "inspector/reads_model.h"

#include "base/format.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <random>

namespace vesperine::inspector {
namespace {

TEST(ReadsModel, UnstableBitRowsAgreeWithAVoteOverEveryBit) {
    std::mt19937 random(11);
    for (const std::size_t readCount : {2u, 3u, 4u}) {
        for (const unsigned width : {1u, 2u}) {
            std::vector<std::vector<std::uint8_t>> reads(readCount, std::vector<std::uint8_t>(4096));
            for (auto& b : reads[0]) b = static_cast<std::uint8_t>(random());
            for (std::size_t r = 1; r < readCount; ++r) {
                reads[r] = reads[0];
                for (int flips = 0; flips < 40; ++flips)
                    reads[r][random() % 4096] ^= static_cast<std::uint8_t>(1u << random() % 8);
            }
            const std::vector<std::span<const std::uint8_t>> all(reads.begin(), reads.end());
            const reads::ReadsComparison c = reads::CompareReads(all, width);
            const BitsTable table = UnstableBitsTable(&c, all, false);
            // The oracle: every bit of every byte, unstable when the reads do not all agree; the
            // majority by count, a tie taking read 1's value.
            Rows expected;
            for (std::size_t offset = 0; offset < 4096; ++offset)
                for (unsigned b = 0; b < 8; ++b) {
                    Row row{HexText(offset, 8),
                            std::to_string(b) + " (D" + std::to_string(b + (width == 2 && offset % 2 ? 8 : 0)) + ")"};
                    std::size_t ones = 0;
                    for (const auto& read : reads) {
                        ones += read[offset] >> b & 1u;
                        row.push_back(std::to_string(read[offset] >> b & 1u));
                    }
                    if (ones == 0 || ones == readCount) continue;
                    const unsigned first = reads[0][offset] >> b & 1u;
                    row.push_back(2 * ones == readCount ? "tie: " + std::to_string(first) + ", as read 1"
                                                        : std::to_string(2 * ones > readCount ? 1 : 0));
                    expected.push_back(row);
                }
            EXPECT_EQ(table.rows, expected) << readCount << " reads, width " << width;
            EXPECT_EQ(table.headings.size(), readCount + 3);
            EXPECT_EQ(table.label, "U&nstable bits: all " + Grouped(expected.size()) + " listed.");
            EXPECT_EQ(ReadsSummary(c).substr(0, 2), std::to_string(readCount) + " ");
        }
    }
}

TEST(ReadsModel, ExpectedCrcTakesItsPastedFormsAndRefusesTheRestWhole) {
    std::mt19937 random(5);
    for (int trial = 0; trial < 2000; ++trial) {
        const auto value = static_cast<std::uint32_t>(random());
        std::string text = random() % 2 ? (random() % 2 ? "0x" : "0X") : "";
        const std::string digits = random() % 2 ? HexDigits(value, 8) : [&] {
            std::string lower = HexDigits(value, 8);
            for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            return lower;
        }();
        for (const char c : digits) {
            if (random() % 4 == 0) text += random() % 2 ? ' ' : '\t';
            text += c;
        }
        ASSERT_EQ(ParseExpectedCrc(text), value) << text;
    }
    for (const char* refused : {"0x44D56F", "44D56F8600", "+4D56F86", "0x0x44D56F", "44D56F8G", "", "0x", "44D56F86h",
                                "\xEF\xBC\x94"
                                "4D56F86"})
        EXPECT_EQ(ParseExpectedCrc(refused), std::nullopt) << refused;
}

TEST(ReadsModel, AMendIsOfferedOnlyWhenItsBytesCarryTheCrc) {
    std::vector<std::uint8_t> good(8192);
    std::mt19937 random(9);
    for (auto& b : good) b = static_cast<std::uint8_t>(random());
    const auto crc = static_cast<std::uint32_t>(crc32(0, good.data(), static_cast<uInt>(good.size())));
    std::vector<std::uint8_t> consensus = good;
    consensus[100] ^= 0x04;
    const std::vector<std::uint64_t> unknowns{8 * 100 + 2, 8 * 2000 + 7, 8 * 5000 + 1};
    const MendReport unique = ReportMend(consensus, reads::MendByCrc(consensus, unknowns, crc), crc);
    ASSERT_TRUE(unique.fixed.has_value());
    EXPECT_FALSE(unique.fault);
    EXPECT_TRUE(
        std::equal(good.begin(), good.end(), unique.fixed->data(), unique.fixed->data() + unique.fixed->size()));
    EXPECT_EQ(unique.text, "One way to set the 3 unstable bits gives CRC-32 " + Hex8(crc) +
                               " (checked): 1 bit differs from the majority. Choose where to save it.");
    const MendReport none = ReportMend(consensus, reads::MendByCrc(consensus, unknowns, crc ^ 1), crc ^ 1);
    EXPECT_FALSE(none.fixed.has_value());
    EXPECT_EQ(none.text.rfind("No values of the 3 unstable bits give CRC-32 ", 0), 0u);
    // A result that claims an assignment its bytes do not bear is an error, and never offered.
    reads::MendResult wrong{reads::MendOutcome::Unique, 0, 3, 3, 0, {{8 * 2000 + 7}}};
    const MendReport faulty = ReportMend(consensus, wrong, crc);
    EXPECT_TRUE(faulty.fault);
    EXPECT_FALSE(faulty.fixed.has_value());
}

}  // namespace
}  // namespace vesperine::inspector
