// The real file system on Windows: whole-file reads and replacing writes through the Win32 API.
#include "platform/win_file_system.h"

#include "platform/write_interrupts.h"

#include "platform/windows_api.h"

#include <algorithm>
#include <cstdio>
#include <new>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace vesperine {
namespace {

// ReadFile and WriteFile take 32-bit counts; larger spans go in pieces of at most 1 GiB.
constexpr std::size_t kPiece = std::size_t{1} << 30;

// Closes the handle on every way out; Close() reports whether the close succeeded.
class Handle {
public:
    explicit Handle(HANDLE handle) : handle_(handle) {}
    ~Handle() {
        if (valid()) ::CloseHandle(handle_);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    Handle(Handle&& other) noexcept : handle_(other.Release()) {}
    [[nodiscard]] bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
    [[nodiscard]] HANDLE get() const { return handle_; }
    Handle& operator=(Handle&& other) noexcept {
        if (this != &other) {
            if (valid()) ::CloseHandle(handle_);
            handle_ = other.Release();
        }
        return *this;
    }
    // Gives the handle up without closing it.
    [[nodiscard]] HANDLE Release() {
        const HANDLE handle = handle_;
        handle_ = INVALID_HANDLE_VALUE;
        return handle;
    }
    // Also safe on a handle already closed (false then).
    [[nodiscard]] bool Close() {
        if (!valid()) return false;
        const HANDLE handle = handle_;
        handle_ = INVALID_HANDLE_VALUE;
        return ::CloseHandle(handle) != 0;
    }

private:
    HANDLE handle_;
};

// UTF-8 to UTF-16; an empty result for text that is not UTF-8 (no such file can be named).
std::wstring Widen(const std::string& text) {
    if (text.empty() || text.size() > 0x7FFFFFFF) return {};
    const int size = static_cast<int>(text.size());
    const int count = ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), size, nullptr, 0);
    if (count <= 0) return {};
    std::wstring wide(static_cast<std::size_t>(count), L'\0');
    ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), size, wide.data(), count);
    return wide;
}

// UTF-16 to UTF-8, the inverse of Widen for the names the system gives back.
std::string Narrow(const std::wstring& text) {
    if (text.empty() || text.size() > 0x7FFFFFFF) return {};
    const int size = static_cast<int>(text.size());
    const int count = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
    if (count <= 0) return {};
    std::string narrow(static_cast<std::size_t>(count), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), size, narrow.data(), count, nullptr, nullptr);
    return narrow;
}

// The absolute form of a path with the \\?\ prefix, which lifts the 260-character limit of the
// Win32 calls. Device names (NUL, CON, \\.\...) keep the form GetFullPathNameW gives them.
std::wstring ExtendedPath(const std::wstring& path) {
    if (path.empty()) return {};
    if (path.rfind(L"\\\\?\\", 0) == 0) return path;  // already in that form (a staged temporary)
    const DWORD needed = ::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (needed == 0) return {};
    std::wstring full(needed, L'\0');
    const DWORD length = ::GetFullPathNameW(path.c_str(), needed, full.data(), nullptr);
    if (length == 0 || length >= needed) return {};
    full.resize(length);
    if (full.rfind(L"\\\\?\\", 0) == 0 || full.rfind(L"\\\\.\\", 0) == 0) return full;
    if (full.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + full.substr(2);  // \\server\share
    return L"\\\\?\\" + full;
}

[[nodiscard]] Handle OpenExisting(const std::wstring& path, DWORD access, DWORD flags = FILE_ATTRIBUTE_NORMAL) {
    return Handle(::CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, flags, nullptr));
}

