// The real file system through the C library: the implementation of FileSystem on POSIX systems.
#pragma once

#include "files/file_system.h"

namespace vesperine {

// The real file system through the standard library.
class StdFileSystem final : public FileSystem {
public:
    [[nodiscard]] ReadResult ReadWholeFile(const std::string& path) override;
    [[nodiscard]] std::optional<std::uint64_t> FileLength(const std::string& path) override;
    [[nodiscard]] ReadResult ReadWholeFileInChunks(const std::string& path, const ReadProgress& progress) override;
    [[nodiscard]] WriteStatus WriteWholeFile(const std::string& path, std::span<const std::uint8_t> bytes) override;
    // In pieces of kPieceSize through one reused buffer (std_file_pieces.cpp).
    static constexpr std::size_t kPieceSize = std::size_t{1} << 18;
    [[nodiscard]] ReadStatus ReadPieces(const std::string& path, const PieceSink& take) override;
    // By device and inode (std::filesystem::equivalent).
    [[nodiscard]] bool SameFile(const std::string& a, const std::string& b) override;
    [[nodiscard]] bool IsFolder(const std::string& path) override;
    [[nodiscard]] WriteStatus StageOutput(const std::string& path, std::span<const std::uint8_t> bytes,
                                          StagedOutput& staged) override;
    [[nodiscard]] std::string TemporaryOf(const std::string& path) override;
    [[nodiscard]] WriteStatus CommitOutput(const StagedOutput& staged) override;
    void DiscardOutput(const StagedOutput& staged) override;
};

}  // namespace vesperine
