// Writing ROMs as a Logiqx XML DAT of one game, ready to submit.
#pragma once

#include <optional>
#include <span>
#include <string>

#include "dat/rom_entry.h"

namespace vesperine::dat {

// Characters that XML 1.0 cannot hold even escaped (control characters other than tab, line
// feed and carriage return) make the text unwritable: gives nullopt then.
[[nodiscard]] std::optional<std::string> EscapeXml(std::string_view text);

// A <datafile> with a header and one <game name> whose <rom> elements carry name, size and
// every digest the entries hold (their game field is not used). Gives nullopt when a name or
// the description cannot be written (see EscapeXml).
[[nodiscard]] std::optional<std::string> WriteLogiqxDat(const std::string& gameName, const std::string& description,
                                                        std::span<const RomEntry> roms);

}  // namespace vesperine::dat