// Shared for deletion only: the console handler may remove a temporary still being written
// (it goes when the handle closes).
[[nodiscard]] Handle CreateNew(const std::wstring& path) {
    return Handle(::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
}

// Writes all of bytes and makes sure they reached the disk: a full disk often shows only at
// the flush or the close, and must not pass for success. The handle is closed either way.
bool WriteAll(Handle& file, std::span<const std::uint8_t> bytes) {
    for (std::size_t at = 0; at < bytes.size();) {
        const auto piece = static_cast<DWORD>(std::min(kPiece, bytes.size() - at));
        DWORD written = 0;
        if (::WriteFile(file.get(), bytes.data() + at, piece, &written, nullptr) == 0 || written == 0) return false;
        at += written;
    }
    // Devices such as NUL or a console cannot be flushed; only the write counts there.
    if (::FlushFileBuffers(file.get()) == 0 && ::GetFileType(file.get()) == FILE_TYPE_DISK) return false;
    return file.Close();
}

// The target's fixed temporary in its folder. The target's name is cut short first, so that a
// name near the longest a folder takes (255 characters) still leaves room for the suffix.
std::wstring TemporaryNeighbour(const std::wstring& target) {
    const std::size_t slash = target.find_last_of(L"\\/");
    const std::size_t nameStart = slash == std::wstring::npos ? 0 : slash + 1;
    std::wstring temporary = target.substr(0, nameStart + std::min<std::size_t>(target.size() - nameStart, 200));
    for (const char* c = kTemporarySuffix; *c != '\0'; ++c) temporary += static_cast<wchar_t>(*c);
    return temporary;
}

// The file a link or junction leads to, or the path itself when it is none or cannot be followed.
std::wstring FollowLink(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) return path;
    const Handle file = OpenExisting(path, 0, FILE_FLAG_BACKUP_SEMANTICS);
    if (!file.valid()) return path;
    const DWORD needed = ::GetFinalPathNameByHandleW(file.get(), nullptr, 0, FILE_NAME_NORMALIZED);
    if (needed == 0) return path;
    std::wstring final(needed, L'\0');
    const DWORD length = ::GetFinalPathNameByHandleW(file.get(), final.data(), needed, FILE_NAME_NORMALIZED);
    if (length == 0 || length >= needed) return path;
    final.resize(length);
    return final;
}

// What names a file whatever its path: its volume's serial number and its index there. Links
// are followed, as opening the path follows them; nothing when the file cannot be opened.
using FileIdentity = std::tuple<DWORD, DWORD, DWORD>;
std::optional<FileIdentity> IdentityOf(const std::wstring& path) {
    const Handle file = OpenExisting(path, 0, FILE_FLAG_BACKUP_SEMANTICS);
    if (!file.valid()) return std::nullopt;
    BY_HANDLE_FILE_INFORMATION info{};
    if (::GetFileInformationByHandle(file.get(), &info) == 0) return std::nullopt;
    return FileIdentity{info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow};
}

// The folder part of an absolute path and its last name; a drive's root keeps its backslash.
std::pair<std::wstring, std::wstring> SplitName(const std::wstring& path) {
    const std::size_t slash = path.find_last_of(L"\\/");
    if (slash == std::wstring::npos) return {L".", path};
    const bool root = slash > 0 && path[slash - 1] == L':';
    return {path.substr(0, root ? slash + 1 : slash), path.substr(slash + 1)};
}

}  // namespace

bool WinFileSystem::SameFile(const std::string& a, const std::string& b) {
    const std::wstring left = ExtendedPath(Widen(a));
    const std::wstring right = ExtendedPath(Widen(b));
    if (left.empty() || right.empty()) return a == b;
    const std::optional<FileIdentity> leftFile = IdentityOf(left);
    const std::optional<FileIdentity> rightFile = IdentityOf(right);
    if (leftFile || rightFile) return leftFile == rightFile;
    // Neither exists: one file when written if they are one name (Windows ignores case) in one folder.
    if (::GetFileAttributesW(left.c_str()) != INVALID_FILE_ATTRIBUTES ||
        ::GetFileAttributesW(right.c_str()) != INVALID_FILE_ATTRIBUTES)
        return false;
    const auto [leftFolder, leftName] = SplitName(left);
    const auto [rightFolder, rightName] = SplitName(right);
    const std::optional<FileIdentity> folder = IdentityOf(leftFolder);
    return folder && folder == IdentityOf(rightFolder) && leftName.size() <= 0x7FFFFFFF &&
           rightName.size() <= 0x7FFFFFFF &&
           ::CompareStringOrdinal(leftName.c_str(), static_cast<int>(leftName.size()), rightName.c_str(),
                                  static_cast<int>(rightName.size()), TRUE) == CSTR_EQUAL;
}

