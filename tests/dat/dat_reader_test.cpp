// DAT reading: every form to the same entries, malformed DATs refused with their line, zips.
#include <gtest/gtest.h>

#include "dat/dat_reader.h"
#include "dat/dat_writer.h"
#include "dat/rom_fields.h"
#include "support/test_bytes.h"
#include "zip_maker.h"

namespace vesperine::dat {
namespace {

using vesperine::testing::BytesOf;

Sha1 Sha1Of(std::string_view hex) {
    Sha1 digest{};
    EXPECT_TRUE(ParseHexDigits(hex, digest));
    return digest;
}

// The two ROMs every form below describes: a good one with a name holding spaces and
// characters XML escapes, and a bad dump of the same game.
std::vector<RomEntry> ExpectedRoms() {
    RomEntry first;
    first.game = "Space & Time";
    first.name = "prg lo <u3>.bin";
    first.size = 131072;
    first.crc = 0x1A2B3C4Du;
    first.sha1 = Sha1Of("a9993e364706816aba3e25717850c26c9cd0d89d");
    RomEntry second = first;
    second.name = "chr.bin";
    second.size = 8192;
    second.crc = 0x0000BEEFu;
    second.sha1 = Sha1Of("0123456789ABCDEF0123456789abcdef01234567");
    second.status = RomStatus::BadDump;
    return {first, second};
}

constexpr std::string_view kLogiqx = R"DAT(<?xml version="1.0"?>
<!DOCTYPE datafile PUBLIC "-//Logiqx//DTD ROM Management Datafile//EN" "http://www.logiqx.com/Dats/datafile.dtd">
<datafile>
	<header><name>test</name></header>
	<game name="Space &amp; Time">
		<description>Space and time</description>
		<rom name="prg lo &lt;u3&gt;.bin" size="131072" crc="1a2b3c4d" sha1="a9993e364706816aba3e25717850c26c9cd0d89d"/>
		<rom name="chr.bin" size="8192" crc="0000BEEF" sha1="0123456789abcdef0123456789abcdef01234567" status="baddump"/>
	</game>
</datafile>
)DAT";

constexpr std::string_view kMachineList = R"DAT(<?xml version="1.0"?>
<mame build="0.250">
	<machine name="Space &amp; Time" sourcefile="x.cpp">
		<description>Space and time</description>
		<rom name="prg lo &lt;u3&gt;.bin" size="131072" crc="1a2b3c4d" sha1="a9993e364706816aba3e25717850c26c9cd0d89d" region="maincpu" offset="0"/>
		<rom name="chr.bin" size="8192" crc="0000beef" sha1="0123456789abcdef0123456789abcdef01234567" status="baddump" region="gfx1" offset="0"/>
		<chip type="cpu" name="Z80"/>
	</machine>
</mame>
)DAT";

constexpr std::string_view kBracketed = R"DAT(clrmamepro (
	name "test"
	description "test (1)"
)

game (
	name "Space & Time"
	description "Space and time"
	rom ( name "prg lo <u3>.bin" size 131072 crc 1A2B3C4D sha1 a9993e364706816aba3e25717850c26c9cd0d89d )
	rom ( name chr.bin size 8192 crc 0000beef sha1 0123456789abcdef0123456789abcdef01234567 flags baddump )
)
)DAT";

TEST(DatReaderTest, EveryFormGivesTheSameEntries) {
    for (const std::string_view text : {kLogiqx, kMachineList, kBracketed}) {
        const DatParse parse = ReadDat(BytesOf(text));
        ASSERT_FALSE(parse.error) << DescribeDatError(*parse.error) << "\n" << text;
        EXPECT_EQ(parse.roms, ExpectedRoms()) << text;
    }
}

TEST(DatReaderTest, WrittenDatReadsBack) {
    std::vector<RomEntry> roms = ExpectedRoms();
    roms[0].md5 = Md5{1, 2, 3};
    roms[1].sha256 = Sha256{9, 8, 7};
    const auto text = WriteLogiqxDat("Space & Time", "a \"new\" dump", roms);
    ASSERT_TRUE(text);
    const DatParse parse = ReadDat(BytesOf(*text));
    ASSERT_FALSE(parse.error) << DescribeDatError(*parse.error);
    EXPECT_EQ(parse.roms, roms);
    EXPECT_FALSE(WriteLogiqxDat("bell\a", "", roms));
}

TEST(DatReaderTest, MissingHashesAreFineAndNodumpIsKept) {
    const DatParse parse = ReadDat(BytesOf("game ( name g rom ( name a size 4 flags nodump ) )"));
    ASSERT_FALSE(parse.error);
    ASSERT_EQ(parse.roms.size(), 1u);
    EXPECT_FALSE(parse.roms[0].crc);
    EXPECT_EQ(parse.roms[0].status, RomStatus::NoDump);
}

struct Malformed {
    std::string text;
    std::uint32_t line;
    std::string_view message;
};

