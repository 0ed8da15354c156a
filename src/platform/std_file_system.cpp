// The real file system on POSIX systems: whole-file reads and replacing writes through the C library.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <new>
#include <system_error>

#include "platform/std_file_system.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/write_interrupts.h"

namespace vesperine {
namespace {

namespace fs = std::filesystem;

// Closes the stream on every way out; Close() reports whether buffered data reached the file.
class Stream {
public:
    Stream(const std::string& path, const char* mode) : file_(std::fopen(path.c_str(), mode)) {}
    ~Stream() {
        if (file_ != nullptr) std::fclose(file_);
    }
    Stream(const Stream&) = delete;
    Stream& operator=(const Stream&) = delete;
    [[nodiscard]] std::FILE* get() const { return file_; }
    [[nodiscard]] bool Close() {
        std::FILE* file = file_;
        file_ = nullptr;
        return std::fclose(file) == 0;
    }

private:
    std::FILE* file_;
};

// Writes all of bytes to fd and makes sure they reached the disk: a full disk often shows only
// at the flush, and must not pass for success. Devices such as /dev/full or a terminal cannot
// be synced; only the writes count there.
bool WriteAll(int fd, std::span<const std::uint8_t> bytes) {
    for (std::size_t at = 0; at < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.data() + at, std::min<std::size_t>(bytes.size() - at, 1u << 30));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        at += static_cast<std::size_t>(n);
    }
    return ::fsync(fd) == 0 || errno == EINVAL || errno == EROFS;
}

// Closes fd, telling whether the close succeeded (EINTR leaves it closed on Linux).
bool CloseFile(int fd) { return ::close(fd) == 0 || errno == EINTR; }

// The target's fixed temporary in its folder. The target's name is cut short first, so that a
// name near the longest a folder takes (255 bytes on most) still leaves room for the suffix;
// two names alike in their first 200 bytes then share a temporary, and exclude each other.
std::string TemporaryNeighbour(const fs::path& target) {
    fs::path::string_type name = target.filename().native();
    name.resize(std::min<std::size_t>(name.size(), 200));
    fs::path temporary = target.parent_path() / name;
    temporary += kTemporarySuffix;
    return temporary.string();
}

// The folder a path's file lies in, "." for a bare name.
fs::path FolderOf(const fs::path& path) { return path.has_parent_path() ? path.parent_path() : fs::path("."); }

// The target itself, or the file a chain of symbolic links leads to, whether it exists or not
// (open with O_CREAT would create it there): replacing a link's file, not the link. A loop
// stops at the system's limit of 40 links, still at a link.
fs::path FollowLink(const fs::path& target) {
    fs::path path = target;
    std::error_code error;
    for (int links = 0; links < 40 && fs::is_symlink(fs::symlink_status(path, error)); ++links) {
        const fs::path next = fs::read_symlink(path, error);
        if (error) break;
        path = next.is_absolute() ? next : FolderOf(path) / next;
    }
    return path;
}

}  // namespace

std::optional<std::uint64_t> StdFileSystem::FileLength(const std::string& path) {
    std::error_code error;
    const std::uintmax_t length = fs::file_size(path, error);
    if (error) return std::nullopt;
    return static_cast<std::uint64_t>(length);
}

ReadResult StdFileSystem::ReadWholeFile(const std::string& path) { return ReadWholeFileInChunks(path, {}); }

ReadResult StdFileSystem::ReadWholeFileInChunks(const std::string& path, const ReadProgress& progress) {
    // Chunks small enough that progress moves several times a second even from a slow disk.
    constexpr std::size_t kChunk = std::size_t{8} << 20;
    ReadResult result;
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    if (error || !fs::exists(status) || fs::is_directory(status)) return result;  // CannotOpen
    // A pipe or a terminal has no end to seek to, and opening a pipe would wait for a writer.
    if (!fs::is_regular_file(status) && !fs::is_block_file(status)) {
        result.status = ReadStatus::NoSize;
        return result;
    }
    Stream stream(path, "rb");
    if (stream.get() == nullptr) return result;
    if (::fseeko(stream.get(), 0, SEEK_END) != 0) {
        result.status = ReadStatus::NoSize;
        return result;
    }
    const auto end = static_cast<std::int64_t>(::ftello(stream.get()));
    if (end < 0 || ::fseeko(stream.get(), 0, SEEK_SET) != 0) {
        result.status = ReadStatus::NoSize;
        return result;
    }
    if (static_cast<std::uint64_t>(end) >= kMaxFileLength) {
        result.status = ReadStatus::TooLarge;
        return result;
    }
    const auto length = static_cast<std::size_t>(end);
    try {
        result.bytes.ResizeDiscarding(length);
    } catch (const std::bad_alloc&) {
        result.status = ReadStatus::OutOfMemory;
        return result;
    }
    std::size_t got = 0;
    while (got < length) {
        const std::size_t n = std::fread(result.bytes.data() + got, 1, std::min(kChunk, length - got), stream.get());
        if (n == 0) break;
        got += n;
        if (progress && progress(got, length)) {
            result.bytes.Release();
            result.status = ReadStatus::Broken;
            return result;
        }
    }
    if (got != length) {
        result.bytes.Release();
        result.status = ReadStatus::ShortRead;
        return result;
    }
    // More bytes than the end promised: a file under /proc that says it is empty, or one still
    // growing. Its length is not known, and a prefix must not pass for the whole file.
    if (std::fgetc(stream.get()) != EOF) {
        result.bytes.Release();
        result.status = ReadStatus::NoSize;
        return result;
    }
    result.status = ReadStatus::Ok;
    return result;
}

