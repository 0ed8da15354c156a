// The real file system on POSIX systems: whole-file reads and replacing writes through the C library.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <new>
#include <random>
#include <system_error>

#include "platform/std_file_system.h"

#include <unistd.h>

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

// Writes all of bytes and makes sure they reached the file: a full disk often shows only at
// the flush or the close, and must not pass for success.
bool WriteAll(Stream& stream, std::span<const std::uint8_t> bytes) {
    if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), stream.get()) != bytes.size()) return false;
    if (std::fflush(stream.get()) != 0) return false;
    // Devices such as /dev/full or a terminal cannot be synced; only the write and flush count there.
    if (::fsync(fileno(stream.get())) != 0 && errno != EINVAL && errno != EROFS) return false;
    return stream.Close();
}

// A name in the target's folder. The target's name is cut short first, so that a name near the
// longest a folder takes (255 bytes on most) still leaves room for the suffix.
std::string TemporaryNeighbour(const fs::path& target) {
    std::random_device random;
    char suffix[24];
    std::snprintf(suffix, sizeof suffix, ".%08x.part", static_cast<unsigned>(random()));
    fs::path::string_type name = target.filename().native();
    name.resize(std::min<std::size_t>(name.size(), 200));
    fs::path temporary = target.parent_path() / name;
    temporary += suffix;
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
    std::error_code error;
    fs::path target(path);
    // Saving over a link replaces the file it points to, not the link.
    if (fs::is_symlink(fs::symlink_status(target, error))) {
        const fs::path resolved = fs::weakly_canonical(target, error);
        if (!error) target = resolved;
    }
    const fs::file_status existing = fs::status(target, error);
    const bool exists = !error && fs::exists(existing);
    if (exists && fs::is_directory(existing)) return WriteStatus::CannotOpen;

    // Devices and pipes cannot be replaced by a rename; they are written in place.
    if (exists && !fs::is_regular_file(existing)) {
        Stream stream(target.string(), "wb");
        if (stream.get() == nullptr) return WriteStatus::CannotOpen;
        return WriteAll(stream, bytes) ? WriteStatus::Ok : WriteStatus::Failed;
    }

    // Write beside the target and rename over it, so a failure leaves the old file intact.
    const std::string temporary = TemporaryNeighbour(target);
    Stream stream(temporary, "wbx");
    if (stream.get() == nullptr) {
        // No neighbour can be made (a folder we may not add to). Writing an existing file in
        // place could leave it half written, so that is refused; a new file loses nothing.
        if (exists) return WriteStatus::CannotOpen;
        Stream direct(target.string(), "wbx");
        if (direct.get() == nullptr) return WriteStatus::CannotOpen;
        return WriteAll(direct, bytes) ? WriteStatus::Ok : WriteStatus::Failed;
    }
    if (!WriteAll(stream, bytes)) {
        fs::remove(temporary, error);
        return WriteStatus::Failed;
    }
    if (exists) fs::permissions(temporary, existing.permissions(), fs::perm_options::replace, error);
    fs::rename(temporary, target, error);
    if (error) {
        fs::remove(temporary, error);
        return WriteStatus::Failed;
    }
    return WriteStatus::Ok;
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

WriteStatus StdFileSystem::StageOutput(const std::string& path, std::span<const std::uint8_t> bytes,
                                       StagedOutput& staged) {
    const fs::path target = FollowLink(path);
    staged = {target.string(), {}};
    std::error_code error;
    if (fs::is_symlink(fs::symlink_status(target, error))) return WriteStatus::CannotOpen;  // a loop of links
    const fs::file_status existing = fs::status(target, error);
    const bool exists = !error && fs::exists(existing);
    if (exists && fs::is_directory(existing)) return WriteStatus::IsFolder;
    // Devices and pipes cannot be replaced by a rename; they are written in place.
    if (exists && !fs::is_regular_file(existing)) {
        Stream stream(staged.target, "wb");
        if (stream.get() == nullptr) return WriteStatus::CannotOpen;
        return WriteAll(stream, bytes) ? WriteStatus::Ok : WriteStatus::Failed;
    }
    const std::string temporary = TemporaryNeighbour(target);
    Stream stream(temporary, "wbx");
    if (stream.get() == nullptr) return WriteStatus::CannotOpen;
    if (!WriteAll(stream, bytes)) {
        fs::remove(temporary, error);
        return WriteStatus::Failed;
    }
    if (exists) fs::permissions(temporary, existing.permissions(), fs::perm_options::replace, error);
    staged.temporary = temporary;
    return WriteStatus::Ok;
}

WriteStatus StdFileSystem::CommitOutput(const StagedOutput& staged) {
    if (staged.temporary.empty()) return WriteStatus::Ok;
    std::error_code error;
    fs::rename(staged.temporary, staged.target, error);
    return error ? WriteStatus::Failed : WriteStatus::Ok;
}

void StdFileSystem::DiscardOutput(const StagedOutput& staged) {
    std::error_code ignored;
    if (!staged.temporary.empty()) fs::remove(staged.temporary, ignored);
}

}  // namespace vesperine