TEST(DatReaderTest, MalformedDatsAreRefusedWithTheirLine) {
    const Malformed cases[] = {
        {"<datafile>\n<game name=\"g\">\n<rom name=\"a\" size=\"4\"", 3, "XML: the file ends before"},
        {"<datafile>\n<game name=\"g\">\n<rom name=\"a\" size=\"4\"/></gmae>\n</datafile>", 3,
         "XML: Start-end tags mismatch"},
        {"<datafile>\n<game name=\"g\">\n<rom name=\"a\" size=\"4\"/>\n</game>\n", 4, "cut short"},
        {"<datafile>\n<game name=\"g\">\n\n<rom name=\"a\" size=\"4\" crc=\"1234567\"/>\n</game></datafile>", 4,
         "crc \"1234567\" is not 8 hex digits"},
        {"<datafile><game name=\"g\">\n<rom name=\"a\" size=\"4\" sha1=\"a9993e364706816aba3e25717850c26c9cd0d8\"/>"
         "</game></datafile>",
         2, "is not 40 hex digits"},
        {"<mame>\n<machine name=\"g\">\n<rom name=\"a\" size=\"4\" crc=\"1234567g\"/>\n</machine></mame>", 3,
         "crc \"1234567g\" is not 8 hex digits"},
        {"<datafile>\n<game name=\"g\">\n<rom name=\"a\" size=\"4294967296\"/>\n</game></datafile>", 3,
         "larger than a ROM can be"},
        {"<datafile>\n<game name=\"g\">\n<rom name=\"a\" size=\"99999999999999999999999\"/></game></datafile>", 3,
         "larger than a ROM can be"},
        {"<datafile>\n<game name=\"g\">\n<rom name=\"a\" size=\"12k\"/></game></datafile>", 3, "not a decimal number"},
        {"<datafile>\n<game name=\"g\">\n<rom name=\"a\"/></game></datafile>", 3, "has no size"},
        {"<html>\n</html>", 1, "neither <datafile> nor <mame>"},
        {"game (\n name g\n rom ( name a size 4 md5 0123 )\n)", 3, "md5 \"0123\" is not 32 hex digits"},
        {"game (\n name g\n rom ( name a\n size 2147483648 )\n)", 4, "larger than a ROM can be"},
        {"game (\n name g\n rom ( name \"a b size 4 )\n)", 3, "quoted text is not closed"},
        {"game (\n name g\n rom ( name a size 4 )\n", 4, "ends inside the block opened on line 1"},
        {"game ( name g )\n)", 2, "')' without an open block"},
        {"game ( name g rom ( name a size ( ) ) )", 1, "'(' inside a rom"},
        {"game ( name g rom ( name a ( ) ) )", 1, "'(' without a name before it"},
        {"game ( name g rom ( name a size ) )", 1, "\"size\" has no value"},
        {"game ( name g rom ( size 4 ) )", 1, "rom has no name"},
        {"emulator\nname", 1, "\"emulator\" is not followed by '('"},
        {"\x01\xFF\x7F" + std::string(100, 'x') + " y", 1, "\"???xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx...\" is not"},
    };
    for (const Malformed& c : cases) {
        const DatParse parse = ReadDat(BytesOf(c.text));
        ASSERT_TRUE(parse.error) << c.text;
        EXPECT_EQ(parse.error->line, c.line) << c.text << "\n" << DescribeDatError(*parse.error);
        EXPECT_NE(parse.error->message.find(c.message), std::string::npos) << DescribeDatError(*parse.error);
        EXPECT_TRUE(parse.roms.empty());
    }
}

TEST(DatReaderTest, DeepNestingCostsOnlyACounter) {
    std::string text = "clrmamepro ( x " + std::string(200000, '(') + std::string(200000, ')') + " )\n";
    text += "game ( name g rom ( name a size 1 crc 00000000 ) )";
    const DatParse parse = ReadDat(BytesOf(text));
    ASSERT_FALSE(parse.error) << DescribeDatError(*parse.error);
    EXPECT_EQ(parse.roms.size(), 1u);
    EXPECT_TRUE(ReadDat(BytesOf("game ( x " + std::string(200000, '('))).error);
}

TEST(DatReaderTest, ZippedDatIsReadMemberByMember) {
    const auto zip = testing::MakeZip({{"readme.txt", "not a DAT"},
                                       {"__MACOSX/._one.dat", "\x05\x16\x07\x00 resource fork"},
                                       {"one.dat", std::string(kLogiqx)},
                                       {"sub/two.DAT", "game ( name h rom ( name z size 1 crc ffffffff ) )"}});
    const DatParse parse = ReadDat(zip);
    ASSERT_FALSE(parse.error) << DescribeDatError(*parse.error);
    ASSERT_EQ(parse.roms.size(), 3u);
    EXPECT_EQ(parse.roms[2].game, "h");

    const DatParse bad = ReadDat(testing::MakeZip({{"bad.xml", "<datafile>\n<game>\n<rom name='a' size='x'/>"}}));
    ASSERT_TRUE(bad.error);
    EXPECT_EQ(DescribeDatError(*bad.error).substr(0, 15), "bad.xml: line 3");
    EXPECT_TRUE(ReadDat(testing::MakeZip({{"a.txt", "x"}})).error);
    EXPECT_EQ(ReadDat(BytesOf(std::string_view("game (\0", 7))).error->message, "not a DAT: binary data");
}

TEST(DatReaderTest, DamagedZipIsRefused) {
    auto zip = testing::MakeZip({{"one.dat", std::string(kBracketed)}});
    zip[zip.size() / 2] ^= 0x55;
    EXPECT_TRUE(ReadDat(zip).error);
    zip.resize(zip.size() / 3);
    EXPECT_TRUE(ReadDat(zip).error);
}

}  // namespace
}  // namespace vesperine::dat
