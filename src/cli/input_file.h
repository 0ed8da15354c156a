// Reading a whole input file for a subcommand: how it is meant (raw or records), and refused as the window refuses it.
#pragma once

#include <cstdint>
#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <string>
#include <string_view>

#include "cli/command.h"
#include "files/file_system.h"
#include "formats/programmer_file.h"

namespace vesperine::cli {

// How the files a command reads are meant: --as and --base as typed, which every command that
// reads files takes (AddInputOptions; cli/subcommand.h adds them wherever Options has `input`),
// and what a command adds of its own.
struct InputOptions {
    std::string as;            // raw, ihex, srec or auto; empty: by the file's extension (FormatByExtension)
    std::string base;          // a hex address or "lowest"; empty: address 0
    std::uint8_t fill = 0xFF;  // gaps between records (extract's --fill)
    std::optional<std::uint32_t> chipSize;  // extract's --chip: the bound on an image instead of ImageBound's
};

// Options that read every file as the bytes it holds: for files that are never records (DATs, zips).
[[nodiscard]] InputOptions RawInput();

// --as and --base, with their help, checked by the parser (a mistake is a usage error).
void AddInputOptions(CLI::App& command, InputOptions& input);

// The programmer format a file name promises, by its extension, whatever its case: Intel HEX
// for .hex .ihx .ihex .mcs .h86 .hxl .hxh .a43; S-records for .s19 .s28 .s37 .srec
// .s .mot .mhx .mxt .s1 .s2 .s3 .sx .exo; nothing for any other name (raw bytes).
[[nodiscard]] std::optional<formats::FileFormat> FormatByExtension(std::string_view path);

// How one file was read, for every result about it.
struct InputReading {
    formats::FileFormat format = formats::FileFormat::Binary;  // Binary: the bytes as they are on disk
    const char* by = "its name";                               // "--as", "its name" or "its content"
    std::uint32_t base = 0;                                    // the address of the image's first byte
    std::uint64_t fileLength = 0;                              // the text's bytes on disk
    std::uint64_t imageLength = 0;                             // the bytes the result is about
    bool unterminated = false;  // S-records without count or termination record: maybe cut short
};

// "as Intel HEX (by its name): an image of 4 bytes from 0x00000000, decoded from 38 bytes of
// text" (", with no count or termination record: it may be cut short" when so), or "as raw
// bytes (by its name)"; what every command says beside a result about a file.
[[nodiscard]] std::string DescribeReading(const InputReading& reading);

// The same as JSON: {"as": "raw"|"ihex"|"srec", "by", "fileSize"} and for a decoded file
// "imageSize", "base" ("0x0000A000"), "unterminated".
[[nodiscard]] nlohmann::json ReadingJson(const InputReading& reading);

// "PATH: as Intel HEX ..." on out for a decoded file; nothing for raw bytes, whose results
// read as they always have.
void WriteDecodedLine(std::ostream& out, const std::string& path, const InputReading& reading);

// Reads path whole through files, telling progress when given one. On failure writes
// "vesperine-cli: PATH: MESSAGE" to err and gives nothing. What the file is comes from --as,
// else its name (FormatByExtension), else it is raw; --as auto tells it by content (a first
// line that begins like a record, ':' or 'S' and a digit, decides the format; the file must
// then parse completely). A file read as records gives the image they describe, laid out from
// --base (formats::DecodeProgrammerFile); a malformed one is refused, never read raw, as
// "vesperine-cli: PATH: line 12: bad checksum: ... (read as Intel HEX)". Writes to err, as notes:
// "vesperine-cli: note: PATH looks like Intel HEX; read as raw bytes (--as ihex decodes it)"
// for a raw file whose first line is a whole record, and "vesperine-cli: PATH: warning: ..."
// for S-records that may be cut short. reading, when given, is told how the file was read.
[[nodiscard]] std::optional<ByteBuffer> LoadInputFile(FileSystem& files, const std::string& path, std::ostream& err,
                                                      const InputOptions& input = {}, InputReading* reading = nullptr,
                                                      const ReadProgress& progress = {});

// What StreamInputFile read: the file's length, and for a programmer file the image its records
// describe (whose bytes were not streamed).
struct StreamedInput {
    std::uint64_t length = 0;
    std::optional<ByteBuffer> image;
    InputReading reading;
};

// Gives path's bytes to onPiece as they are read, so that a file of any size costs a few pieces
// of memory. A file read as records (as LoadInputFile decides) is gathered whole instead and
// decoded as LoadInputFile decodes it: its image is returned and onPiece sees none of its text.
// On failure writes "vesperine-cli: PATH: MESSAGE" to err and gives nothing.
[[nodiscard]] std::optional<StreamedInput> StreamInputFile(FileSystem& files, const std::string& path,
                                                           const FileSystem::PieceSink& onPiece, std::ostream& err,
                                                           const InputOptions& input = {});

}  // namespace vesperine::cli