bool WinFileSystem::IsFolder(const std::string& path) {
    const std::wstring wide = ExtendedPath(Widen(path));
    if (wide.empty()) return false;
    const DWORD attributes = ::GetFileAttributesW(wide.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// A staged device's handle, kept as an integer by StageOutput in the platform-neutral StagedOutput.
static HANDLE DeviceOf(const StagedOutput& staged) {
    return reinterpret_cast<HANDLE>(staged.device);  // NOLINT(performance-no-int-to-ptr)
}

// The path a write of path goes to, links followed; empty for a name that cannot be one.
static std::wstring TargetOf(const std::string& path) {
    const std::wstring target = ExtendedPath(Widen(path));
    return target.empty() ? target : FollowLink(target);
}

std::string WinFileSystem::TemporaryOf(const std::string& path) {
    const std::wstring target = TargetOf(path);
    return target.empty() ? path + kTemporarySuffix : Narrow(TemporaryNeighbour(target));
}

WriteStatus WinFileSystem::StageOutput(const std::string& path, std::span<const std::uint8_t> bytes,
                                       StagedOutput& staged) {
    staged = StagedOutput{};
    staged.target = path;
    const std::wstring target = TargetOf(path);
    if (target.empty()) return WriteStatus::CannotOpen;
    staged.target = Narrow(target);
    const DWORD attributes = ::GetFileAttributesW(target.c_str());
    const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
    if (exists && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return WriteStatus::IsFolder;
    // A read-only mark says the file is to be kept; Windows refuses to replace it, and so do we
    // before anything is written (Wine would let the move replace it).
    if (exists && (attributes & FILE_ATTRIBUTE_READONLY) != 0) return WriteStatus::CannotOpen;
    // Devices (NUL, a console, a pipe) cannot be replaced by a move: opened now, written at the
    // commit. Opening a pipe without a server fails at once rather than waiting.
    if (target.rfind(L"\\\\.\\", 0) == 0) {
        Handle device = OpenExisting(target, GENERIC_WRITE);
        if (!device.valid()) return WriteStatus::CannotOpen;
        staged.device = reinterpret_cast<std::intptr_t>(device.get());
        static_cast<void>(device.Release());
        staged.deviceBytes = bytes;
        return WriteStatus::Ok;
    }
    const std::wstring temporary = TemporaryNeighbour(target);
    Handle file(INVALID_HANDLE_VALUE);
    DWORD error = 0;
    const bool created = CreateRegisteredTemporary(temporary.c_str(), [&] {
        file = CreateNew(temporary);
        error = ::GetLastError();
        return file.valid();
    });
    if (!created) {
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) return WriteStatus::CannotOpen;
        staged.temporary = Narrow(temporary);
        return WriteStatus::Busy;
    }
    StopHereForTest("created");
    if (!WriteAll(file, bytes)) {
        static_cast<void>(file.Close());  // or it cannot be deleted
        ::DeleteFileW(temporary.c_str());
        ForgetTemporary(temporary.c_str());
        return WriteStatus::Failed;
    }
    // The replaced file's hidden and system marks carry over, as its permissions do on Linux.
    if (exists) {
        const DWORD kept = attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                                         FILE_ATTRIBUTE_NOT_CONTENT_INDEXED);
        if (kept != 0) ::SetFileAttributesW(temporary.c_str(), kept);
    }
    staged.temporary = Narrow(temporary);
    StopHereForTest("staged");
    return WriteStatus::Ok;
}

// MOVEFILE_WRITE_THROUGH returns only once the move is on the disk: the folder's flush.
WriteStatus WinFileSystem::CommitOutput(const StagedOutput& staged) {
    if (staged.device >= 0) {
        Handle device(DeviceOf(staged));
        return WriteAll(device, staged.deviceBytes) ? WriteStatus::Ok : WriteStatus::Failed;
    }
    if (staged.temporary.empty()) return WriteStatus::Ok;
    const std::wstring temporary = Widen(staged.temporary);
    const std::wstring target = Widen(staged.target);
    if (::MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) == 0)
        return WriteStatus::Failed;
    ForgetTemporary(temporary.c_str());
    StopHereForTest("renamed");
    return WriteStatus::Ok;
}

void WinFileSystem::DiscardOutput(const StagedOutput& staged) {
    if (staged.device >= 0) {
        ::CloseHandle(DeviceOf(staged));
    } else if (!staged.temporary.empty()) {
        const std::wstring temporary = Widen(staged.temporary);
        ::DeleteFileW(temporary.c_str());
        ForgetTemporary(temporary.c_str());
    }
}

