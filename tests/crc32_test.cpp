// CRC-32: the known values, and agreement with zlib's crc32 on random data.
#include "base/crc32.h"

#include <gtest/gtest.h>

#include <random>
#include <string_view>
#include <vector>

#include "support/test_bytes.h"

namespace vesperine {
namespace {

std::span<const std::uint8_t> Ascii(std::string_view text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

TEST(Crc32, KnownValues) {
    EXPECT_EQ(Crc32({}), 0x00000000u);
    EXPECT_EQ(Crc32(Ascii("123456789")), 0xCBF43926u);
    EXPECT_EQ(Crc32Bytewise({}), 0x00000000u);
    EXPECT_EQ(Crc32Bytewise(Ascii("123456789")), 0xCBF43926u);
}

TEST(Crc32, RunningValueContinuesOverMoreBytes) {
    EXPECT_EQ(Crc32(Ascii("6789"), Crc32(Ascii("12345"))), 0xCBF43926u);
    EXPECT_EQ(Crc32Bytewise(Ascii("6789"), Crc32Bytewise(Ascii("12345"))), 0xCBF43926u);
}

TEST(Crc32, AgreesWithZlibOnRandomData) {
    std::mt19937 random(7);
    for (const std::size_t size : {1u, 2u, 15u, 16u, 63u, 64u, 65u, 255u, 4096u, 100003u}) {
        std::vector<std::uint8_t> bytes(size);
        for (auto& b : bytes) b = static_cast<std::uint8_t>(random());
        const auto expected = testing::ZlibCrc(bytes);
        EXPECT_EQ(Crc32(bytes), expected) << size;
        EXPECT_EQ(Crc32Bytewise(bytes), expected) << size;
    }
}

}  // namespace
}  // namespace vesperine
