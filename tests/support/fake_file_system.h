// An in-memory file system for tests, with failures to inject by path.
#pragma once

#include <functional>
#include <map>
#include <string>

#include "files/file_system.h"

namespace vesperine::testing {

class FakeFileSystem : public FileSystem {
public:
    std::map<std::string, Bytes> files;
    std::map<std::string, ReadStatus> readFailures;
    std::map<std::string, WriteStatus> writeFailures;
    int reads = 0;
    int writes = 0;
    // Called with the path at the start of every read; a test may throw from it, as a read
    // that fails in a way no status describes.
    std::function<void(const std::string&)> beforeRead;
    // A chunked read tells its progress after every chunk of this many bytes.
    std::size_t chunkBytes = std::size_t{1} << 20;

    [[nodiscard]] ReadResult ReadWholeFile(const std::string& path) override;
    [[nodiscard]] std::optional<std::uint64_t> FileLength(const std::string& path) override;
    [[nodiscard]] ReadResult ReadWholeFileInChunks(const std::string& path, const ReadProgress& progress) override;
    [[nodiscard]] WriteStatus WriteWholeFile(const std::string& path, std::span<const std::uint8_t> bytes) override;
    // Outputs are staged as "PATH.part" and fail as writeFailures says for PATH.
    [[nodiscard]] WriteStatus StageOutput(const std::string& path, std::span<const std::uint8_t> bytes,
                                          StagedOutput& staged) override;
    [[nodiscard]] WriteStatus CommitOutput(const StagedOutput& staged) override;
    void DiscardOutput(const StagedOutput& staged) override;
};

}  // namespace vesperine::testing
