// hash, dat and identify as a script sees them: lines, JSON, exit statuses and refusals.
#include <gtest/gtest.h>
#include <zlib.h>

#include <nlohmann/json.hpp>
#include <sstream>

#include "cli/dat_command.h"
#include "cli/hash_command.h"
#include "cli/identify_command.h"
#include "cli_outcome.h"
#include "dat/zip_maker.h"
#include "platform/native_file_system.h"
#include "support/fake_file_system.h"
#include "support/scratch_dir.h"
#include "support/test_bytes.h"

namespace vesperine::cli {
namespace {

using vesperine::testing::FakeFileSystem;

template <typename Options, typename Run>
Outcome RunWith(FileSystem& files, const Options& options, Run run) {
    std::ostringstream out, err;
    const int status = run(options, files, Streams{out, err});
    return {status, out.str(), err.str()};
}

constexpr const char* kAbcDigests =
    "3 bytes (0x00000003) CRC:352441C2 MD5:900150983cd24fb0d6963f7d28e17f72 "
    "SHA1:a9993e364706816aba3e25717850c26c9cd0d89d "
    "SHA256:ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad\n";

TEST(HashCommandTest, HashesTheFileOrTheDumpCutFromIt) {
    FakeFileSystem files;
    files.files["abc"] = BytesOf("abc");
    files.files["pair"] = BytesOf("a1b2c3");
    HashOptions options;
    options.files = {"abc"};
    EXPECT_EQ(RunWith(files, options, RunHash).out, std::string("abc: ") + kAbcDigests);

    options.files = {"pair", "missing"};
    options.dump.stripe = "odd";
    const Outcome run = RunWith(files, options, RunHash);
    EXPECT_EQ(run.status, kExitError);
    EXPECT_EQ(run.out, std::string("pair: ") + kAbcDigests);
    EXPECT_EQ(run.err, "vesperine-cli: missing: File not found.\n");

    options.files = {"pair"};
    options.dump.area = "0:7";
    EXPECT_EQ(RunWith(files, options, RunHash).err, "vesperine-cli: pair: Target area is outside the base file.\n");
}

TEST(HashCommandTest, JsonCarriesEveryDigest) {
    FakeFileSystem files;
    files.files["empty"] = {};
    HashOptions options{{"empty"}, {}, true};
    const auto json = nlohmann::json::parse(RunWith(files, options, RunHash).out);
    const auto& entry = json["files"][0];
    EXPECT_EQ(entry["size"], 0);
    EXPECT_EQ(entry["crc32"], "00000000");
    EXPECT_EQ(entry["md5"], "d41d8cd98f00b204e9800998ecf8427e");
    EXPECT_EQ(entry["sha1"], "da39a3ee5e6b4b0d3255bfef95601890afd80709");
}

TEST(HashCommandTest, RealFilesAreHashedPieceByPieceWithTheLoadersRefusals) {
    vesperine::testing::ScratchDir dir("vesperine-hash-");
    // Pieces of the real reader end inside the file and at its end.
    std::string bytes(NativeFileSystem::kPieceSize * 2 + 3, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7 + i / 251);
    const std::string big = dir.Write("big.bin", bytes);
    const std::string abc = dir.Write("abc.bin", "abc");
    const std::string empty = dir.Write("empty.bin", "");
    NativeFileSystem real;
    FakeFileSystem fake;
    fake.files[big] = Bytes(bytes.begin(), bytes.end());
    HashOptions options;
    options.files = {big, abc, empty};
    const Outcome piecewise = RunWith(real, options, RunHash);
    EXPECT_EQ(piecewise.status, kExitOk);
    EXPECT_NE(piecewise.out.find(abc + ": " + kAbcDigests), std::string::npos);
    EXPECT_NE(piecewise.out.find(empty + ": 0 bytes (0x00000000) CRC:00000000 MD5:d41d8cd98f00b204e9800998ecf8427e"),
              std::string::npos);
    options.files = {big};
    EXPECT_EQ(piecewise.out.substr(0, piecewise.out.find('\n') + 1), RunWith(fake, options, RunHash).out);

    options.files = {dir.Path("missing.bin"), Utf8FromPath(dir.path())};
    const Outcome refused = RunWith(real, options, RunHash);
    EXPECT_EQ(refused.status, kExitError);
    EXPECT_EQ(refused.err, "vesperine-cli: " + options.files[0] + ": File not found.\n" +
                               "vesperine-cli: " + options.files[1] + ": is a folder, not a file\n");
}

// Two chips of a board and the board read as one file, their bytes interleaved.
struct Board : ::testing::Test {
    void SetUp() override {
        files.files["dumps/lo.u3"] = BytesOf("ACEGIKMO");
        files.files["dumps/hi.u4"] = BytesOf("BDFHJLNP");
        files.files["board.bin"] = BytesOf("ABCDEFGHIJKLMNOP");
        DatOptions dat;
        dat.files = {"dumps/lo.u3", "dumps/hi.u4"};
        dat.output = "board.dat";
        dat.name = "Board & Co";
        const std::string line = RunWith(files, dat, RunDat).out;
        ASSERT_EQ(line.substr(0, line.find(',')), "board.dat: 2 ROMs of \"Board & Co\"");
        // Followed by the DAT's own size and CRC, as written.
        const Bytes& written = files.files.at("board.dat");
        char tail[64];
        std::snprintf(tail, sizeof tail, ", %zu bytes (0x%08zX) CRC:%s\n", written.size(), written.size(),
                      vesperine::testing::ZlibCrcText(written).c_str());
        ASSERT_EQ(line.substr(line.find(',')), tail);
    }

