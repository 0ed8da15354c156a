// Fill maps: the regions of a dump that are all FF or all 00, told by their address bits.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "base/work_poll.h"
#include "diagnosis/finding.h"

namespace vesperine::diagnosis {

// Regions are found in aligned blocks of a sixteenth of the length (rounded down to a power of
// two, at least 16 bytes): a fill smaller than that is part of the code, not a layout. Files
// below 64 bytes have no fill map.
struct FillRun {
    std::uint64_t start = 0;
    std::uint64_t end = 0;  // one past the last byte
    std::uint8_t value = 0;
};

[[nodiscard]] std::uint64_t FillBlockSize(std::uint64_t length);

// The runs of consecutive blocks that are all value, in offset order. Here and below, a meter is
// ticked as scan.h says, over the bytes' length.
[[nodiscard]] std::vector<FillRun> FindFillRuns(std::span<const std::uint8_t> bytes, std::uint8_t value,
                                                const PassMeter& meter = {});

// How a region is named: "upper half (A17 = 1)" or "0x30000-0x3FFFF (A17 = 1, A16 = 1)" for an
// aligned power-of-two region, else "0x10000-0x2FFFF". width names the lines of a chip of 1 or
// 2 bytes a word.
[[nodiscard]] std::string RegionText(std::uint64_t start, std::uint64_t end, std::uint64_t length, unsigned width);

// "upper half (A17 = 1) is all FF: unused" for each FF run and each 00 run that is not the
// whole file, FF runs first.
[[nodiscard]] std::vector<Finding> FindFills(std::span<const std::uint8_t> bytes, unsigned width,
                                             const PassMeter& meter = {});

}  // namespace vesperine::diagnosis
