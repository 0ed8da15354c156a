// The streamed XML DAT reader against a pugixml tree walk on generated DATs, fed whole and in random blocks.
#include <gtest/gtest.h>

#include <pugixml.hpp>
#include <random>

#include "dat/dat_sets.h"
#include "dat/rom_fields.h"
#include "dat/xml_set_parser.h"
#include "support/test_bytes.h"

namespace vesperine::dat {
namespace {

// The oracle: the whole document as a tree, walked.
DatSets TreeSets(const std::string& text) {
    pugi::xml_document document;
    EXPECT_TRUE(document.load_string(text.c_str(), pugi::parse_default | pugi::parse_doctype)) << text;
    DatSets result;
    for (const pugi::xml_node node : document.document_element().children()) {
        if (std::string_view(node.name()) != "game" && std::string_view(node.name()) != "machine") continue;
        DatSet set;
        set.name = node.attribute("name").value();
        set.cloneOf = node.attribute("cloneof").value();
        set.romOf = node.attribute("romof").value();
        set.isBios = std::string_view(node.attribute("isbios").value()) == "yes";
        set.isDevice = std::string_view(node.attribute("isdevice").value()) == "yes";
        set.description = node.child("description").text().get();
        for (const pugi::xml_node ref : node.children("device_ref"))
            set.deviceRefs.emplace_back(ref.attribute("name").value());
        for (const pugi::xml_node rom : node.children("rom")) {
            RomEntry entry;
            entry.game = set.name;
            SetRom setRom;
            setRom.rom = result.roms.size();
            for (const pugi::xml_attribute a : rom.attributes()) {
                EXPECT_FALSE(TakeRomField(entry, a.name(), a.value()));
                EXPECT_FALSE(TakeSetRomField(setRom, a.name(), a.value()));
            }
            result.roms.push_back(entry);
            set.roms.push_back(setRom);
        }
        result.sets.push_back(set);
    }
    return result;
}

std::string RandomDat(std::mt19937& random) {
    auto pick = [&](std::initializer_list<const char*> words) {
        return std::string(*(words.begin() + random() % words.size()));
    };
    auto name = [&] {
        return pick({"pacman", "a &amp; b", "&lt;u3&gt;", "caf\xC3\xA9", "x&quot;y", "r'1"}) +
               std::to_string(random() % 100);
    };
    auto hex = [&](int digits) {
        std::string text;
        for (int i = 0; i < digits; ++i) text += "0123456789abcdefABCDEF"[random() % 22];
        return text;
    };
    auto space = [&] { return pick({"", "\n", "\n\t", "  \r\n"}); };
    std::string text = "<?xml version=\"1.0\"?>\n" + pick({"<mame build=\"0.2\">", "<datafile>"}) + space();
    text += "<header><name>h</name></header>";
    for (auto s = random() % 40; s > 0; --s) {
        const std::string element = pick({"game", "machine"});
        text += "<" + element + " name=\"" + name() + "\"";
        if (random() % 3 == 0) text += " cloneof=\"" + name() + "\" romof=\"" + name() + "\"";
        if (random() % 5 == 0) text += pick({" isbios=\"yes\"", " isdevice=\"yes\"", " isbios=\"no\""});
        text += ">" + space();
        if (random() % 2 == 0) text += "<description>" + name() + " (" + name() + ")</description>" + space();
        for (auto r = random() % 6; r > 0; --r) {
            if (random() % 4 == 0)
                text += "<" + pick({"chip", "disk", "sample", "device_ref"}) + " name=\"" + name() + "\"/>";
            text += "<rom name=\"" + name() + "\" size=\"" + std::to_string(random() % 70000) + "\"";
            if (random() % 5 != 0) text += " crc=\"" + hex(8) + "\"";
            if (random() % 2 == 0) text += " sha1='" + hex(40) + "'";
            if (random() % 3 == 0) text += " status=\"" + pick({"good", "baddump", "nodump", "verified"}) + "\"";
            if (random() % 3 == 0) text += " merge=\"" + name() + "\"";
            if (random() % 4 == 0) text += " bios=\"" + name() + "\"";
            if (random() % 2 == 0)
                text += " region=\"maincpu\" offset=\"" + hex(static_cast<int>(1 + random() % 6)) + "\"";
            if (random() % 4 == 0) text += pick({" optional=\"yes\"", " optional=\"no\""});
            text += "/>" + space();
        }
        text += "</" + element + ">" + space();
    }
    return text + (text.find("<mame") != std::string::npos ? "</mame>\n" : "</datafile>\n");
}

TEST(DatSetsTest, StreamedXmlAgreesWithTheTreeInAnyBlocks) {
    std::mt19937 random(28);
    std::size_t longest = 0;
    for (int round = 0; round < 300; ++round) {
        const std::string text = RandomDat(random);
        longest = std::max(longest, text.size());
        const DatSets expected = TreeSets(text);
        const DatSets whole = ReadXmlDatSets(text);
        ASSERT_FALSE(whole.error) << DescribeDatError(*whole.error) << "\n" << text;
        ASSERT_EQ(whole.roms, expected.roms) << text;
        ASSERT_EQ(whole.sets, expected.sets) << text;
        DatSetReader reader;
        for (std::size_t at = 0; at < text.size();) {
            const std::size_t block = std::min<std::size_t>(1 + random() % 64, text.size() - at);
            reader.Feed(std::span(reinterpret_cast<const std::uint8_t*>(text.data()) + at, block));
            at += block;
        }
        const DatSets streamed = reader.Finish();
        ASSERT_FALSE(streamed.error) << DescribeDatError(*streamed.error);
        ASSERT_EQ(streamed.roms, expected.roms);
        ASSERT_EQ(streamed.sets, expected.sets);
    }
    EXPECT_GT(longest, std::size_t{16384});  // past the first 4 KiB the reader looks at before it streams
}

TEST(DatSetsTest, Latin1NamesInADatMeantAsUtf8AreTakenAsLatin1) {
    const std::string body =
        "<datafile><game name=\"R\xE4tsel \xC3\xA4 \xED\xA0\x80\"><rom name=\"a\" size=\"1\"/></game></datafile>";
    for (const std::string& text : {body, "<?xml version='1.0' encoding=\"UTF-8\"?>" + body,
                                    "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>" + body}) {
        const DatSets sets = ReadXmlDatSets(text);
        ASSERT_FALSE(sets.error) << DescribeDatError(*sets.error);
        // Latin-1 declared: every byte is a character; else only what is no UTF-8 (a surrogate's bytes are not).
        EXPECT_EQ(sets.sets.at(0).name, text.find("ISO") != std::string::npos
                                            ? "R\xC3\xA4tsel \xC3\x83\xC2\xA4 \xC3\xAD\xC2\xA0\xC2\x80"
                                            : "R\xC3\xA4tsel \xC3\xA4 \xC3\xAD\xC2\xA0\xC2\x80");
    }
}

TEST(DatSetsTest, BracketedSetsKeepParentsAndFlags) {
    const DatSets sets = ReadDatSets(vesperine::testing::BytesOf(
        "game ( name clone description \"A clone\" cloneof parent romof parent\n"
        " rom ( name a size 4 crc 01020304 merge a flags baddump )\n"
        " rom ( name b size 8 flags nodump ) )\nresource ( name neogeo rom ( name bios size 2 crc 00000000 ) )"));
    ASSERT_FALSE(sets.error) << DescribeDatError(*sets.error);
    ASSERT_EQ(sets.sets.size(), 2u);
    EXPECT_EQ(sets.sets[0].cloneOf, "parent");
    EXPECT_EQ(sets.sets[0].romOf, "parent");
    EXPECT_EQ(sets.sets[0].description, "A clone");
    EXPECT_EQ(sets.sets[0].roms[0].merge, "a");
    EXPECT_EQ(sets.roms[0].status, RomStatus::BadDump);
    EXPECT_EQ(sets.roms[1].status, RomStatus::NoDump);
    EXPECT_TRUE(sets.sets[1].isBios);
    EXPECT_EQ(sets.roms[2].game, "neogeo");

    // Streamed in blocks, with keys and values on lines of their own, it reads as whole; so does
    // a fault, at its line.
    std::mt19937 random(5);
    std::string text = "clrmamepro ( name x )\n";
    for (int i = 0; i < 300; ++i) {
        const char* gap = random() % 3 == 0 ? "\n" : " ";
        text += "game (" + std::string(gap) + "name g" + std::to_string(i) + gap + "cloneof" + gap + "p" + gap +
                "rom ( name \"a " + std::to_string(i) + "\"" + gap + "size" + gap + "4 crc 0102030" +
                std::to_string(i % 10) + " merge m ) )\n";
    }
    for (const std::string& dat : {text, text + "game ( name bad rom ( name z size x ) )\n", text + "game ( name"}) {
        const DatSets whole = ReadDatSets(vesperine::testing::BytesOf(dat));
        DatSetReader reader;
        for (std::size_t at = 0; at < dat.size();) {
            const std::size_t block = std::min<std::size_t>(1 + random() % 200, dat.size() - at);
            reader.Feed(std::span(reinterpret_cast<const std::uint8_t*>(dat.data()) + at, block));
            at += block;
        }
        const DatSets streamed = reader.Finish();
        EXPECT_EQ(streamed.roms, whole.roms);
        EXPECT_EQ(streamed.sets, whole.sets);
        ASSERT_EQ(streamed.error.has_value(), whole.error.has_value());
        if (whole.error) {
            EXPECT_EQ(DescribeDatError(*streamed.error), DescribeDatError(*whole.error));
        }
    }
    EXPECT_EQ(ReadDatSets(vesperine::testing::BytesOf(text)).sets.size(), 300u);
}

}  // namespace
}  // namespace vesperine::dat
