// Digests in one pass: known vectors, and random data against openssl dgst and Python's hashlib.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>

#include "dat/digests.h"
#include "dat/rom_fields.h"
#include "support/test_bytes.h"

namespace vesperine::dat {
namespace {

using vesperine::testing::BytesOf;
using vesperine::testing::RandomBytes;

// The first line a shell command prints, or nothing when it cannot run.
std::string FirstLineOf(const std::string& command) {
    std::FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return "";
    char line[512] = {};
    const bool got = std::fgets(line, sizeof line, pipe) != nullptr;
    pclose(pipe);
    std::string text = got ? line : "";
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    return text;
}

TEST(DigestsTest, KnownVectorsOfAbc) {
    const Digests d = ComputeDigests(BytesOf("abc"));
    EXPECT_EQ(d.size, 3u);
    EXPECT_EQ(d.crc32, 0x352441C2u);
    EXPECT_EQ(HexOf(d.md5), "900150983cd24fb0d6963f7d28e17f72");
    EXPECT_EQ(HexOf(d.sha1), "a9993e364706816aba3e25717850c26c9cd0d89d");
    EXPECT_EQ(HexOf(d.sha256), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
}

TEST(DigestsTest, EmptyInput) {
    const Digests d = ComputeDigests({});
    EXPECT_EQ(d.size, 0u);
    EXPECT_EQ(d.crc32, 0u);
    EXPECT_EQ(HexOf(d.md5), "d41d8cd98f00b204e9800998ecf8427e");
    EXPECT_EQ(HexOf(d.sha256), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
}

TEST(DigestsTest, ThreadsAndChunkSizesGiveTheSameDigests) {
    // Lengths around the chunk boundaries and the two-thread threshold.
    for (const std::size_t size : {std::size_t{1}, std::size_t{63}, std::size_t{65}, kDigestChunk - 1, kDigestChunk + 7,
                                   (std::size_t{4} << 20) + 3}) {
        const auto bytes = RandomBytes(size, static_cast<unsigned>(size));
        const Digests one = ComputeDigests(bytes, DigestThreads::One, 4096);
        EXPECT_EQ(ComputeDigests(bytes, DigestThreads::Two, kDigestChunk), one) << size;
        EXPECT_EQ(ComputeDigests(bytes, DigestThreads::Auto, 100), one) << size;
        EXPECT_EQ(one.crc32, vesperine::testing::ZlibCrc(bytes)) << size;
    }
}

TEST(DigestsTest, PiecesOfAnySizeGiveTheDigestsOfTheWhole) {
    const auto bytes = RandomBytes((std::size_t{24} << 20) + 5, 11);  // more than the MD5 ring holds
    const Digests whole = ComputeDigests(bytes, DigestThreads::One);
    for (const DigestThreads threads : {DigestThreads::One, DigestThreads::Two, DigestThreads::Auto}) {
        DigestStream stream(threads);
        std::size_t at = 0;
        for (std::size_t piece = 1; at < bytes.size(); piece = piece * 3 + 1) {
            const std::size_t n = std::min(piece, bytes.size() - at);
            stream.Update(std::span(bytes).subspan(at, n));
            at += n;
        }
        EXPECT_EQ(stream.Finish(), whole);
    }
}

TEST(DigestsTest, OnlyTheChosenDigestsAreComputed) {
    const Digests d = ComputeDigests(BytesOf("abc"), DigestThreads::Two, kDigestChunk, kSha1);
    EXPECT_EQ(d.crc32, 0x352441C2u);
    EXPECT_EQ(HexOf(d.sha1), "a9993e364706816aba3e25717850c26c9cd0d89d");
    EXPECT_EQ(d.md5, Md5{});
    EXPECT_EQ(d.sha256, Sha256{});
}

class ExternalDigestTest : public ::testing::Test {
protected:
    void SetUp() override {
        bytes_ = RandomBytes((std::size_t{5} << 20) + 12345, 7);
        path_ = Utf8FromPath(std::filesystem::temp_directory_path() /
                             ("vesperine-digest-" + std::to_string(::getpid()) + ".bin"));
        std::ofstream(PathFromUtf8(path_), std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes_.data()), static_cast<std::streamsize>(bytes_.size()));
        digests_ = ComputeDigests(bytes_);
    }
    void TearDown() override {
        std::error_code ignored;
        std::filesystem::remove(PathFromUtf8(path_), ignored);
    }

    std::vector<std::uint8_t> bytes_;
    std::string path_;
    Digests digests_;
};

TEST_F(ExternalDigestTest, AgreesWithOpensslDgst) {
    if (std::system("openssl version >/dev/null 2>&1") != 0) GTEST_SKIP() << "no openssl command";
    const std::pair<const char*, std::string> cases[] = {
        {"md5", HexOf(digests_.md5)}, {"sha1", HexOf(digests_.sha1)}, {"sha256", HexOf(digests_.sha256)}};
    for (const auto& [name, ours] : cases) {
        const std::string line = FirstLineOf(std::string("openssl dgst -") + name + " -r " + path_);
        EXPECT_EQ(line.substr(0, line.find(' ')), ours) << name;
    }
}

TEST_F(ExternalDigestTest, AgreesWithPythonHashlib) {
    if (std::system("python3 -c 'import hashlib' >/dev/null 2>&1") != 0) GTEST_SKIP() << "no python3";
    const std::string line = FirstLineOf(
        "python3 -c \"import hashlib,sys,zlib; d=open(sys.argv[1],'rb').read(); "
        "print('%08x' % zlib.crc32(d), hashlib.md5(d).hexdigest(), hashlib.sha1(d).hexdigest(), "
        "hashlib.sha256(d).hexdigest())\" " +
        path_);
    char crc[9];
    std::snprintf(crc, sizeof crc, "%08x", digests_.crc32);
    EXPECT_EQ(line,
              std::string(crc) + " " + HexOf(digests_.md5) + " " + HexOf(digests_.sha1) + " " + HexOf(digests_.sha256));
}

}  // namespace
}  // namespace vesperine::dat
