// The file system as the file commands see it: whole files in, whole files out.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "base/byte_buffer.h"

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
using ReadProgress = std::function<bool(std::uint64_t done, std::uint64_t total)>;

enum class WriteStatus {
    Ok,
    CannotOpen,  // the target (or its temporary neighbour) cannot be created
    Failed,      // a write, flush, close or the final rename failed; the old file is intact
    IsFolder,    // the target is a folder (told by StageOutput; WriteWholeFile says CannotOpen)
};

// An output written in full beside its target, waiting to take the target's place.
struct StagedOutput {
    std::string target;     // where it goes: the file a symbolic link leads to, not the link
    std::string temporary;  // its bytes, complete; empty when they were written in place at once
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
    // Replaces the file at path with bytes, so that a failure never destroys what was there.
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

    // The three steps of a group of outputs that is written all or nothing (OutputSet).
    // StageOutput writes bytes to a new temporary beside the target, so that the target
    // stays as it was; IsFolder for a folder, CannotOpen when no temporary can be made. A
    // device (or a file system without temporaries, as here) is written in place at once,
    // with an empty temporary. CommitOutput renames the temporary over the target;
    // DiscardOutput removes it. Both do nothing for an empty temporary.
    [[nodiscard]] virtual WriteStatus StageOutput(const std::string& path, std::span<const std::uint8_t> bytes,
                                                  StagedOutput& staged) {
        staged = {path, {}};
        return WriteWholeFile(path, bytes);
    }
    [[nodiscard]] virtual WriteStatus CommitOutput(const StagedOutput& /*staged*/) { return WriteStatus::Ok; }
    virtual void DiscardOutput(const StagedOutput& /*staged*/) {}
};

}  // namespace vesperine