    Outcome Identify(std::vector<std::string> paths, std::vector<std::string> dats = {"board.dat"}, bool near = false) {
        IdentifyOptions options;
        options.files = std::move(paths);
        options.dats = std::move(dats);
        options.near = near;
        return RunWith(files, options, RunIdentify);
    }

    FakeFileSystem files;
};

TEST_F(Board, WrittenDatNamesTheChipsInsideTheBoard) {
    const Outcome run = Identify({"board.bin"});
    EXPECT_EQ(run.status, kExitOk);
    EXPECT_EQ(run.out,
              "board.bin: odd bytes = \"lo.u3\" in \"Board & Co\", good (crc32 md5 sha1 sha256)\n"
              "board.bin: even bytes = \"hi.u4\" in \"Board & Co\", good (crc32 md5 sha1 sha256)\n");
}

TEST_F(Board, ACorruptedChipIsANearMissAndMatchesNothing) {
    files.files["lo.u3"] = BytesOf("ACEGIKMX");
    EXPECT_EQ(Identify({"lo.u3"}).out, "lo.u3: no match\n");
    const Outcome run = Identify({"lo.u3"}, {"board.dat"}, true);
    EXPECT_EQ(run.status, kExitNo);
    EXPECT_EQ(run.out,
              "lo.u3: whole ~ \"lo.u3\" in \"Board & Co\", good: same size and name, crc32 differs\n"
              "lo.u3: no match\n");
}

TEST_F(Board, AZippedRomSetIsTakenMemberByMember) {
    files.files["set.zip"] = dat::testing::MakeZip({{"lo.u3", "ACEGIKMO"}, {"junk.bin", "zzzz"}});
    const Outcome run = Identify({"set.zip"});
    EXPECT_EQ(run.status, kExitNo);
    EXPECT_EQ(run.out,
              "set.zip/lo.u3: whole = \"lo.u3\" in \"Board & Co\", good (crc32 md5 sha1 sha256)\n"
              "set.zip/junk.bin: no match\n");
    files.files["broken.zip"] = BytesOf("PK\x03\x04 not really");
    EXPECT_EQ(Identify({"broken.zip"}).status, kExitError);
}

TEST_F(Board, AZippedDatIsReadLikeThePlainOne) {
    const Bytes& plain = files.files["board.dat"];
    files.files["board.zip"] = dat::testing::MakeZip({{"board.dat", std::string(plain.begin(), plain.end())}});
    EXPECT_EQ(Identify({"board.bin"}, {"board.zip"}).out, Identify({"board.bin"}).out);
}

TEST_F(Board, MalformedDatsStopTheRunWithTheirLine) {
    files.files["short.dat"] = BytesOf("game (\n name g\n rom ( name a size 8 crc 1234 )\n)\n");
    Outcome run = Identify({"board.bin"}, {"board.dat", "short.dat"});
    EXPECT_EQ(run.status, kExitError);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "vesperine-cli: short.dat: line 3: crc \"1234\" is not 8 hex digits\n");
    files.files["empty.dat"] = {};
    EXPECT_EQ(Identify({"board.bin"}, {"empty.dat"}).err, "vesperine-cli: the DAT empty.dat describes no ROM\n");
    EXPECT_EQ(Identify({"board.bin"}, {"none.dat"}).err, "vesperine-cli: none.dat: File not found.\n");
}

TEST_F(Board, JsonListsMatchesAndNearMisses) {
    IdentifyOptions options{{"board.bin", "gone"}, {"board.dat"}, true, true};
    const Outcome run = RunWith(files, options, RunIdentify);
    EXPECT_EQ(run.status, kExitError);
    const auto json = nlohmann::json::parse(run.out);
    EXPECT_EQ(json["files"][0]["matches"][1]["view"], "even bytes");
    EXPECT_EQ(json["files"][0]["matches"][1]["rom"], "hi.u4");
    EXPECT_EQ(json["files"][0]["matches"][1]["verified"].size(), 4u);
    EXPECT_TRUE(json["files"][1].contains("error"));
}

TEST(DatCommandTest, RefusesWhatItCannotWriteAndWritesNothing) {
    FakeFileSystem files;
    files.files["a/x.bin"] = BytesOf("1");
    files.files["b/x.bin"] = BytesOf("2");
    files.files["bell\a.bin"] = BytesOf("3");
    DatOptions options;
    options.output = "out.dat";
    options.files = {"a/x.bin", "b/x.bin"};
    EXPECT_EQ(RunWith(files, options, RunDat).err, "vesperine-cli: b/x.bin: another file is also named x.bin\n");
    options.files = {"bell\a.bin"};
    EXPECT_EQ(RunWith(files, options, RunDat).status, kExitError);
    files.files["a/R\xC4tsel.bin"] = BytesOf("4");  // a Latin-1 name
    options.files = {"a/R\xC4tsel.bin"};
    EXPECT_EQ(RunWith(files, options, RunDat).err,
              "vesperine-cli: a/R\xC4tsel.bin: the name cannot be written in an XML DAT: byte C4 at offset 1 is not "
              "UTF-8; rename the file in UTF-8 (nothing written)\n");
    EXPECT_EQ(files.files.count("out.dat"), 0u);
    options.files = {"a/x.bin"};
    files.writeFailures["out.dat"] = WriteStatus::Failed;
    EXPECT_EQ(RunWith(files, options, RunDat).err, "vesperine-cli: out.dat: Write error.\n");
}

}  // namespace
}  // namespace vesperine::cli
