// The diagnosis of a dump: every check over the whole file and its two byte lanes, in order.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "base/work_poll.h"
#include "diagnosis/finding.h"

namespace vesperine::diagnosis {

struct DiagnoseOptions {
    unsigned width = 1;      // bytes per chip word: 1, or 2 for a 16-bit chip (little-endian)
    bool wholeOnly = false;  // leave out the two byte lanes
};

struct Diagnosis {
    std::uint64_t length = 0;
    unsigned width = 1;
    bool lanesChecked = false;
    std::vector<Finding> findings;  // most serious first

    // Whether any finding is a fault or a warning: something a person should look at.
    [[nodiscard]] bool NeedsAttention() const;
};

// The findings of the whole file: blank, overdump, dead address lines, stuck data lines,
// constant byte lanes, fills. Then, unless wholeOnly, each byte lane read as the dump of an
// 8-bit chip of its own (an interleaved pair): its dead address lines, stuck data lines (width
// 1 only: with width 2 the whole file's D0-D15 already are the lanes') and repetition, leaving
// out what the whole file's findings already say and lanes that hold only 00 or FF. A blank
// file gives only its blank finding, a file of fewer than 16 words only a "too short" one.
// Findings are ordered by severity, whole file first within each. The caller refuses an empty
// file, and an odd length with width 2.
[[nodiscard]] Diagnosis Diagnose(std::span<const std::uint8_t> bytes, const DiagnoseOptions& options);

// The same, reporting to poll in bytes passed over: the checks are metered as 11 passes over the
// file (7 of the whole file, 2 for each lane, what a lane leaves out skipped), so total is 11 ×
// length and a pass that stops at its first difference moves the bar at once to the next.
// The poll is asked every 1 MiB of a scan (kPollBytes); nothing when broken off.
[[nodiscard]] std::optional<Diagnosis> Diagnose(std::span<const std::uint8_t> bytes, const DiagnoseOptions& options,
                                                const WorkPoll& poll);

}  // namespace vesperine::diagnosis
