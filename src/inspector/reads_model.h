// The Reads panel's model: the comparison of further reads as sentences and rows, the expected CRC read as typed or
// pasted, the mend's outcome.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/byte_buffer.h"
#include "inspector/text.h"
#include "reads/compare_reads.h"
#include "reads/crc_mend.h"

namespace vesperine::inspector {

// The expected CRC-32 as a DAT, a label or a forum post gives it (UTF-8): 8 hex digits in either
// case, a leading 0x and spaces or tabs anywhere (pasted "44D5 6F86"). Anything else is refused
// whole, never shortened to 8 characters.
[[nodiscard]] std::optional<std::uint32_t> ParseExpectedCrc(std::string_view text);
// The refusal of text that ParseExpectedCrc did not take.
[[nodiscard]] std::string BadExpectedCrc(std::string_view text);

// The refusal of a read that is the inspected dump's own file (a link or another name of it).
[[nodiscard]] std::string DumpItselfRefusal(std::string_view name);
// The refusal of a file already among the reads as read number (counted from 2), under otherName.
[[nodiscard]] std::string AlreadyReadRefusal(std::string_view name, std::uint64_t number, std::string_view otherName);
// The reads list's line for read number (counted from 2): "read 2: b.bin".
[[nodiscard]] std::string ReadListItem(std::uint64_t number, std::string_view name);

// The sentence before any comparison.
[[nodiscard]] std::string ReadsPrompt();
// A read of another length than the inspected dump (readName as a person reads it).
[[nodiscard]] std::string LengthMismatch(std::string_view readName, std::uint64_t readLength, std::uint64_t dumpLength);
// "3 reads of 1,024 bytes (read 1 is the inspected dump): 5 unstable bits in 4 bytes, 2 tied."
// A word is the chip's: a byte of an 8-bit chip, two bytes of a 16-bit one.
[[nodiscard]] std::string ReadsSummary(const reads::ReadsComparison& c);
// One row a finding of the comparison: its name and what the reads say.
[[nodiscard]] Rows ReadsFindingRows(const reads::ReadsComparison& c);
// The bytes holding an unstable bit that the comparison listed, ascending, each once.
[[nodiscard]] std::vector<std::uint64_t> UnstableOffsets(const reads::ReadsComparison& c);

// The unstable bits table lists at most this many rows: a table item costs some hundred bytes a
// cell, so the comparison's own list (up to reads::kListedBitsLimit bits) would cost gigabytes
// shown whole, and a person reads the first few thousand at most.
inline constexpr std::size_t kShownBitsLimit = 10000;

// The unstable bits table: one row a bit, the first kShownBitsLimit the comparison listed.
struct BitsTable {
    std::vector<std::string> headings;   // Offset, Bit, Read 1 ... Read n, Majority
    Rows rows;                           // offset, "bit (Dline)", each read's value, the majority
    std::vector<std::uint64_t> offsets;  // each row's byte
    std::string label;                   // the table's label, its Alt letter marked by '&'
};
// c: nothing before a comparison. reads: the compared reads in the comparison's order (read 1
// the inspected dump). jumps: a row can move the dialog's dump pane, and the label says so.
[[nodiscard]] BitsTable UnstableBitsTable(const reads::ReadsComparison* c,
                                          std::span<const std::span<const std::uint8_t>> reads, bool jumps);

// What a mend by CRC came to. fixed: the bytes to offer for saving, only when one assignment
// gives the CRC and the mended bytes were checked to carry it; fault: that check failed (an
// error in the program, told as well as shown).
struct MendReport {
    std::string text;
    std::optional<ByteBuffer> fixed;
    bool fault = false;
};
[[nodiscard]] MendReport ReportMend(std::span<const std::uint8_t> consensus, const reads::MendResult& mended,
                                    std::uint32_t expected);

}  // namespace vesperine::inspector
