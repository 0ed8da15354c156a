// Address lines: which bits of a byte's offset make no difference to the byte read.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "analysis/strided_bytes.h"
#include "base/work_poll.h"
#include "diagnosis/finding.h"

namespace vesperine::diagnosis {

// Whether offset bit k has no effect: byte i equals byte i xor 2^k for every i where both lie
// in bytes. False when fewer than 8 such pairs exist, too few to tell a dead line from chance.
// Stops at the first pair that differs, so a line that works costs almost nothing. The meter
// is ticked as scan.h says, over the bytes' length.
[[nodiscard]] bool OffsetBitHasNoEffect(std::span<const std::uint8_t> bytes, unsigned k, const PassMeter& meter = {});
// The same over a strided view: a byte lane of a dump, read where it lies.
[[nodiscard]] bool OffsetBitHasNoEffect(const StridedBytes& bytes, unsigned k, const PassMeter& meter = {});

// The offset bits that have no effect, as a mask (bit k for offset bit k), over every bit an
// offset below bytes.size() uses.
[[nodiscard]] std::uint64_t FindDeadOffsetBits(std::span<const std::uint8_t> bytes);

// "A5 has no effect" for each chip address line whose offset bit is in dead. A chip of width
// bytes per word has its line An at offset bit n + log2(width); offset bit 0 of a 16-bit chip
// picks the byte lane and is no address line of the chip, so it is left out.
[[nodiscard]] std::vector<Finding> FindDeadAddressLines(std::uint64_t dead, unsigned width, std::uint64_t length);

}  // namespace vesperine::diagnosis
