// Reading a whole input file for a subcommand, refused as the window refuses it.
#pragma once

#include <optional>
#include <string>

#include "cli/command.h"
#include "files/file_system.h"
#include "formats/programmer_file.h"

namespace vesperine::cli {

// Reads path whole through files, telling progress when given one. On failure writes
// "vesperine-cli: PATH: MESSAGE" to err and gives nothing. A programmer file (Intel HEX or S-records, told by its
// content) gives the image its records describe, laid out from address 0 with fill in the gaps
// (formats::DecodeProgrammerFile); a malformed one is refused as
// "vesperine-cli: PATH: line 12: bad checksum: ... (read as Intel HEX)".
[[nodiscard]] std::optional<ByteBuffer> LoadInputFile(FileSystem& files, const std::string& path, std::ostream& err,
                                                      std::uint8_t fill = 0xFF, const ReadProgress& progress = {});

// The image of a programmer file's text in format, refused as LoadInputFile refuses it: for a
// caller that gathered the text itself.
[[nodiscard]] std::optional<ByteBuffer> DecodeProgrammerInput(std::span<const std::uint8_t> text,
                                                              formats::FileFormat format, const std::string& path,
                                                              std::uint8_t fill, std::ostream& err);

}  // namespace vesperine::cli
