// The sliding-window CRC-32 search: the first window of an extract whose CRC-32 is a target.
#pragma once

#include <cstdint>
#include <functional>
#include <span>

#include "base/work_poll.h"

namespace vesperine {

enum class SearchOutcome { Found, NotFound, Broken };

struct SearchResult {
    SearchOutcome outcome = SearchOutcome::NotFound;
    std::uint32_t offset = 0;  // the window's first byte in the extract, when Found
};

// Asked now and then while the search runs: `done` of `total` windows examined (total 0 when
// the search has no end, as with step 0). Returns true to break the search off.
using WindowPoll = WorkPoll;

// The windows are [k * step, k * step + size) for k = 0, 1, 2 ... as long as the window lies
// in the extract, the last one ending at its last byte (an empty window may start at its very
// end). A size above the extract's length gives no window. Step 0 examines the window at 0
// again and again until the poll breaks, unless it matches at once. Only the first matching
// window counts. The extract holds at most 2^32 - 1 bytes.
//
// The answer is that of computing every window's CRC-32 afresh, at a cost linear in the
// extract's length plus the number of windows, whatever the size; memory use is constant.
// The poll is asked after a window that did not match, once 4096 windows have been examined
// since it was last asked or fewer whose hashing came to 4 MiB: at memory speed a break is
// seen within a millisecond. Only the first window of an overlapping search, which hashes
// size bytes, can take longer before the first poll (about a tenth of a second per GiB).
[[nodiscard]] SearchResult FindCrcWindow(std::span<const std::uint8_t> extract, std::uint32_t target,
                                         std::uint32_t size, std::uint32_t step, const WindowPoll& poll);

// Told of each matching window's offset by the searches that go on past the first hit;
// returns false to end the search there.
using WindowHit = std::function<bool(std::uint32_t offset)>;

// The same windows as FindCrcWindow, every match told to onHit in ascending order until it
// returns false; the result holds the first match. With step 0 the window at 0 is told at
// most once. The poll is asked as FindCrcWindow asks it, after matching windows too.
[[nodiscard]] SearchResult FindCrcWindows(std::span<const std::uint8_t> extract, std::uint32_t target,
                                          std::uint32_t size, std::uint32_t step, const WindowPoll& poll,
                                          const WindowHit& onHit);

// The same search computing each window's CRC-32 from its first byte to its last, asking the
// poll after every window that did not match: the reference the fast search is checked and
// measured against.
[[nodiscard]] SearchResult FindCrcWindowNaive(std::span<const std::uint8_t> extract, std::uint32_t target,
                                              std::uint32_t size, std::uint32_t step, const WindowPoll& poll);

}  // namespace vesperine
