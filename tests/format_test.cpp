// The one text formatter against the C library's printf, which every form it replaced used.
#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>

#include "base/format.h"

namespace vesperine {
namespace {

std::string Printf(const char* format, int digits, unsigned long long value) {
    char text[64];
    std::snprintf(text, sizeof text, format, digits, value);
    return text;
}

TEST(FormatTest, HexAndChecksumDigitsAgreeWithPrintf) {
    std::mt19937_64 random(26);
    for (int i = 0; i < 20000; ++i) {
        const std::uint64_t value = random() >> (random() % 64);
        const unsigned digits = static_cast<unsigned>(random() % 18);
        ASSERT_EQ(HexDigits(value, digits), Printf("%0*llX", static_cast<int>(digits), value)) << value;
        ASSERT_EQ(HexText(value, digits), Printf("0x%0*llX", static_cast<int>(digits), value)) << value;
        const unsigned width = 1 + static_cast<unsigned>(random() % 64);
        const unsigned shown = (width + 3) / 4;
        const std::uint64_t low = shown == 16 ? value : value & ((std::uint64_t{1} << (4 * shown)) - 1);
        ASSERT_EQ(ChecksumDigits(value, width), Printf("%0*llX", static_cast<int>(shown), low)) << value;
    }
}

TEST(FormatTest, SizesRangesAndThousands) {
    EXPECT_EQ(WithThousands(0), "0");
    EXPECT_EQ(WithThousands(999), "999");
    EXPECT_EQ(WithThousands(1000), "1,000");
    EXPECT_EQ(WithThousands(18446744073709551615u), "18,446,744,073,709,551,615");
    EXPECT_EQ(RangeText(0, 256, 4), "0x0000-0x00FF");
    EXPECT_EQ(SizeText(64 << 10), "64 KiB");
    EXPECT_EQ(SizeText(3 << 19), "1,536 KiB");
    EXPECT_EQ(SizeText(3 << 19, {.halfMebibytes = true, .groupDigits = false}), "1.5 MiB");
    EXPECT_EQ(SizeText(1234), "1,234 bytes");
    EXPECT_EQ(SizeText(1234, {.groupDigits = false}), "1234 bytes");
    EXPECT_EQ(FormatDumpSize(4096), "4096 bytes (0x00001000)");
}

}  // namespace
}  // namespace vesperine
