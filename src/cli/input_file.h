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

// What StreamInputFile read: the file's length, and for a programmer file the image its records
// describe (whose bytes were not streamed).
struct StreamedInput {
    std::uint64_t length = 0;
    std::optional<ByteBuffer> image;
};

// Gives path's bytes to onPiece as they are read, so that a file of any size costs a few pieces
// of memory. A programmer file, told by its first piece, is gathered whole instead and decoded
// as LoadInputFile decodes it: its image is returned and onPiece sees none of its text. On
// failure writes "vesperine-cli: PATH: MESSAGE" to err and gives nothing.
[[nodiscard]] std::optional<StreamedInput> StreamInputFile(FileSystem& files, const std::string& path,
                                                           const FileSystem::PieceSink& onPiece, std::ostream& err);

// The image of a programmer file's text in format, refused as LoadInputFile refuses it: for a
// caller that gathered the text itself.
[[nodiscard]] std::optional<ByteBuffer> DecodeProgrammerInput(std::span<const std::uint8_t> text,
                                                              formats::FileFormat format, const std::string& path,
                                                              std::uint8_t fill, std::ostream& err);

}  // namespace vesperine::cli
