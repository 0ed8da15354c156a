// Intel HEX: I8HEX, I16HEX (segment records, type 02) and I32HEX (linear records, type 04).
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "formats/record_sink.h"

namespace vesperine::formats {

// Reads every record of text in order and hands each data record to sink. Addresses: a data
// record's 16-bit offset plus the base of the last type 02 (segment * 16, the offset wrapping
// within its 64 KiB segment) or type 04 (upper 16 bits, wrapping at 4 GiB) record. Start
// records (03: CS*16+IP, 05: the linear address) go to notes.start. Blank lines and a DOS
// end-of-file mark are ignored. Refuses, with the line: a line without ':', digits that are
// not hexadecimal or odd in number, a length field that disagrees with the record, a bad
// checksum, an unknown type, a malformed address or start record, a record after the end
// record (01), and whatever sink refuses. A file without an end record is refused
// too (line 0): it is the only sign of a file cut short.
[[nodiscard]] std::optional<FormatError> ReadIntelHex(std::span<const std::uint8_t> text, RecordSink& sink,
                                                      FileNotes& notes);

// Whether line [begin, end) of text is one well-formed Intel HEX record (checksum included).
[[nodiscard]] bool IsIntelHexRecord(std::span<const std::uint8_t> text, std::size_t begin, std::size_t end);

// The segments as Intel HEX, in the order given, each segment's first byte at its address: recordBytes (1 to 255; 32 as
// srec_cat writes) data bytes a record, never across a 64 KiB boundary; linear records (04) wherever the upper 16 bits
// change, none at all when every address is below 64 KiB (I8HEX); a start record (05) when start is given; the end
// record. Lines end in LF. No segment may pass 2^32. Throws std::bad_alloc when the text cannot be held (about 2.3
// times the bytes).
[[nodiscard]] std::string WriteIntelHex(std::span<const Segment> segments,
                                        std::optional<std::uint32_t> start = std::nullopt, int recordBytes = 32);

}  // namespace vesperine::formats
