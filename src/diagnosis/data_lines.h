// Data lines: which bits of a dump's bytes or 16-bit words never change.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "analysis/strided_bytes.h"
#include "base/work_poll.h"
#include "diagnosis/finding.h"

namespace vesperine::diagnosis {

// What one pass over the words saw: the bits set in every word and the bits set in any.
// Width 2 reads little-endian words, the byte at the even offset holding D0-D7, as a
// programmer stores a 16-bit chip; a trailing odd byte is not read.
struct DataLineScan {
    unsigned width = 1;
    std::uint64_t words = 0;
    std::uint32_t alwaysSet = 0;
    std::uint32_t everSet = 0;
};

// The meter is ticked as scan.h says, over the bytes' length.
[[nodiscard]] DataLineScan ScanDataLines(std::span<const std::uint8_t> bytes, unsigned width,
                                         const PassMeter& meter = {});
// The same over a strided view: a byte lane of a dump, read where it lies.
[[nodiscard]] DataLineScan ScanDataLines(const StridedBytes& bytes, unsigned width, const PassMeter& meter = {});

// Fewer words than this cannot show that a line never toggles: random bytes leave a line
// unchanged over 16 words once in 2^15.
inline constexpr std::uint64_t kMinWordsForLines = 16;

// "D3 stuck at 1" for each line set in every word, "D3 stuck at 0" for each set in none, in
// line order, leaving out the lines in ignore (bit k for Dk). The caller rules out blank and
// constant dumps, in which every line is stuck and the finding says nothing more.
[[nodiscard]] std::vector<Finding> FindStuckDataLines(const DataLineScan& scan, std::uint32_t ignore = 0);

}  // namespace vesperine::diagnosis
