// The real file system: whole-file reads and replacing writes against bad files on disk. The
// same tests run on Linux (StdFileSystem) and on Windows (WinFileSystem, under Wine in CI).
#include "platform/native_file_system.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>
#endif

#include <filesystem>
#include <fstream>

#include "support/posix_only.h"
#include "support/scratch_dir.h"

namespace vesperine {
namespace {

namespace fs = std::filesystem;

class StdFileSystemTest : public ::testing::Test {
protected:
    std::string Path(const std::string& name) const { return scratch_.Path(name); }
    static void Write(const std::string& path, const std::string& bytes) {
        std::ofstream(PathFromUtf8(path), std::ios::binary) << bytes;
    }
    static std::string Read(const std::string& path) { return testing::ScratchDir::Read(path); }

    testing::ScratchDir scratch_{"vesperine-fs-"};
    const fs::path& dir_ = scratch_.path();
    NativeFileSystem files_;
};

TEST_F(StdFileSystemTest, ReadsWholeFilesIncludingEmptyOnes) {
    Write(Path("rom.bin"), std::string("\x00\x01\xFF", 3));
    const ReadResult read = files_.ReadWholeFile(Path("rom.bin"));
    EXPECT_EQ(read.status, ReadStatus::Ok);
    EXPECT_EQ(Bytes(read.bytes.begin(), read.bytes.end()), (Bytes{0x00, 0x01, 0xFF}));
    Write(Path("empty.bin"), "");
    EXPECT_EQ(files_.ReadWholeFile(Path("empty.bin")).status, ReadStatus::Ok);
}

TEST_F(StdFileSystemTest, RefusesWhatCannotBeReadWhole) {
    VESPERINE_POSIX_ONLY("fifos and /dev/zero");
    EXPECT_EQ(files_.ReadWholeFile(Path("missing.bin")).status, ReadStatus::CannotOpen);
    EXPECT_EQ(files_.ReadWholeFile(Utf8FromPath(dir_)).status, ReadStatus::CannotOpen);
    ASSERT_TRUE(testing::MakeFifo(Path("pipe")));
    EXPECT_EQ(files_.ReadWholeFile(Path("pipe")).status, ReadStatus::NoSize) << "and it does not wait for a writer";
    EXPECT_EQ(files_.ReadWholeFile("/dev/zero").status, ReadStatus::NoSize);

    // A sparse file of exactly 2 GiB costs no disk space.
    for (const auto size : {std::uintmax_t{0x80000000u}, std::uintmax_t{0x100000010u}}) {
        Write(Path("sparse.bin"), "");
        fs::resize_file(PathFromUtf8(Path("sparse.bin")), size);
        EXPECT_EQ(files_.ReadWholeFile(Path("sparse.bin")).status, ReadStatus::TooLarge) << size;
    }
}

TEST_F(StdFileSystemTest, UnreadableFileIsNotFoundUnlessRoot) {
    VESPERINE_POSIX_ONLY("permission bits");
    Write(Path("secret.bin"), "x");
    fs::permissions(PathFromUtf8(Path("secret.bin")), fs::perms::none);
    const ReadStatus expected = testing::RunningAsRoot() ? ReadStatus::Ok : ReadStatus::CannotOpen;
    EXPECT_EQ(files_.ReadWholeFile(Path("secret.bin")).status, expected);
}

TEST_F(StdFileSystemTest, WritesNewFilesAndReplacesOldOnesLeavingNoLeftovers) {
    const Bytes bytes{1, 2, 3};
    EXPECT_EQ(files_.WriteWholeFile(Path("new.bin"), bytes), WriteStatus::Ok);
    EXPECT_EQ(Read(Path("new.bin")), std::string("\x01\x02\x03", 3));
    Write(Path("old.bin"), "old contents");
#ifndef _WIN32
    // The replaced file's permission bits carry over (Windows has none to keep).
    fs::permissions(PathFromUtf8(Path("old.bin")),
                    fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
#endif
    EXPECT_EQ(files_.WriteWholeFile(Path("old.bin"), {}), WriteStatus::Ok);
    EXPECT_EQ(Read(Path("old.bin")), "");
#ifndef _WIN32
    EXPECT_EQ(fs::status(PathFromUtf8(Path("old.bin"))).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
#endif
    EXPECT_EQ(scratch_.FileCount(), 2);
}

TEST_F(StdFileSystemTest, TheTemporaryIsFixedBesideTheTargetAndExclusive) {
    Write(Path("keep.bin"), "old");
    const std::string part = Path("keep.bin") + kTemporarySuffix;
    Write(part, "another writer's");
    StagedOutput staged;
    EXPECT_EQ(files_.StageOutput(Path("keep.bin"), Bytes{1}, staged), WriteStatus::Busy);
    EXPECT_EQ(PathFromUtf8(staged.temporary), PathFromUtf8(files_.TemporaryOf(Path("keep.bin"))));
    EXPECT_EQ(files_.WriteWholeFile(Path("keep.bin"), Bytes{1}), WriteStatus::Busy);
    EXPECT_EQ(Read(Path("keep.bin")), "old");
    EXPECT_EQ(Read(part), "another writer's");
    fs::remove(PathFromUtf8(part));
    ASSERT_EQ(files_.StageOutput(Path("keep.bin"), Bytes{2}, staged), WriteStatus::Ok);
    EXPECT_EQ(Read(part), "\x02");
    EXPECT_EQ(files_.CommitOutput(staged), WriteStatus::Ok);
    EXPECT_EQ(Read(Path("keep.bin")), "\x02");
    EXPECT_EQ(scratch_.FileCount(), 1);
}

TEST_F(StdFileSystemTest, SavingThroughALinkReplacesItsTarget) {
    VESPERINE_POSIX_ONLY("symbolic links need a privilege on Windows and MinGW's library makes none");
    Write(Path("target.bin"), "old");
    fs::create_symlink(PathFromUtf8(Path("target.bin")), PathFromUtf8(Path("link.bin")));
    EXPECT_EQ(files_.WriteWholeFile(Path("link.bin"), Bytes{'n', 'e', 'w'}), WriteStatus::Ok);
    EXPECT_TRUE(fs::is_symlink(PathFromUtf8(Path("link.bin"))));
    EXPECT_EQ(Read(Path("target.bin")), "new");
}

TEST_F(StdFileSystemTest, FailuresAreReportedAndNeverDestroyTheOldFile) {
    VESPERINE_POSIX_ONLY("/dev/full");
    EXPECT_EQ(files_.WriteWholeFile("/dev/full", Bytes(100, 7)), WriteStatus::Failed) << "a full device";
    EXPECT_EQ(files_.WriteWholeFile(Path("no/such/dir/x.bin"), Bytes{1}), WriteStatus::CannotOpen);
    EXPECT_EQ(files_.WriteWholeFile(Utf8FromPath(dir_), Bytes{1}), WriteStatus::CannotOpen);
}

TEST_F(StdFileSystemTest, ASaveThatFailsMidwayLeavesTheOldFileIntact) {
    VESPERINE_POSIX_ONLY("a file-size limit (RLIMIT_FSIZE)");
    Write(Path("keep.bin"), "precious old contents");
    WriteStatus status;
    {
        // Writes past 64 KiB fail with EFBIG, as on a disk filling up.
        const testing::FileSizeLimit limit(64 * 1024);
        ASSERT_TRUE(limit.active());
        status = files_.WriteWholeFile(Path("keep.bin"), Bytes(1 << 20, 0xEE));
    }
    EXPECT_EQ(status, WriteStatus::Failed);
    EXPECT_EQ(Read(Path("keep.bin")), "precious old contents");
    EXPECT_EQ(scratch_.FileCount(), 1) << "no partial file left";
}

// Marks a folder immutable: nothing can be added to it, while the files in it stay writable.
// Needs root (CAP_LINUX_IMMUTABLE) and a file system that keeps the flag.
bool SetImmutable(const fs::path& folder, bool on) {
#ifdef _WIN32
    static_cast<void>(folder);
    static_cast<void>(on);
    return false;
#else
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd < 0) return false;
    int flags = 0;
    bool done = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
    done = done && ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    ::close(fd);
    return done;
#endif
}

TEST_F(StdFileSystemTest, AFolderThatTakesNoNewNameRefusesToWriteAnOldFileInPlace) {
    Write(Path("keep.bin"), "old contents");
    if (!SetImmutable(dir_, true)) GTEST_SKIP() << "folders cannot be made immutable here";
    const WriteStatus status = files_.WriteWholeFile(Path("keep.bin"), Bytes(100, 1));
    const WriteStatus fresh = files_.WriteWholeFile(Path("new.bin"), Bytes(100, 1));
    SetImmutable(dir_, false);
    EXPECT_EQ(status, WriteStatus::CannotOpen);
    EXPECT_EQ(Read(Path("keep.bin")), "old contents");
    EXPECT_EQ(fresh, WriteStatus::CannotOpen);
}

TEST_F(StdFileSystemTest, PathsLongerThanOldLimitsWork) {
    std::string name(200, 'a');
    const fs::path deep = dir_ / name / name;
    fs::create_directories(deep);
    const std::string path = Utf8FromPath(deep / (name + ".bin"));
    ASSERT_GT(path.size(), 600u);
    EXPECT_EQ(files_.WriteWholeFile(path, Bytes{9}), WriteStatus::Ok);
    const ReadResult read = files_.ReadWholeFile(path);
    EXPECT_EQ(Bytes(read.bytes.begin(), read.bytes.end()), Bytes{9});
}

}  // namespace
}  // namespace vesperine
