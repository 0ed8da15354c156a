// The views of a dump: parts, lanes, swaps, inversion, headers, padding. A view is a plan that
// reads its bytes from the dump; the DAT identification and the checksum solver choose their own.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace vesperine {

enum class ViewKind {
    Part,      // size bytes from offset
    Lanes,     // of each group of stride bytes, the width bytes from offset
    Swap,      // each group of width bytes reversed
    Inverted,  // each byte XOR FF
    Padded,    // the whole file, then fill bytes up to size
};

struct ViewPlan {
    std::string name;    // "whole", "half 2 of 2", "odd bytes", "byte lane 3 of 4", ...
    std::string family;  // views that split the file the same way: "halves", "byte lanes", ...
    ViewKind kind = ViewKind::Part;
    std::uint64_t offset = 0;
    std::uint32_t width = 1;
    std::uint32_t stride = 1;
    std::uint64_t size = 0;
    std::uint8_t fill = 0;  // the byte a Padded view ends with
};

// Every view that the file's length allows, in a fixed order: whole; halves and quarters
// (lengths divisible by 2 and 4); odd and even bytes, as the window's stripes name them (odd =
// the 1st, 3rd, ... byte); the four byte lanes and the two 16-bit lanes of a 32-bit bus;
// 16-bit and 32-bit byte swaps; inverted; and for an overdump the first d bytes for every d
// that is a multiple of the period and divides the length ("trimmed to 1 of k copies"). Halves
// and quarters that equal such a trimmed image are left out: they would only repeat it. Then the
// ways a file reaches people that a DAT does not keep:
// - the image after a header that copiers and emulators put before it ("after removing a
//   16-byte iNES header"): 512 bytes when the length is 512 more than a multiple of 1 KiB (SNES
//   and other copiers), and by their magic iNES and fwNES FDS (16 bytes), Atari 7800 A78 (128)
//   and Lynx LNX (64);
// - for a Nintendo 64 image (its first word in any of the three byte orders) the byte swaps are
//   named by the orders they convert between ("16-bit byte swap: N64 v64 to z64 byte order");
// - for a length of 1 KiB or more that is no power of two, the file padded to the next power of two with 00 and
//   with FF ("padded to 4 MiB with FF"), as a trimmed dump was before trimming.
[[nodiscard]] std::vector<ViewPlan> ViewsOf(std::span<const std::uint8_t> file);

// Bytes [from, from + out.size()) of the view. from must be a multiple of the view's width.
void FillView(std::span<const std::uint8_t> file, const ViewPlan& view, std::uint64_t from,
              std::span<std::uint8_t> out);

// CRC-32 of the view, built chunk by chunk: a view never exists whole for its CRC.
[[nodiscard]] std::uint32_t ViewCrc(std::span<const std::uint8_t> file, const ViewPlan& view);

// The view's bytes whole: the file itself for a part, a copy otherwise. bytes stays valid as
// long as the ViewBytes and the file live.
struct ViewBytes {
    std::vector<std::uint8_t> owned;
    std::span<const std::uint8_t> bytes;
};
[[nodiscard]] ViewBytes MaterializeView(std::span<const std::uint8_t> file, const ViewPlan& view);

// Where byte `at` of the view lies in the file, for a part or lanes.
[[nodiscard]] std::uint64_t FileOffsetOf(const ViewPlan& view, std::uint64_t at);

// A contiguous piece of the file short of the whole: a half or a quarter.
[[nodiscard]] bool IsPiece(const ViewPlan& view);

// A view with its bytes at hand.
struct View : ViewBytes {
    ViewPlan plan;
};

// The views a checksum may cover, in this order: whole; halves (an even length) and, when
// quarters is set, quarters (a multiple of 4); odd and even bytes (even); the four byte lanes
// of a 32-bit bus, named "byte lane 1 of 4" to "byte lane 4 of 4" (a multiple of 4). The lanes
// are copies (together twice the file); the rest are spans of the file.
[[nodiscard]] std::vector<View> ChecksumViewsOf(std::span<const std::uint8_t> file, bool quarters);

// The plans of ChecksumViewsOf for a file of n bytes, without their bytes.
[[nodiscard]] std::vector<ViewPlan> ChecksumViewPlans(std::uint64_t n, bool quarters);

}  // namespace vesperine
