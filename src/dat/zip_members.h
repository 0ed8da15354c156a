// The members of a zip archive, inflated one at a time through libzip within stated limits.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

namespace vesperine::dat {

// The most a zip's wanted members may inflate to: one member, and all of them together. Only one
// member is held at a time, so memory is bounded by member; total bounds the time a small archive
// of huge members (a zip bomb) can take.
struct ZipLimits {
    std::uint64_t member = 0;
    std::uint64_t total = 0;
};

// A DAT's members: text that is parsed whole, up to 1 GiB each and 2 GiB in all.
inline constexpr ZipLimits kDatZipLimits{std::uint64_t{1} << 30, std::uint64_t{2} << 30};

// True for bytes that begin like a zip archive (a local header, or the end record of an empty one).
[[nodiscard]] bool LooksLikeZip(std::span<const std::uint8_t> bytes);
// Whether a file is named as a zip (".zip" in any case): the commands that take a zip of dumps
// member by member go by the name.
[[nodiscard]] bool IsZipName(std::string_view path);

// Given one member's name and bytes (valid only during the call); returns false to stop.
using ZipVisit = std::function<bool(std::string_view name, std::span<const std::uint8_t> bytes)>;

/*
  Hands every file member whose name wanted accepts to visit, in the archive's order, inflated
  and checked against its CRC-32. The peak memory is the largest such member: its buffer is
  freed before the next member is inflated.

  Before anything is inflated, the sizes the archive's directory gives are checked: a member
  over limits.member, or members adding up to more than limits.total, refuse the archive with
  the sizes and a hint. A member's buffer is taken at the size its directory entry gives (so
  within the limit) and inflating stops as soon as more comes out: a size that lies makes a
  damaged member, never a larger buffer. A buffer that cannot be had is refused too.

  Gives "" when every wanted member was handed over (or visit stopped), the error otherwise
  ("zip: NAME: ..."): a damaged archive or member, or one refused as above. Members handed over
  before a damaged one stand.
*/
[[nodiscard]] std::string ForEachZipMember(std::span<const std::uint8_t> bytes,
                                           const std::function<bool(std::string_view name)>& wanted,
                                           const ZipLimits& limits, const ZipVisit& visit);

}  // namespace vesperine::dat
