// The any-length CRC search: every range of an extract, whatever its start and length, whose CRC-32 is a target.
#pragma once

#include <cstdint>
#include <functional>
#include <span>

#include "search/window_search.h"

namespace vesperine {

struct AnyLengthRequest {
    std::uint32_t target = 0;
    std::uint32_t minLength = 1;           // 0 counts as 1: an empty range is never reported
    std::uint32_t maxLength = 0xFFFFFFFF;  // above the extract's length: no upper bound
    std::uint32_t step = 1;                // starts and ends on multiples of step from 0; 0 counts as 1
    std::uint64_t memoryLimit = 0;         // bytes the tables may take; 0: no limit
};

enum class AnyLengthOutcome {
    Done,         // every range examined (hits or not)
    Broken,       // the poll asked to stop; the hits told so far stand
    TooLarge,     // the tables would need more than memoryLimit bytes; nothing examined
    OutOfMemory,  // the tables could not be had; nothing examined
};

struct AnyLengthResult {
    AnyLengthOutcome outcome = AnyLengthOutcome::Done;
    std::uint64_t hits = 0;
    std::uint64_t bytesNeeded = 0;  // what the tables take (or would have taken)
};

// Told of each hit [start, end) (offsets in the extract); returns false to stop the search.
using RangeHit = std::function<bool(std::uint32_t start, std::uint32_t end)>;

// Bytes of the tables for a search of this extract length and request: 16 per candidate start
// (its key and offset sorted, and as much again for the radix sort's scratch, which later holds
// a filter of 1 or 2 bytes a start, a block of the ends that pass it with their scratch and,
// when maxLength can cut ranges short, one cursor per start), a few words more on the smallest
// extracts; the sort's counts take a fixed 6 KiB of stack besides. The hits take nothing:
// they are told as they are found.
[[nodiscard]] std::uint64_t AnyLengthBytesNeeded(std::uint64_t extractLength, const AnyLengthRequest& request);

// Every range [start, end) with start < end, both on the step's grid (multiples of step, the
// extract's end only when it is one), minLength <= end - start <= maxLength, whose CRC-32 is
// target, each told to onHit as soon as it is found, in ascending order of end and, for one
// end, of start. The time is linear in the extract's length plus the number of hits on any
// input, however many ranges share a CRC (no hashing: keys are radix-sorted and merged); the
// result is that of computing every range's CRC afresh. Refuses without examining anything
// when the tables exceed memoryLimit. The poll is asked every 65536 units of work (an offset
// walked, sorted, merged or visited; done and total count them).
[[nodiscard]] AnyLengthResult FindCrcRanges(std::span<const std::uint8_t> extract, const AnyLengthRequest& request,
                                            const WindowPoll& poll, const RangeHit& onHit);

// The same ranges from every range's CRC-32 computed afresh, O(n^2) in CRC work: the reference
// the fast search is checked and measured against. Ignores memoryLimit.
[[nodiscard]] AnyLengthResult FindCrcRangesNaive(std::span<const std::uint8_t> extract, const AnyLengthRequest& request,
                                                 const WindowPoll& poll, const RangeHit& onHit);

}  // namespace vesperine
