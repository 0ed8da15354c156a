// Filling a RomEntry from the key/value pairs that every DAT form gives, with strict checks.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "dat/rom_entry.h"

namespace vesperine::dat {

// Takes one field of a rom: name, size (decimal, at most kMaxRomSize), crc, md5, sha1, sha256
// (exactly 8, 32, 40, 64 hex digits of either case; an empty value counts as absent), status
// or flags (good, baddump, nodump, verified). Other keys are ignored. Gives the message for a
// value that cannot be taken.
[[nodiscard]] std::optional<std::string> TakeRomField(RomEntry& rom, std::string_view key, std::string_view value);

// What a rom needs once all its fields are in: a size. Gives the message when it is missing.
[[nodiscard]] std::optional<std::string> CheckRomComplete(const RomEntry& rom, bool sizeSeen);

// Exactly 2 * out.size() hex digits into out, first digit the high nibble of out[0].
[[nodiscard]] bool ParseHexDigits(std::string_view text, std::span<std::uint8_t> out);

// "key \"value\"" for a message: the value cut after 40 characters ("...") and any byte that
// is not printable ASCII shown as '?', so that garbage stays one short readable line.
[[nodiscard]] std::string QuotedForMessage(std::string_view key, std::string_view value);

// Lower-case hex of bytes.
[[nodiscard]] std::string HexOf(std::span<const std::uint8_t> bytes);

}  // namespace vesperine::dat
