// The file system as the file commands see it: whole files in, whole files out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "base/byte_buffer.h"
#include "base/work_poll.h"

namespace vesperine {

// Small byte strings (tests, literals). Whole files and dumps are ByteBuffers.
using Bytes = std::vector<std::uint8_t>;

// Files of this length or longer are refused: lengths are 32-bit and the largest signed
// 32-bit count is the last length a load may take.
inline constexpr std::uint64_t kMaxFileLength = 0x80000000u;

enum class ReadStatus {
    Ok,
    CannotOpen,   // missing, a directory, no permission
    TooLarge,     // 2 GiB or more
    NoSize,       // the end of the stream cannot be taken (a pipe, a terminal)
    ShortRead,    // fewer bytes arrived than the file's length promised
    OutOfMemory,  // no buffer of the file's length could be had
    Broken,       // the progress callback asked to break off
};

struct ReadResult {
    ReadStatus status = ReadStatus::CannotOpen;
    ByteBuffer bytes;  // the whole file when status is Ok, empty otherwise
};

// Told how far a read has come, done of total bytes, after each chunk. Returns true to break
// the read off. May be called on whatever thread the read runs on.
using ReadProgress = WorkPoll;

enum class WriteStatus {
    Ok,
    CannotOpen,  // the target (or its temporary neighbour) cannot be created
    Failed,      // a write, flush, close or the final rename failed; the old file is intact
    IsFolder,    // the target is a folder (told by StageOutput; WriteWholeFile says CannotOpen)
    Busy,        // the target's temporary exists: another writer holds it, or a killed run left it
    NoReader,    // the target is a FIFO that no process has open for reading
};

// Every write goes to this fixed neighbour of its target ("rom.bin.vesperine-part"), created
// only if it does not exist: two writers of one target exclude each other, and a temporary
// that a killed run left is found again by its name.
inline constexpr char kTemporarySuffix[] = ".vesperine-part";

// An output ready to take its target's place: a complete temporary beside it, or a device
// (a FIFO, a terminal, /dev/null, NUL) opened, that is written only at CommitOutput.
struct StagedOutput {
    StagedOutput() = default;
    StagedOutput(std::string target_, std::string temporary_)
        : target(std::move(target_)), temporary(std::move(temporary_)) {}

    std::string target;     // where it goes: the file a symbolic link leads to, not the link
    std::string temporary;  // its bytes, complete; empty for a device. After Busy: the one in the way
    // A device's open handle (a descriptor, a HANDLE) and the bytes it is to get, which the
    // caller of StageOutput keeps alive until CommitOutput or DiscardOutput.
    std::intptr_t device = -1;
    std::span<const std::uint8_t> deviceBytes;
};

// The message for a read that failed: "File not found.", "File too large: ...", "Read error." and
// the like; the window shows it in a box, the CLI after the file's name.
[[nodiscard]] const char* ReadFailureMessage(ReadStatus status);

class FileSystem {
public:
    virtual ~FileSystem() = default;
    [[nodiscard]] virtual ReadResult ReadWholeFile(const std::string& path) = 0;
    // The file's length where it can be told without reading it (nothing otherwise): a hint
    // for how to read it, never trusted as the length read.
    [[nodiscard]] virtual std::optional<std::uint64_t> FileLength(const std::string& /*path*/) { return std::nullopt; }
    // The same read, telling progress as it goes; a file system that cannot read in chunks
    // reads whole and tells it once at the end.
    [[nodiscard]] virtual ReadResult ReadWholeFileInChunks(const std::string& path, const ReadProgress& progress) {
        ReadResult result = ReadWholeFile(path);
        if (result.status == ReadStatus::Ok && progress && progress(result.bytes.size(), result.bytes.size())) {
            result.bytes.Release();
            result.status = ReadStatus::Broken;
        }
        return result;
    }
    // Replaces the file at path with bytes, so that a failure never destroys what was there;
    // the real file systems do it as StageOutput and CommitOutput do.
    [[nodiscard]] virtual WriteStatus WriteWholeFile(const std::string& path, std::span<const std::uint8_t> bytes) = 0;

    // Hands the file at path to take in pieces, in order, for a caller that needs each byte once
    // (hashing) and no buffer of the file's length. Refuses as ReadWholeFile refuses; after a
    // failure, what take was given is not the file and must be dropped. The default reads the
    // file whole and hands it over as one piece.
    using PieceSink = std::function<void(std::span<const std::uint8_t> piece)>;
    [[nodiscard]] virtual ReadStatus ReadPieces(const std::string& path, const PieceSink& take) {
        const ReadResult read = ReadWholeFile(path);
        if (read.status == ReadStatus::Ok) take(std::span<const std::uint8_t>(read.bytes.data(), read.bytes.size()));
        return read.status;
    }

    // Whether a and b name one file, whatever their spelling: "./a.bin", a hard link, a link.
    // Two names of which neither exists are one file when they are the same name in one
    // folder (they would be written as one). A file system of plain names compares names.
    [[nodiscard]] virtual bool SameFile(const std::string& a, const std::string& b) { return a == b; }
    // Whether path is a folder, so that a refusal can say so rather than "not found".
    [[nodiscard]] virtual bool IsFolder(const std::string& /*path*/) { return false; }

    // The three steps of a group of outputs that is written all or nothing (OutputSet), the
    // one write primitive of the real file systems. StageOutput writes bytes to the target's
    // temporary (kTemporarySuffix), created exclusively and flushed to disk, so that the
    // target stays as it was; IsFolder for a folder, Busy when the temporary exists (its name
    // in staged.temporary, which is not this write's to remove), CannotOpen when it cannot be
    // made. While it exists it is registered for removal should the process be interrupted
    // (InstallWriteInterruptHandlers). A device is only opened, without waiting (NoReader for
    // a FIFO nobody reads); a file system without temporaries, as here, writes at once.
    // CommitOutput renames the temporary over the target and flushes the folder, or writes
    // the device; DiscardOutput removes the temporary or closes the device unwritten.
    [[nodiscard]] virtual WriteStatus StageOutput(const std::string& path, std::span<const std::uint8_t> bytes,
                                                  StagedOutput& staged) {
        staged = StagedOutput{};
        staged.target = path;
        return WriteWholeFile(path, bytes);
    }
    // The temporary a write of path uses, beside the file a link leads to: for a message about Busy.
    [[nodiscard]] virtual std::string TemporaryOf(const std::string& path) { return path + kTemporarySuffix; }
    [[nodiscard]] virtual WriteStatus CommitOutput(const StagedOutput& /*staged*/) { return WriteStatus::Ok; }
    virtual void DiscardOutput(const StagedOutput& /*staged*/) {}
};

// One file written by the write primitive: staged beside its target, then committed, the
// temporary removed when the commit fails. What a system file system's WriteWholeFile is, so
// that the window's save and the CLI's outputs write the same way. A folder is CannotOpen.
[[nodiscard]] WriteStatus WriteStagedFile(FileSystem& files, const std::string& path,
                                          std::span<const std::uint8_t> bytes);

}  // namespace vesperine
