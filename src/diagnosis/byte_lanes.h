// Byte lanes: the odd and even bytes of a dump, and lanes that hold nothing.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "base/byte_buffer.h"
#include "base/work_poll.h"
#include "diagnosis/finding.h"

namespace vesperine::diagnosis {

// Lanes are named as the window's stripes are: the odd lane holds the 1st, 3rd, 5th ... bytes
// (offsets 0, 2, 4 ...), the even lane the 2nd, 4th ... (offsets 1, 3, 5 ...). In a dump of a
// 16-bit chip read little-endian, the odd lane holds D0-D7 and the even lane D8-D15.
enum class Lane { Odd = 0, Even = 1 };

[[nodiscard]] const char* LaneName(Lane lane);  // "odd lane", "even lane"

// The bytes of one lane, in a buffer that is not zero-filled first: half a large dump's worth of
// page faults is taken chunk by chunk as the lane is gathered, between ticks. Here and below, a
// meter is ticked as scan.h says, over the bytes' length.
[[nodiscard]] ByteBuffer SplitLane(std::span<const std::uint8_t> bytes, Lane lane, const PassMeter& meter = {});

// Whether every byte of the lane in bytes is value (false when the lane has no byte).
[[nodiscard]] bool IsLaneAll(std::span<const std::uint8_t> bytes, Lane lane, std::uint8_t value,
                             const PassMeter& meter = {});

// The value 00 or FF that fills the lane entirely, if one does.
[[nodiscard]] std::optional<std::uint8_t> LaneFill(std::span<const std::uint8_t> bytes, Lane lane,
                                                   const PassMeter& meter = {});

// "odd byte lane all 00" for a lane that is all 00 or FF in the whole file, else for each half
// of the file whose lane is, unless that whole half is one value (a fill, not a lane). The
// caller rules out blank files. Files below 32 bytes have no lane findings.
[[nodiscard]] std::vector<Finding> FindConstantLanes(std::span<const std::uint8_t> bytes, unsigned width,
                                                     const PassMeter& meter = {});

}  // namespace vesperine::diagnosis
