// Reading a whole input file for a subcommand, refused as the window refuses it.
#pragma once

#include <optional>
#include <string>

#include "cli/command.h"
#include "files/file_system.h"

namespace vesperine::cli {

// Reads path whole through files, telling progress when given one. On failure writes
// "vesperine-cli: PATH: MESSAGE" to err and gives nothing.
[[nodiscard]] std::optional<ByteBuffer> LoadInputFile(FileSystem& files, const std::string& path, std::ostream& err,
                                                      const ReadProgress& progress = {});

// Replaces path with bytes (written to a neighbour first, so a failure keeps the old file). On
// failure writes "vesperine-cli: PATH: Write error." to err and gives false.
[[nodiscard]] bool SaveOutputFile(FileSystem& files, const std::string& path, std::span<const std::uint8_t> bytes,
                                  std::ostream& err);

}  // namespace vesperine::cli
