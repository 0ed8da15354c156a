// extract's programmer-file options: --format, --address, --fill and --chip, read and applied.
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <vector>

#include "formats/programmer_file.h"
#include "formats/srecord.h"

namespace vesperine::cli {

// As typed on the command line; empty strings are the defaults.
struct ProgrammerArgs {
    std::string format;   // binary, ihex, srec (S19, S28 or S37 by the last address), s19, s28, s37
    std::string address;  // hex: the address of the first byte written (ihex and srec; default 0)
    std::string fill;     // hex byte for gaps and padding (default FF, erased EPROM cells)
    std::string chip;     // hex size or a 27xx part name: pad to it, refuse more
};

// The same, checked.
struct ProgrammerOutput {
    formats::FileFormat format = formats::FileFormat::Binary;
    std::optional<formats::SRecordKind> kind;  // S-records of this width; nothing: the narrowest
    std::uint32_t address = 0;
    std::uint8_t fill = 0xFF;
    std::optional<std::uint32_t> chipSize;
};

// The arguments checked; on a mistake writes "vesperine-cli: --chip 27C999: ..." to err and gives nothing.
// Without --format, the format is the one outputPath's extension names (FormatByExtension:
// ihex, or srec of the narrowest width), binary for any other name; so raw bytes never land in
// a file named as records.
[[nodiscard]] std::optional<ProgrammerOutput> ParseProgrammerArgs(const ProgrammerArgs& args,
                                                                  const std::string& outputPath, std::ostream& err);

// Pads bytes with the fill to the chip's size, when one is given. Refuses (message to err, false)
// an image larger than the chip.
[[nodiscard]] bool FitToChip(const ProgrammerOutput& output, std::vector<std::uint8_t>& bytes, std::ostream& err);

// The records' text for bytes (format IntelHex or SRecord), read back and checked against bytes
// before it is given. Refuses (message to err, nothing) addresses that pass 4 GiB or the
// chosen S-record width, and a text that cannot be held (about 2.3 times the bytes).
[[nodiscard]] std::optional<std::string> EncodeOutput(const ProgrammerOutput& output,
                                                      std::span<const std::uint8_t> bytes, const std::string& path,
                                                      std::ostream& err);

// "Intel HEX", "S28" and the like, for what was written; empty for binary.
[[nodiscard]] std::string OutputFormatName(const ProgrammerOutput& output, std::span<const std::uint8_t> bytes);

// What an image writer without --format (merge, split's parts, repair --write, reads -o,
// header --fix -o) puts in path: the image itself, or for a name with a programmer-file
// extension its records from address (0, or the base the input was read from, so that the
// output reads back as the input did), S-records of the narrowest width, made and read back by
// EncodeOutput. formatName is "Intel HEX", "S19" and the like, empty for the image itself.
struct ImageFile {
    std::string text;        // the records, when formatName is not empty
    std::string formatName;  // empty: write the image's bytes as they are
    [[nodiscard]] std::span<const std::uint8_t> Payload(std::span<const std::uint8_t> image) const {
        if (formatName.empty()) return image;
        return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
    }
};

// The file for image named path, or nothing (with the reason on err).
[[nodiscard]] std::optional<ImageFile> EncodeImageByName(const std::string& path, std::span<const std::uint8_t> image,
                                                         std::ostream& err, std::uint32_t address = 0);

}  // namespace vesperine::cli
