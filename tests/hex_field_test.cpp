// Hex fields read as strtoul reads base 16.
#include "app/hex_field.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace vesperine {
namespace {

TEST(ParseHexField, ReadsAsStrtoulDoes) {
    const struct {
        const char* text;
        std::uint32_t value;
    } cases[] = {
        {"", 0},
        {"0", 0},
        {"10", 0x10},
        {"1234", 0x1234},
        {"ffffffff", 0xFFFFFFFF},
        {"FFFFFFFF", 0xFFFFFFFF},
        {"  \t1A", 0x1A},
        {"+20", 0x20},
        {"-1", 0xFFFFFFFF},
        {"-10", 0xFFFFFFF0},
        {"0x1F", 0x1F},
        {"0X1f", 0x1F},
        {"0x", 0},
        {"0xg", 0},
        {"12g4", 0x12},
        {"g", 0},
        {"-", 0},
        {" ", 0},
        {"1 2", 1},
        {"--1", 0},
        {"-0x10", 0xFFFFFFF0},
        {"123456789", 0xFFFFFFFF},
        {"-123456789", 0xFFFFFFFF},
    };
    for (const auto& c : cases) EXPECT_EQ(ParseHexField(c.text), c.value) << '"' << c.text << '"';
}

TEST(ParseHexField, AgreesWithTheCLibraryWithinEightCharacters) {
    const char alphabet[] = " +-0xX19afAFg\t";
    std::uint32_t seed = 1;
    for (int n = 0; n < 20000; ++n) {
        std::string text;
        seed = seed * 1103515245u + 12345u;
        const int length = static_cast<int>((seed >> 16) % 9);
        for (int k = 0; k < length; ++k) {
            seed = seed * 1103515245u + 12345u;
            text += alphabet[(seed >> 16) % (sizeof alphabet - 1)];
        }
        const auto expected = static_cast<std::uint32_t>(std::strtoul(text.c_str(), nullptr, 16));
        ASSERT_EQ(ParseHexField(text), expected) << '"' << text << '"';
    }
}

}  // namespace
}  // namespace vesperine