WriteStatus StdFileSystem::WriteWholeFile(const std::string& path, std::span<const std::uint8_t> bytes) {
    return WriteStagedFile(*this, path, bytes);
}

}  // namespace vesperine

namespace vesperine {

bool StdFileSystem::SameFile(const std::string& a, const std::string& b) {
    std::error_code error;
    const bool same = fs::equivalent(a, b, error);
    if (!error) return same;
    // Neither exists (a lone missing one cannot be the other): one file when written, if
    // their folders are one folder and their names one name.
    const fs::path left = FollowLink(a);
    const fs::path right = FollowLink(b);
    if (fs::exists(fs::symlink_status(left, error)) || fs::exists(fs::symlink_status(right, error))) return false;
    return left.filename() == right.filename() && fs::equivalent(FolderOf(left), FolderOf(right), error) && !error;
}

bool StdFileSystem::IsFolder(const std::string& path) {
    std::error_code error;
    return fs::is_directory(path, error);
}

std::string StdFileSystem::TemporaryOf(const std::string& path) { return TemporaryNeighbour(FollowLink(path)); }

WriteStatus StdFileSystem::StageOutput(const std::string& path, std::span<const std::uint8_t> bytes,
                                       StagedOutput& staged) {
    const fs::path target = FollowLink(path);
    staged = StagedOutput{};
    staged.target = target.string();
    struct stat existing {};
    if (::lstat(staged.target.c_str(), &existing) != 0) {
        if (errno != ENOENT) return WriteStatus::CannotOpen;
        existing.st_mode = 0;
    }
    if (S_ISLNK(existing.st_mode)) return WriteStatus::CannotOpen;  // a loop of links
    if (S_ISDIR(existing.st_mode)) return WriteStatus::IsFolder;
    const bool exists = existing.st_mode != 0;
    // A device or a FIFO cannot be replaced by a rename: it is opened now and written at the
    // commit. Opened without waiting, as a FIFO with no reader would wait for one forever;
    // then made blocking again, so that the writes wait for a slow reader.
    if (exists && !S_ISREG(existing.st_mode)) {
        const int fd = ::open(staged.target.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (fd < 0)
            return S_ISFIFO(existing.st_mode) && errno == ENXIO ? WriteStatus::NoReader : WriteStatus::CannotOpen;
        const int flags = ::fcntl(fd, F_GETFL);
        if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
            ::close(fd);
            return WriteStatus::CannotOpen;
        }
        staged.device = fd;
        staged.deviceBytes = bytes;
        return WriteStatus::Ok;
    }
    const std::string temporary = TemporaryNeighbour(target);
    int fd = -1;
    int error = 0;
    const bool created = CreateRegisteredTemporary(temporary.c_str(), [&] {
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOCTTY | O_CLOEXEC, 0666);
        error = errno;
        return fd >= 0;
    });
    if (!created) {
        if (error != EEXIST) return WriteStatus::CannotOpen;
        staged.temporary = temporary;
        return WriteStatus::Busy;
    }
    StopHereForTest("created");
    // The replaced file's permission bits carry over; a new file's come from the umask.
    bool written = WriteAll(fd, bytes) && (!exists || ::fchmod(fd, existing.st_mode & 07777) == 0);
    written = CloseFile(fd) && written;
    if (!written) {
        ::unlink(temporary.c_str());
        ForgetTemporary(temporary.c_str());
        return WriteStatus::Failed;
    }
    staged.temporary = temporary;
    StopHereForTest("staged");
    return WriteStatus::Ok;
}

WriteStatus StdFileSystem::CommitOutput(const StagedOutput& staged) {
    if (staged.device >= 0) {
        const int fd = static_cast<int>(staged.device);
        const bool written = WriteAll(fd, staged.deviceBytes);
        return CloseFile(fd) && written ? WriteStatus::Ok : WriteStatus::Failed;
    }
    if (staged.temporary.empty()) return WriteStatus::Ok;
    if (::rename(staged.temporary.c_str(), staged.target.c_str()) != 0) return WriteStatus::Failed;
    ForgetTemporary(staged.temporary.c_str());
    // The rename itself reaches the disk with the folder. The target is in place whatever this
    // says (a file system may refuse to sync a folder), so it is not a failure of the write.
    const int folder = ::open(FolderOf(staged.target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        static_cast<void>(::fsync(folder));
        ::close(folder);
    }
    StopHereForTest("renamed");
    return WriteStatus::Ok;
}

void StdFileSystem::DiscardOutput(const StagedOutput& staged) {
    if (staged.device >= 0) {
        ::close(static_cast<int>(staged.device));
    } else if (!staged.temporary.empty()) {
        ::unlink(staged.temporary.c_str());
        ForgetTemporary(staged.temporary.c_str());
    }
}

}  // namespace vesperine
