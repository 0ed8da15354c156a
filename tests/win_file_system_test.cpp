// The Windows file system's own faults: wide-character names, devices, names that are not
// UTF-8, files that cannot be replaced. Built only for Windows; run under Wine in CI.
#include "platform/win_file_system.h"

#include <gtest/gtest.h>
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <span>
#include <string>

#include "support/scratch_dir.h"

namespace vesperine {
namespace {

namespace fs = std::filesystem;

Bytes BytesOf(const ReadResult& read) { return Bytes(read.bytes.begin(), read.bytes.end()); }

class WinFileSystemTest : public ::testing::Test {
protected:
    // Joined as text, so that a name that is not UTF-8 reaches WinFileSystem as it is.
    std::string Path(const std::string& name) const { return Utf8FromPath(scratch_.path()) + "\\" + name; }

    testing::ScratchDir scratch_{"vesperine-winfs-"};
    WinFileSystem files_;
};

TEST_F(WinFileSystemTest, UtfEightNamesReachWindowsAsWideCharacters) {
    // "ROM-Ä-日本-Ω.bin": outside any single ANSI code page.
    const std::string name = "ROM-\xC3\x84-\xE6\x97\xA5\xE6\x9C\xAC-\xCE\xA9.bin";
    const std::wstring wide = L"ROM-\u00C4-\u65E5\u672C-\u03A9.bin";
    ASSERT_EQ(files_.WriteWholeFile(Path(name), Bytes{0xC3, 0x00, 0x84}), WriteStatus::Ok);
    EXPECT_TRUE(fs::exists(scratch_.path() / wide)) << "the file has the wide name, not a code page's guess";
    EXPECT_EQ(BytesOf(files_.ReadWholeFile(Path(name))), (Bytes{0xC3, 0x00, 0x84}));
    EXPECT_EQ(files_.WriteWholeFile(Path(name), Bytes{7}), WriteStatus::Ok);
    EXPECT_EQ(BytesOf(files_.ReadWholeFile(Path(name))), Bytes{7});
    EXPECT_EQ(scratch_.FileCount(), 1) << "no temporary file left";
}

TEST_F(WinFileSystemTest, NamesThatAreNotUtfEightCannotBeOpened) {
    const std::string broken = Path("bad-\xFF\xFE.bin");
    EXPECT_EQ(files_.ReadWholeFile(broken).status, ReadStatus::CannotOpen);
    EXPECT_EQ(files_.WriteWholeFile(broken, Bytes{1}), WriteStatus::CannotOpen);
    EXPECT_EQ(files_.ReadWholeFile("").status, ReadStatus::CannotOpen);
    EXPECT_EQ(scratch_.FileCount(), 0);
}

TEST_F(WinFileSystemTest, TheNullDeviceHasNoSizeAndIsWrittenInPlace) {
    EXPECT_EQ(files_.ReadWholeFile("NUL").status, ReadStatus::NoSize);
    EXPECT_EQ(files_.WriteWholeFile("NUL", Bytes(100, 7)), WriteStatus::Ok);
}

TEST_F(WinFileSystemTest, AFileThatCannotBeReplacedIsKeptWhole) {
    const std::string old = scratch_.Write("keep.bin", "precious old contents");
    fs::permissions(PathFromUtf8(old), fs::perms::owner_write, fs::perm_options::remove);  // the read-only mark
    ASSERT_NE(::GetFileAttributesW(PathFromUtf8(old).c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
    EXPECT_EQ(files_.WriteWholeFile(old, Bytes(1000, 1)), WriteStatus::CannotOpen);
    fs::permissions(PathFromUtf8(old), fs::perms::owner_write, fs::perm_options::add);
    EXPECT_EQ(testing::ScratchDir::Read(old), "precious old contents");
    EXPECT_EQ(scratch_.FileCount(), 1) << "no temporary file left";
}

TEST_F(WinFileSystemTest, ForwardAndBackSlashesAndRelativePathsAllWork) {
    const std::string forward = Utf8FromPath(scratch_.path().generic_u8string()) + "/slashes.bin";
    ASSERT_EQ(files_.WriteWholeFile(forward, Bytes{1, 2}), WriteStatus::Ok);
    EXPECT_EQ(BytesOf(files_.ReadWholeFile(Path("slashes.bin"))), (Bytes{1, 2}));
    const fs::path before = fs::current_path();
    fs::current_path(scratch_.path());
    const ReadResult relative = files_.ReadWholeFile("slashes.bin");
    fs::current_path(before);
    EXPECT_EQ(BytesOf(relative), (Bytes{1, 2}));
}

// What crc and hash read through: the pieces are bounded (memory does not grow with the file)
// and are the file; the chunked read tells progress to the end; both refuse as the whole read does.
TEST_F(WinFileSystemTest, StreamedReadsAreTheFileInBoundedPieces) {
    const Bytes random = testing::RandomBytes((WinFileSystem::kPieceSize * 5) / 2 + 3, 11);
    const std::string bytes(random.begin(), random.end());
    const std::string path = scratch_.Write("\xC3\x84rger.bin", bytes);
    std::string pieces;
    std::size_t largest = 0;
    EXPECT_EQ(files_.ReadPieces(path,
                                [&](std::span<const std::uint8_t> piece) {
                                    pieces.append(piece.begin(), piece.end());
                                    largest = std::max(largest, piece.size());
                                }),
              ReadStatus::Ok);
    EXPECT_EQ(pieces, bytes);
    EXPECT_LE(largest, WinFileSystem::kPieceSize);
    std::uint64_t lastDone = 0;
    const ReadResult read = files_.ReadWholeFileInChunks(path, [&](std::uint64_t done, std::uint64_t total) {
        EXPECT_GT(done, lastDone);
        EXPECT_EQ(total, bytes.size());
        lastDone = done;
        return false;
    });
    EXPECT_EQ(std::string(read.bytes.begin(), read.bytes.end()), bytes);
    EXPECT_EQ(lastDone, bytes.size());
    EXPECT_EQ(files_.FileLength(path), bytes.size());
    EXPECT_EQ(files_.ReadWholeFileInChunks(path, [](auto, auto) { return true; }).status, ReadStatus::Broken);
    const auto ignore = [](std::span<const std::uint8_t>) {};
    EXPECT_EQ(files_.ReadPieces("NUL", ignore), ReadStatus::NoSize);
    EXPECT_EQ(files_.ReadPieces(Utf8FromPath(scratch_.path()), ignore), ReadStatus::CannotOpen);
    EXPECT_EQ(files_.ReadPieces(Path("missing.bin"), ignore), ReadStatus::CannotOpen);
}

// Windows names one file in any case: the output-is-input refusal must see it.
TEST_F(WinFileSystemTest, NamesThatDifferOnlyInCaseAreOneFile) {
    const std::string rom = scratch_.Write("Rom.bin", "x");
    EXPECT_TRUE(files_.SameFile(rom, Path("ROM.BIN")));
    EXPECT_TRUE(files_.SameFile(Path("new.bin"), Path("NEW.bin")));
    EXPECT_FALSE(files_.SameFile(rom, Path("Rom2.bin")));
}

}  // namespace
}  // namespace vesperine
