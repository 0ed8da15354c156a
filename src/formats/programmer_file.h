// Programmer files read whole: their format told by content, their records laid out as one image.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "base/byte_buffer.h"
#include "formats/record_sink.h"

namespace vesperine::formats {

enum class FileFormat { Binary, IntelHex, SRecord };

// "Intel HEX", "S-records", "binary".
[[nodiscard]] const char* FormatName(FileFormat format);

// The format by content, never by name: Intel HEX when the first line that is not blank is a
// whole, well-formed Intel HEX record (':' and a checksum that holds), S-records when it is a
// well-formed S-record ('S' and a digit); binary otherwise. Only the file's first 4 KiB are
// looked at, so a ROM image is taken for text only when it starts with a valid record.
[[nodiscard]] FileFormat DetectFormat(std::span<const std::uint8_t> bytes);

// A programmer file laid out as the chip holds it, or why it could not be.
struct DecodedFile {
    ByteBuffer image;  // from address 0 to the last data byte; gaps hold the fill byte
    FileNotes notes;
    std::optional<FormatError> error;  // when set, image is empty
};

// Reads text as format (IntelHex or SRecord) and lays its data out from address 0, as srec_cat
// writes a binary and as a programmer's buffer holds it: the byte at address A is image[A],
// addresses no record gives hold fill. Records may come in any order; two records may give the
// same address only with the same byte, otherwise the later one (in the file) is refused with
// both lines. Besides the readers' refusals, an image that cannot be allocated is refused.
// Memory: the text, the data bytes once more (at most half the text) and the image.
[[nodiscard]] DecodedFile DecodeProgrammerFile(std::span<const std::uint8_t> text, FileFormat format,
                                               std::uint8_t fill = 0xFF);

// Reads text (as written by WriteIntelHex or WriteSRecords) and checks that its records give
// exactly expected: its bytes in order from its address, nothing before, between or after.
// What a command checks before it saves what it wrote; any address is fine here, since
// nothing is laid out.
[[nodiscard]] std::optional<FormatError> CheckWritten(std::span<const std::uint8_t> text, FileFormat format,
                                                      const Segment& expected);

}  // namespace vesperine::formats
