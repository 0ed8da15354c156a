// What the programmer-file readers hand over and how they refuse: data records, start, errors.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "files/file_system.h"

namespace vesperine::formats {

// The length an image may reach, counted from its base: images must stay shorter than the files
// the project takes (kMaxFileLength), so that no address in a record can ask for more memory
// than a file could.
inline constexpr std::uint64_t kImageEndLimit = kMaxFileLength - 1;

// A refusal: the line it concerns (counted from 1; 0 when it concerns the file as a whole) and
// what is wrong, in words.
struct FormatError {
    std::uint64_t line = 0;
    std::string message;
};

// "line 12: bad checksum ..." or the bare message for the whole file.
[[nodiscard]] std::string Describe(const FormatError& error);

// Told each data record in file order: its line, its first byte's address and its bytes. A
// record is already split where its addresses wrap, so address + size never passes 2^32. A
// refusal given back stops the reading and becomes the reader's answer.
class RecordSink {
public:
    virtual ~RecordSink() = default;
    [[nodiscard]] virtual std::optional<FormatError> Data(std::uint64_t line, std::uint32_t address,
                                                          std::span<const std::uint8_t> bytes) = 0;
};

// What a file says besides its data: the start address of its start or end record, the text
// of an S-record header (S0), and whether S-records end with neither a count record (S5, S6)
// nor a termination record (S7, S8, S9): srec_cat ends its files with one or the other, so a
// file with neither is likely cut short (srec_cat reads it with a warning, and so do we).
struct FileNotes {
    std::optional<std::uint32_t> start;
    std::string header;
    bool unterminated = false;
};

// Bytes to write at an address, for the writers.
struct Segment {
    std::uint32_t address = 0;
    std::span<const std::uint8_t> bytes;
};

}  // namespace vesperine::formats
