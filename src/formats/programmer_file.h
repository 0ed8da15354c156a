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

// Where an image starts: at Base (address 0 by default, as srec_cat's -binary writes and a
// programmer's buffer holds it), or at the lowest address any record gives.
struct Layout {
    std::uint32_t base = 0;
    bool lowest = false;
};

// The bound on an image laid out from text of textLength bytes: 64 times the text plus 1 MiB,
// or chipSize when given. A record costs at least 12 characters for its first byte and 2 for
// each more, so a real image is at most half its text; a bigger image is a far address (a
// file for the top of 4 GiB read from 0), refused before anything is allocated.
[[nodiscard]] std::uint64_t ImageBound(std::uint64_t textLength, std::optional<std::uint32_t> chipSize);

// A programmer file laid out as the chip holds it, or why it could not be.
struct DecodedFile {
    ByteBuffer image;  // from base to the last data byte; gaps hold the fill byte
    std::uint32_t base = 0;
    FileNotes notes;
    std::optional<FormatError> error;  // when set, image is empty
};

// Reads text as format (IntelHex or SRecord) and lays its data out from layout's base, as
// srec_cat writes a binary (with -offset -BASE) and as a programmer's buffer holds it: the byte
// at address A is image[A - base], addresses no record gives hold fill. Records may come in any
// order; two records may give the same address only with the same byte, otherwise the later
// one (in the file) is refused with both lines. Besides the readers' refusals (a UTF-8
// byte-order mark at line 1 among them: the formats are ASCII), refuses data below the base,
// an image of kImageEndLimit bytes or more from its base, and one longer than bound (see
// ImageBound; 0 means ImageBound(text.size(), nothing)) with a message that names
// --base lowest. Memory: the text, the data bytes once more (at most half the text) and the
// image, which the bound keeps within 64 times the text plus 1 MiB; records in address order
// from the base need no image besides their data bytes.
[[nodiscard]] DecodedFile DecodeProgrammerFile(std::span<const std::uint8_t> text, FileFormat format,
                                               std::uint8_t fill = 0xFF, Layout layout = {}, std::uint64_t bound = 0);

// Reads text (as written by WriteIntelHex or WriteSRecords) and checks that its records give
// exactly expected: its bytes in order from its address, nothing before, between or after.
// What a command checks before it saves what it wrote; any address is fine here, since
// nothing is laid out.
[[nodiscard]] std::optional<FormatError> CheckWritten(std::span<const std::uint8_t> text, FileFormat format,
                                                      const Segment& expected);

}  // namespace vesperine::formats
