// Blank dumps and repeated images: the whole file one byte value, or k copies of its start.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "analysis/strided_bytes.h"
#include "base/work_poll.h"
#include "diagnosis/finding.h"

namespace vesperine::diagnosis {

// The byte every byte of bytes is, when they are all the same (nothing for no bytes). Here and
// below, a meter is ticked as scan.h says, over the bytes' length.
[[nodiscard]] std::optional<std::uint8_t> ConstantByteOf(std::span<const std::uint8_t> bytes,
                                                         const PassMeter& meter = {});

// "blank: every byte is FF (erased or unread chip)", the same for 00, or "constant" for any
// other value.
[[nodiscard]] Finding BlankFinding(std::uint8_t value, std::uint64_t length);

// The file as copies of one image: copies is 1 when it is not repeated.
struct Repetition {
    std::uint64_t image = 0;
    std::uint64_t copies = 1;
};

// The file's repeat period (RepeatPeriodOf) as an image and its number of copies.
[[nodiscard]] Repetition FindRepetition(const StridedBytes& bytes, const PassMeter& meter = {});

// For a repeated file: two copies of a power-of-two image say that the top address line has
// no effect ("A17 has no effect: the two halves are identical ..."); more copies are
// "overdump: the image is 0x20000 bytes, repeated 4 times". width names the lines of a chip
// of 1 or 2 bytes a word.
[[nodiscard]] Finding OverdumpFinding(const Repetition& repetition, unsigned width);

}  // namespace vesperine::diagnosis
