// Reading a whole input file for a subcommand, refused as the window refuses it.
#pragma once

#include <optional>
#include <string>

#include "cli/command.h"
#include "files/file_system.h"

namespace vesperine::cli {

// Why path could not be read: the window's message, except that a folder is called one
// rather than "File not found.".
[[nodiscard]] std::string ReadFailureText(FileSystem& files, const std::string& path, ReadStatus status);

// Reads path whole through files. On failure writes "vesperine-cli: PATH: MESSAGE" to err and
// gives nothing.
[[nodiscard]] std::optional<ByteBuffer> LoadInputFile(FileSystem& files, const std::string& path, std::ostream& err);

}  // namespace vesperine::cli
