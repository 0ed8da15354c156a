// The DAT writer against any name bytes: its XML parses, gives the names back, and refuses exactly what XML cannot
// hold.
#include "dat/dat_writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <pugixml.hpp>
#include <random>
#include <vector>

namespace vesperine::dat {
namespace {

using namespace std::string_view_literals;

// A naive twin of XmlTextProblem: decode each code point by its count of leading ones, then
// ask XML 1.0's production Char about it.
bool XmlCanHold(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const int length = lead < 0x80 ? 1 : lead >> 5 == 6 ? 2 : lead >> 4 == 14 ? 3 : lead >> 3 == 30 ? 4 : 0;
        if (length == 0 || i + length > text.size()) return false;
        std::uint32_t point = length == 1 ? lead : lead & (0x7F >> length);
        for (int k = 1; k < length; ++k) {
            const auto c = static_cast<unsigned char>(text[i + k]);
            if (c >> 6 != 2) return false;
            point = point << 6 | (c & 0x3F);
        }
        const std::uint32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
        if (point < least[length]) return false;  // overlong
        const bool isChar = point == 0x9 || point == 0xA || point == 0xD || (point >= 0x20 && point <= 0xD7FF) ||
                            (point >= 0xE000 && point <= 0xFFFD) || (point >= 0x10000 && point <= 0x10FFFF);
        if (!isChar) return false;
        i += length;
    }
    return true;
}

TEST(DatWriterTest, AnyNameBytesGiveWellFormedXmlThatReadsBackOrAreRefused) {
    // Bytes at every edge of UTF-8 and of XML's characters, markup, and whole sequences at the
    // edges of the code points (overlong, surrogate, U+FFFE, U+10FFFF).
    // Split at '/', which no file name holds.
    const std::string_view packed =
        "\0/\x01/\t/\n/\r/\x1F/ /&/</\"/'/>/a/\x7F/\x80/\x8F/\x90/\x9F/\xA0/\xBE/\xBF/\xC0/\xC1/\xC2/\xC4/\xDF/\xE0/"
        "\xED/\xEE/\xEF/\xF0/\xF4/\xF5/\xFF/\xC3\xA4/\xC0\xAF/\xE2\x82\xAC/\xE0\x9F\xBF/\xED\x9F\xBF/\xED\xA0\x80/"
        "\xEF\xBF\xBD/\xEF\xBF\xBE/\xEF\xBF\xBF/\xF0\x9F\x92\xBE/\xF0\x8F\xBF\xBF/\xF4\x8F\xBF\xBF/\xF4\x90\x80\x80"sv;
    std::vector<std::string_view> tokens;
    for (std::size_t at = 0, end; at <= packed.size(); at = end + 1) {
        end = std::min(packed.find('/', at), packed.size());
        tokens.push_back(packed.substr(at, end - at));
    }
    std::mt19937 random(25);
    int written = 0;
    for (int round = 0; round < 20000; ++round) {
        std::string name;
        for (std::size_t n = 1 + random() % 5; n > 0; --n) name += tokens[random() % tokens.size()];
        RomEntry rom;
        rom.name = name;
        rom.size = 1;
        const std::optional<std::string> text = WriteLogiqxDat("game " + name, "d", std::span(&rom, 1));
        ASSERT_EQ(text.has_value(), XmlCanHold(name)) << ::testing::PrintToString(name);
        ASSERT_EQ(XmlTextProblem(name).has_value(), !XmlCanHold(name));
        if (!text) continue;
        ++written;
        pugi::xml_document document;
        ASSERT_TRUE(document.load_string(text->c_str(), pugi::parse_default | pugi::parse_doctype)) << *text;
        const pugi::xml_node game = document.child("datafile").child("game");
        EXPECT_EQ(std::string(game.attribute("name").value()), "game " + name);
        EXPECT_EQ(std::string(game.child("rom").attribute("name").value()), name) << *text;
    }
    EXPECT_GT(written, 2000);  // enough of both kinds
}

TEST(DatWriterTest, TheProblemNamesTheByteAndItsOffset) {
    EXPECT_EQ(XmlTextProblem("ab\x01"), "byte 01 (a control character) at offset 2 is not allowed in XML");
    EXPECT_EQ(XmlTextProblem("x\xEF\xBF\xBE"), "bytes EF BF BE (U+FFFE) at offset 1 are not allowed in XML");
    EXPECT_FALSE(XmlTextProblem("R\xC3\xA4tsel \xF0\x9F\x92\xBE\t.bin"));
}

}  // namespace
}  // namespace vesperine::dat
