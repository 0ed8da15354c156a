// The real file system through the C library: the implementation of FileSystem on POSIX systems.
#pragma once

#include "files/file_system.h"

namespace vesperine {

// The real file system through the standard library.
class StdFileSystem final : public FileSystem {
public:
    [[nodiscard]] ReadResult ReadWholeFile(const std::string& path) override;
    [[nodiscard]] WriteStatus WriteWholeFile(const std::string& path, std::span<const std::uint8_t> bytes) override;
};

}  // namespace vesperine
