// Motorola S-records: S19, S28 and S37, with their header, count and termination records.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "formats/record_sink.h"

namespace vesperine::formats {

// Reads every record of text in order and hands each data record (S1, S2, S3: 2, 3 or 4
// address bytes) to sink. The header's data (S0) goes to notes.header, the termination's
// address (S7, S8, S9) to notes.start. A count record (S5, S6) must equal the number of data
// records before it (modulo 2^16 or 2^24). Blank lines and a DOS end-of-file mark are
// ignored; the termination record may be missing, as srec_cat leaves it out when a file has
// no start address; with no count record either, notes.unterminated is set. Refuses, with the line: a line without 'S'
// and a type digit, the reserved S4, digits that are not hexadecimal or odd in number, a count byte that disagrees with
// the record, a bad checksum, a wrong count, addresses past 4 GiB, a record after the termination, and whatever sink
// refuses.
[[nodiscard]] std::optional<FormatError> ReadSRecords(std::span<const std::uint8_t> text, RecordSink& sink,
                                                      FileNotes& notes);

// Whether line [begin, end) of text is one well-formed S-record (checksum included).
[[nodiscard]] bool IsSRecord(std::span<const std::uint8_t> text, std::size_t begin, std::size_t end);

// The address width of the data records written: S19 (16-bit addresses), S28 (24), S37 (32).
enum class SRecordKind { S19, S28, S37 };

// The narrowest kind that holds every address of the segments.
[[nodiscard]] SRecordKind NarrowestSRecordKind(std::span<const Segment> segments);

// Whether every address of the segments fits the kind's address width.
[[nodiscard]] bool FitsSRecordKind(std::span<const Segment> segments, SRecordKind kind);

// The segments as S-records of the kind (their addresses must fit it): an S0 header holding
// header, recordBytes (1 to 250; 32 as srec_cat writes) data bytes a record, a count record
// (S5, or S6 beyond 65535 records, none beyond 2^24), and the termination (S9, S8 or S7)
// holding start or 0. Lines end in LF. Throws std::bad_alloc when the text cannot be held.
[[nodiscard]] std::string WriteSRecords(std::span<const Segment> segments, SRecordKind kind,
                                        std::optional<std::uint32_t> start = std::nullopt, std::string_view header = {},
                                        int recordBytes = 32);

}  // namespace vesperine::formats
