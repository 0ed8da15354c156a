// The real file system on Windows: the implementation of FileSystem through the Win32 API.
#pragma once

#include "files/file_system.h"

namespace vesperine {

// Paths are UTF-8 and reach Windows as wide characters, so any name the system holds can be
// loaded and saved whatever the ANSI code page; long paths get the \\?\ prefix. Statuses are
// those of StdFileSystem for the same faults.
class WinFileSystem final : public FileSystem {
public:
    [[nodiscard]] ReadResult ReadWholeFile(const std::string& path) override;
    [[nodiscard]] std::optional<std::uint64_t> FileLength(const std::string& path) override;
    // In chunks of 8 MiB, progress told after each, as StdFileSystem does.
    [[nodiscard]] ReadResult ReadWholeFileInChunks(const std::string& path, const ReadProgress& progress) override;
    // In pieces of kPieceSize through one reused buffer: memory does not grow with the file.
    static constexpr std::size_t kPieceSize = std::size_t{1} << 18;
    [[nodiscard]] ReadStatus ReadPieces(const std::string& path, const PieceSink& take) override;
    [[nodiscard]] WriteStatus WriteWholeFile(const std::string& path, std::span<const std::uint8_t> bytes) override;
    // By volume serial number and file index.
    [[nodiscard]] bool SameFile(const std::string& a, const std::string& b) override;
    [[nodiscard]] bool IsFolder(const std::string& path) override;
    [[nodiscard]] WriteStatus StageOutput(const std::string& path, std::span<const std::uint8_t> bytes,
                                          StagedOutput& staged) override;
    [[nodiscard]] std::string TemporaryOf(const std::string& path) override;
    [[nodiscard]] WriteStatus CommitOutput(const StagedOutput& staged) override;
    void DiscardOutput(const StagedOutput& staged) override;
};

}  // namespace vesperine
