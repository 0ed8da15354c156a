// Cutting the target area out of the base bytes, striping it and masking it.
#pragma once

#include <cstdint>
#include <functional>
#include <span>

namespace vesperine {

enum class StripeMode : std::int32_t { Full = 0, Odd = 1, Even = 2 };
enum class MaskMode : std::int32_t { Nothing = 0, Exor = 1, Replace = 2 };

// Any number other than Odd and Even stripes as Full; any other than Exor and Replace masks
// as Nothing.
[[nodiscard]] StripeMode StripeModeOf(std::int32_t field);
[[nodiscard]] MaskMode MaskModeOf(std::int32_t field);

struct AreaRequest {
    std::uint32_t start = 0;
    std::uint32_t end = 0;  // one past the area's last byte
    StripeMode stripe = StripeMode::Full;
    MaskMode mask = MaskMode::Nothing;
};

enum class AreaCheck { Ok, OutsideBase, NoMask };

// Dump length of the area: end - start, halved (remainder dropped) for Odd and Even.
// Meaningful only for an area that CheckArea accepts.
[[nodiscard]] std::uint32_t DumpLengthOf(const AreaRequest& area);

// An area must lie in the base bytes (start <= end <= base size) unless it is empty; a mask
// mode other than Nothing needs a mask of at least one byte.
[[nodiscard]] AreaCheck CheckArea(const AreaRequest& area, std::size_t baseLength, std::size_t maskLength);

// True when the extract of an area CheckArea accepts is the base's bytes as they are: Full,
// mask Nothing, from offset 0 to the base's end.
[[nodiscard]] bool IsWholeBase(const AreaRequest& area, std::size_t baseLength);

// Fills dump (DumpLengthOf(area) bytes) from base by the stripe, then applies the mask: XOR
// with the mask repeated from dump byte 0, or substitution through the mask as a table. Bytes
// whose value has no entry in a substitution mask shorter than 256 bytes are left as they are.
void ExtractInto(std::span<const std::uint8_t> base, std::span<const std::uint8_t> mask, const AreaRequest& area,
                 std::span<std::uint8_t> dump);

// The same for the part of the dump that starts at dump byte `from` (part.size() bytes), so
// that a long extraction can be done piece by piece, reporting between pieces: the pieces
// together give exactly what ExtractInto gives for the whole.
void ExtractPartInto(std::span<const std::uint8_t> base, std::span<const std::uint8_t> mask, const AreaRequest& area,
                     std::size_t from, std::span<std::uint8_t> part);

}  // namespace vesperine

namespace vesperine {

// Given each piece of a long extraction as soon as it is filled (while it is still in the
// cache, for whoever reads it next), with done of total dump bytes. True breaks it off.
using PiecePoll = std::function<bool(std::span<const std::uint8_t> piece, std::uint64_t done, std::uint64_t total)>;

// ExtractInto piece by piece (8 MiB each), handing each piece to poll. False when the poll
// broke it off, the dump then filled only in part.
[[nodiscard]] bool ExtractInPieces(std::span<const std::uint8_t> base, std::span<const std::uint8_t> mask,
                                   const AreaRequest& area, std::span<std::uint8_t> dump, const PiecePoll& poll);

}  // namespace vesperine