namespace {

// A file opened for reading and its length, or why it cannot be read whole: the refusals that
// the whole-file read and the piece-wise read share.
struct OpenedForReading {
    ReadStatus status = ReadStatus::CannotOpen;
    Handle file{INVALID_HANDLE_VALUE};
    std::uint64_t length = 0;
};

OpenedForReading OpenForReading(const std::string& path) {
    OpenedForReading opened;
    const std::wstring wide = ExtendedPath(Widen(path));
    if (wide.empty()) return opened;
    const DWORD attributes = ::GetFileAttributesW(wide.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return opened;
    opened.file = OpenExisting(wide, GENERIC_READ, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN);
    if (!opened.file.valid()) return opened;
    // A pipe, a console or a device such as NUL has no end to seek to.
    LARGE_INTEGER end{};
    if (::GetFileType(opened.file.get()) != FILE_TYPE_DISK || ::GetFileSizeEx(opened.file.get(), &end) == 0 ||
        end.QuadPart < 0) {
        opened.status = ReadStatus::NoSize;
        return opened;
    }
    opened.length = static_cast<std::uint64_t>(end.QuadPart);
    opened.status = opened.length >= kMaxFileLength ? ReadStatus::TooLarge : ReadStatus::Ok;
    return opened;
}

// Reads up to size bytes into data; the count read, short only at the end or on an error.
std::size_t ReadUpTo(const Handle& file, std::uint8_t* data, std::size_t size) {
    std::size_t got = 0;
    while (got < size) {
        DWORD n = 0;
        const auto piece = static_cast<DWORD>(std::min(kPiece, size - got));
        if (::ReadFile(file.get(), data + got, piece, &n, nullptr) == 0 || n == 0) break;
        got += n;
    }
    return got;
}

// More bytes than the size promised: a file still growing. A prefix must not pass for the
// whole file.
bool HasMore(const Handle& file) {
    std::uint8_t extra = 0;
    DWORD n = 0;
    return ::ReadFile(file.get(), &extra, 1, &n, nullptr) != 0 && n != 0;
}

}  // namespace

std::optional<std::uint64_t> WinFileSystem::FileLength(const std::string& path) {
    const std::wstring wide = ExtendedPath(Widen(path));
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (wide.empty() || ::GetFileAttributesExW(wide.c_str(), GetFileExInfoStandard, &data) == 0 ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return std::nullopt;
    return (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

ReadResult WinFileSystem::ReadWholeFile(const std::string& path) { return ReadWholeFileInChunks(path, {}); }

ReadResult WinFileSystem::ReadWholeFileInChunks(const std::string& path, const ReadProgress& progress) {
    // Chunks small enough that progress moves several times a second even from a slow disk.
    constexpr std::size_t kChunk = std::size_t{8} << 20;
    ReadResult result;
    const OpenedForReading opened = OpenForReading(path);
    result.status = opened.status;
    if (opened.status != ReadStatus::Ok) return result;
    const auto length = static_cast<std::size_t>(opened.length);
    try {
        result.bytes.ResizeDiscarding(length);
    } catch (const std::bad_alloc&) {
        result.status = ReadStatus::OutOfMemory;
        return result;
    }
    std::size_t got = 0;
    while (got < length) {
        const std::size_t want = std::min(kChunk, length - got);
        const std::size_t n = ReadUpTo(opened.file, result.bytes.data() + got, want);
        got += n;
        if (n != want) break;
        if (progress && progress(got, length)) {
            result.bytes.Release();
            result.status = ReadStatus::Broken;
            return result;
        }
    }
    if (got != length || HasMore(opened.file)) {
        result.bytes.Release();
        result.status = got != length ? ReadStatus::ShortRead : ReadStatus::NoSize;
        return result;
    }
    return result;
}

ReadStatus WinFileSystem::ReadPieces(const std::string& path, const PieceSink& take) {
    const OpenedForReading opened = OpenForReading(path);
    if (opened.status != ReadStatus::Ok) return opened.status;
    std::vector<std::uint8_t> piece(kPieceSize);
    std::uint64_t got = 0;
    while (got < opened.length) {
        const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(piece.size(), opened.length - got));
        const std::size_t n = ReadUpTo(opened.file, piece.data(), want);
        if (n == 0) return ReadStatus::ShortRead;
        take(std::span<const std::uint8_t>(piece.data(), n));
        got += n;
    }
    if (opened.length == 0) take({});
    return HasMore(opened.file) ? ReadStatus::NoSize : ReadStatus::Ok;
}

WriteStatus WinFileSystem::WriteWholeFile(const std::string& path, std::span<const std::uint8_t> bytes) {
    return WriteStagedFile(*this, path, bytes);
}

}  // namespace vesperine
